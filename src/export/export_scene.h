// The one place the exporter loads, sets up and steps the simulation, so a
// change of the core's pipeline touches only export_scene.cpp.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/vec3.h"
#include "image/bmp_file.h"
#include "scene/scene.h"

struct ExportScene {
    std::unique_ptr<Scene> model = std::make_unique<Scene>(); // the simulated scene
    // Indexed by SceneTextureIndex; grass textures only when asked for.
    BmpImage sceneTextures[6];
    BmpImage grassTextures[4];
};

// Every data file the export needs, from dataDir, set up with the fixed
// foliage seed and unrefined centre lines. False with a one-line reason.
bool loadExportScene(ExportScene& scene, const std::string& dataDir, uint32_t seed, bool withGrassTextures,
                     std::string& error);
// Paths of the data files loadExportScene reads, so the output is never one of them.
std::vector<std::string> exportInputFiles(const std::string& dataDir);
// One 0.05 s step of the whole scene, centre lines left unrefined.
void stepExportScene(ExportScene& scene, const WindSettings& wind);
