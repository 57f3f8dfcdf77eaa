// Builds the binary glTF 2.0 file of the exported motion: meshes at rest,
// skins over the rig joints, one linear animation clip, PNG textures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "export/export_rig.h"
#include "export/motion_tracks.h"
#include "image/bmp_file.h"
#include "tree/leaf_template.h"

struct Scene;

constexpr double kFramesPerSecond = 20.0; // one 0.05 s step per frame: plays in real time

struct GlbInput {
    const Scene* model = nullptr;       // rest geometry (restBranches, leaves' rest copies, grass rest)
    const LeafTemplate* leaf = nullptr;
    const BmpImage* sceneTextures = nullptr; // indexed by SceneTextureIndex
    const BmpImage* grassTextures = nullptr; // 4, or null without grass
    const ExportRig* rig = nullptr;
    const MotionTracks* tracks = nullptr;
};

// The whole .glb in memory. False with a one-line reason.
bool buildGlb(const GlbInput& input, std::string& glb, std::string& error);

// RGB rows top first (as PNG wants them) from a BMP's bottom-up BGR rows.
std::vector<uint8_t> bmpToTopDownRgb(const BmpImage& image);
bool encodePng(const BmpImage& image, std::vector<uint8_t>& png);

// Writes under a temporary name beside path and renames it over path when
// complete, so a failed write never leaves a partial file under path.
bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& error);
// Whether a file can be created beside path (checked before the long run).
bool probeWritable(const std::string& path, std::string& error);
