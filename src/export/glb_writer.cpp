// The scene as a binary glTF: planned first (meshes, skins, textures, once
// frame 0 is captured), then finished with the animation and written
// through a sink. The pieces: gltf_kit (building kit), glb_parts (the
// scene's parts), glb_animation (tracks), glb_container (the file's layout).
#include "export/glb_writer.h"

#include <algorithm>

#include "export/glb_animation.h"
#include "export/glb_compress.h"
#include "export/glb_container.h"
#include "export/glb_lod.h"
#include "export/glb_parts.h"
#include "export/gltf_kit.h"

using namespace glb;

struct GlbPlan::Parts {
    tinygltf::Model m;       // the document without its animation
    Bin bin{m, {}};          // its binary chunk so far
    tinygltf::Scene scene;   // the scene's top-level nodes
    AnimatedNodes nodes;     // where the animated blocks start
    size_t possibleChannels = 0; // channels if every joint moved
    std::vector<size_t> lodTriangles; // tree triangles per level; empty without levels
    CompressedGeometry compressed;    // the meshopt views; none without compression
};

GlbPlan::GlbPlan() = default;
GlbPlan::~GlbPlan() = default;

bool planGlb(const GlbInput& in, GlbPlan& plan, std::string& error)
{
    const ExportRig& rig = *in.rig;
    plan.parts = std::make_unique<GlbPlan::Parts>();
    GlbPlan::Parts& p = *plan.parts;
    startModel(p.m);
    GlbParts out{p.m, p.bin, p.scene};
    TreeMaterials mats;
    if (!addTreeMaterials(out, in.sceneTextures, mats, error)) return false;
    p.scene.name = "Arborvane";
    const int treeSkin = addTreeRig(out, rig, p.nodes.tree);
    addBarkAndPetioles(out, *in.sim, rig, mats, treeSkin);
    if (rig.bones.empty()) p.nodes.leaves = addLeafBlades(out, *in.sim, *in.tracks, mats);
    else addSkinnedLeafBlades(out, *in.sim, rig, *in.tracks, mats, treeSkin);
    if (in.lod) {
        p.lodTriangles.resize(kLodLevels + 1);
        addLodLevels(out, *in.sim, rig, *in.tracks, mats, treeSkin, p.nodes.leaves, p.lodTriangles.data());
    }
    if (!rig.grass.empty() && in.grassTextures &&
        !addGrass(out, *in.sim, rig, in.grassTextures, p.nodes.grass, error))
        return false;
    const MotionTracks& t = *in.tracks;
    const int grassJoints = p.nodes.grass >= 0 ? t.grass.joints : 0;
    p.possibleChannels = 2 * static_cast<size_t>(t.tree.joints + t.leaves.joints + grassJoints);
    if (in.compress) compressGeometry(p.m, p.bin, p.compressed);
    return true;
}

std::vector<size_t> glbLodTriangles(const GlbPlan& plan) { return plan.parts->lodTriangles; }

GlbSizeEstimate glbSizeEstimate(const GlbPlan& plan, const GlbInput& in)
{
    const GlbPlan::Parts& p = *plan.parts;
    const MotionTracks& t = *in.tracks;
    const int shortFrom = shortTurnsFrom(*in.rig);
    GlbSizeEstimate b;
    // JSON: generous per entry of the parts (about 160 bytes each in
    // practice) and per possible track (its accessor, sampler and channel).
    const size_t entries = p.m.nodes.size() + p.m.accessors.size() + p.m.bufferViews.size() + p.m.meshes.size() +
                           p.m.materials.size() + p.m.images.size();
    b.fixed = 28 + 65536 + 256 * entries + 200 * p.possibleChannels + p.bin.data.size() + 3 * 4;
    // Every joint turns; chains are rigid, so only the tops of the tree's
    // chains and the leaf blades move as well (grass blades stand rooted).
    auto perFrame = [](const std::vector<RigJoint>& joints, int shortFrom, bool topsMove) {
        uint64_t bytes = 0;
        for (size_t j = 0; j < joints.size(); ++j)
            bytes += (static_cast<int>(j) < shortFrom ? 16 : 8) + (topsMove && joints[j].parent < 0 ? 12 : 0);
        return bytes;
    };
    b.perFrame = 4 + perFrame(skinJoints(*in.rig), shortFrom, true) + static_cast<uint64_t>(t.leaves.joints) * 20 +
                 (p.nodes.grass >= 0 ? perFrame(in.rig->grass, 0, false) : 0);
    return b;
}

