// The one place the exporter loads, sets up and steps the simulation, all
// through the library (arborvane::Simulation), so a change of the core's
// pipeline touches none of the exporter.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "cli/run_flags.h"
#include "image/bmp_file.h"
#include "wind/wind_settings.h"

struct ExportScene {
    // Unrefined centre lines: one joint per point of the tree file. The
    // motion is the same either way; refinement only adds drawn points.
    arborvane::Simulation sim{arborvane::Workers{}, arborvane::CentreLines::asInFile};
    // Indexed by SceneTextureIndex; grass textures only when asked for.
    BmpImage sceneTextures[6];
    BmpImage grassTextures[4];
};

// Every data file the export needs, from dataDir, set up with the fixed
// foliage seed. The loaders' lines go to standard output. False with a
// one-line reason.
// at: where the tree stands in a stand's field (the origin by default).
bool loadExportScene(ExportScene& scene, const std::string& dataDir, uint32_t seed, bool withGrassTextures,
                     std::string& error, const arborvane::OpenOptions& at = {});
// Paths of the data files loadExportScene reads, so the output is never one of them.
std::vector<std::string> exportInputFiles(const std::string& dataDir);
struct NamedInput;
// Every file a run reads (the data folder's, the --wind file), as paths and
// as named for the output checks.
void exportRunInputs(const RunFlags& run, std::vector<std::string>& inputs, std::vector<NamedInput>& named);
// The steps from now on follow the run's schedule (run.schedule), bit for
// bit as the other programs play it. False with a reason.
bool playExportWind(ExportScene& scene, const RunFlags& run, std::string& error);
// One 0.05 s step of the whole scene. False with the library's reason.
bool stepExportScene(ExportScene& scene, std::string& error);
// The wind of the moment (what drove the last step; before a step, what the first takes).
WindSettings exportWind(const ExportScene& scene);
