// Builds the binary glTF 2.0 file of the exported motion: meshes at rest,
// skins over the rig joints, one linear animation clip, PNG textures.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "export/export_rig.h"
#include "export/motion_tracks.h"
#include "image/bmp_file.h"

constexpr double kFramesPerSecond = 20.0; // one 0.05 s step per frame: plays in real time

struct GlbInput {
    const arborvane::Simulation* sim = nullptr; // rest geometry, leaf template and bounds, through its views
    const BmpImage* sceneTextures = nullptr; // indexed by SceneTextureIndex
    const BmpImage* grassTextures = nullptr; // 4, or null without grass
    const ExportRig* rig = nullptr;
    const MotionTracks* tracks = nullptr;
    bool lod = false;      // lighter levels of the tree beside the full one (glb_lod)
    bool compress = false; // quantised, meshopt-compressed geometry (glb_compress)
};

// Where the file's bytes go, in order. False with a reason stops the write.
using GlbSink = std::function<bool(const void* bytes, size_t size, std::string& error)>;

// The document but its animation (meshes, skins, textures, nodes), built
// once frame 0 is captured; the tracks are added and streamed by finishGlb.
class GlbPlan {
public:
    GlbPlan();
    ~GlbPlan();
    struct Parts;
    std::unique_ptr<Parts> parts; // the document so far
};

// A file's size ahead of the run: fixed + perFrame * frames. Which joints
// move is known only afterwards; the estimate counts what moves in practice.
struct GlbSizeEstimate {
    uint64_t fixed = 0;    // bytes that do not grow with the frames
    uint64_t perFrame = 0; // bytes per frame of the moving joints
    uint64_t at(int frames) const { return fixed + perFrame * static_cast<uint64_t>(frames); }
};

bool planGlb(const GlbInput& input, GlbPlan& plan, std::string& error);
// Tree triangles per level of detail (level 0 the full tree); empty without input.lod.
std::vector<size_t> glbLodTriangles(const GlbPlan& plan);
GlbSizeEstimate glbSizeEstimate(const GlbPlan& plan, const GlbInput& input);
// Adds the animation and writes the whole file to sink; written counts its bytes.
bool finishGlb(GlbPlan& plan, const GlbInput& input, const GlbSink& sink, uint64_t& written, std::string& error);
// The whole .glb in memory. False with a one-line reason.
bool buildGlb(const GlbInput& input, std::string& glb, std::string& error);

struct AnimatedTrack;
// For the web page: the .glb without its animation (constant joints still
// at their pose) in memory, and the animated channels in the order the
// .glb's animation lists them.
bool finishStaticGlb(GlbPlan& plan, const GlbInput& input, std::string& glb, std::vector<AnimatedTrack>& tracks,
                     std::string& error);