bool finishGlb(GlbPlan& plan, const GlbInput& in, const GlbSink& sink, uint64_t& written, std::string& error)
{
    GlbPlan::Parts& p = *plan.parts;
    Animator anim{p.m, p.bin, in.tracks->frames, {}, {}};
    addAnimatedNodes(*in.sim, *in.rig, *in.tracks, p.nodes, anim);
    anim.finish("wind");
    if (in.compress && p.bin.later) {
        // The tracks are compressed as a whole: their bytes come first into memory.
        std::string tail;
        const GlbSink hold = [&](const void* bytes, size_t size, std::string&) {
            tail.append(static_cast<const char*>(bytes), size);
            return true;
        };
        if (!anim.writeTracks(*in.tracks, hold, error)) return false;
        compressTracks(p.m, p.bin, tail, p.compressed);
    }
    p.m.scenes.push_back(p.scene);
    p.m.defaultScene = 0;
    tinygltf::Buffer buffer;
    buffer.data = std::move(p.bin.data);
    p.m.buffers.push_back(std::move(buffer));
    const uint64_t binBytes = p.m.buffers[0].data.size() + p.bin.later;
    std::string json, head;
    if (!serializeDocument(p.m, binBytes, json, head, error)) return false;
    if (!p.compressed.views.empty() && !addCompressionEntries(json, p.compressed, error)) return false;
    p.m.buffers[0].data = {}; // head holds them now
    uint64_t count = 0;
    const GlbSink counted = [&](const void* bytes, size_t size, std::string& e) {
        count += size;
        return sink(bytes, size, e);
    };
    GlbTail tracks; // none when the tracks are in the chunk already (compressed)
    if (p.bin.later) tracks = [&](const GlbSink& to, std::string& e) { return anim.writeTracks(*in.tracks, to, e); };
    if (!writeChunks(json, head, binBytes, tracks, counted, error)) return false;
    written = count;
    return true;
}


bool finishStaticGlb(GlbPlan& plan, const GlbInput& in, std::string& glb, std::vector<AnimatedTrack>& tracks,
                     std::string& error)
{
    GlbPlan::Parts& p = *plan.parts;
    Animator anim{p.m, p.bin, in.tracks->frames, {}, {}};
    addAnimatedNodes(*in.sim, *in.rig, *in.tracks, p.nodes, anim);
    tracks = anim.tracks();
    p.m.scenes.push_back(p.scene);
    p.m.defaultScene = 0;
    p.bin.data.resize((p.bin.data.size() + 3) / 4 * 4, 0);
    tinygltf::Buffer buffer;
    buffer.data = std::move(p.bin.data);
    p.m.buffers.push_back(std::move(buffer));
    const uint64_t binBytes = p.m.buffers[0].data.size();
    std::string json, head;
    if (!serializeDocument(p.m, binBytes, json, head, error)) return false;
    p.m.buffers[0].data = {};
    glb.clear();
    const GlbSink append = [&](const void* bytes, size_t size, std::string&) {
        glb.append(static_cast<const char*>(bytes), size);
        return true;
    };
    return writeChunks(json, head, binBytes, {}, append, error);
}

bool buildGlb(const GlbInput& in, std::string& glb, std::string& error)
{
    GlbPlan plan;
    uint64_t written = 0;
    glb.clear();
    const GlbSink append = [&](const void* bytes, size_t size, std::string&) {
        glb.append(static_cast<const char*>(bytes), size);
        return true;
    };
    return planGlb(in, plan, error) && finishGlb(plan, in, append, written, error);
}
