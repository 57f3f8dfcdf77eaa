#include "live_clip.h"

#include <algorithm>
#include <cmath>

#include "data_constants/data_folder.h"
#include "data_constants/texture_files.h"
#include "export/glb_parts.h"
#include "export/glb_writer.h"

namespace {

// A frame is kept as the .glb will hold it: the branch joints' turns as
// floats, the petioles', leaves' and grass's as int16 (the file's own
// rounding, so the file comes out the same), no grass translations (they do
// not move). That is about half of 7 floats a joint.
std::int16_t shortTurn(double q) { return static_cast<std::int16_t>(std::lround(std::clamp(float(q), -1.0f, 1.0f) * 32767.0f)); }

// Joints [from, to) of poses: all 7 floats, or the translation as floats and the turn as int16.
void packJoints(const std::vector<double>& poses, std::size_t from, std::size_t to, bool shortTurns,
                std::vector<float>& floats, std::vector<std::int16_t>& turns)
{
    for (std::size_t j = from; j < to; ++j) {
        const double* pose = &poses[j * kPoseFloats];
        floats.insert(floats.end(), pose, pose + (shortTurns ? 3 : kPoseFloats));
        if (shortTurns)
            for (int i = 3; i < kPoseFloats; ++i) turns.push_back(shortTurn(pose[i]));
    }
}

void unpackJoints(std::vector<double>& poses, std::size_t from, std::size_t to, bool shortTurns, const float*& floats,
                  const std::int16_t*& turns)
{
    for (std::size_t j = from; j < to; ++j) {
        double* pose = &poses[j * kPoseFloats];
        for (int i = 0; i < (shortTurns ? 3 : kPoseFloats); ++i) pose[i] = *floats++;
        if (shortTurns)
            for (int i = 3; i < kPoseFloats; ++i) pose[i] = *turns++ / 32767.0;
    }
}

void pack(const LiveClip& clip, const FramePoses& p, std::vector<float>& floats, std::vector<std::int16_t>& turns)
{
    floats.clear();
    turns.clear();
    const std::size_t tree = p.tree.size() / kPoseFloats, leaves = p.leafScale.size();
    floats.reserve(clip.shortFrom * 4 + tree * 3 + leaves * 4);
    turns.reserve((tree - clip.shortFrom + leaves) * 4 + p.grass.size() / kPoseFloats * 4);
    packJoints(p.tree, 0, clip.shortFrom, false, floats, turns);
    packJoints(p.tree, clip.shortFrom, tree, true, floats, turns);
    packJoints(p.leaves, 0, leaves, true, floats, turns);
    floats.insert(floats.end(), p.leafScale.begin(), p.leafScale.end());
    for (std::size_t j = 0; j < p.grass.size() / kPoseFloats; ++j)
        for (int i = 3; i < kPoseFloats; ++i) turns.push_back(shortTurn(p.grass[j * kPoseFloats + i]));
}

void unpack(const LiveClip& clip, const std::vector<float>& floats, const std::vector<std::int16_t>& turns,
            FramePoses& p)
{
    const float* f = floats.data();
    const std::int16_t* t = turns.data();
    const std::size_t tree = p.tree.size() / kPoseFloats, leaves = p.leafScale.size();
    unpackJoints(p.tree, 0, clip.shortFrom, false, f, t);
    unpackJoints(p.tree, clip.shortFrom, tree, true, f, t);
    unpackJoints(p.leaves, 0, leaves, true, f, t);
    for (double& scale : p.leafScale) scale = *f++;
    for (std::size_t j = 0; j < p.grass.size() / kPoseFloats; ++j) {
        double* pose = &p.grass[j * kPoseFloats];
        for (int i = 0; i < 3; ++i) pose[i] = clip.grassPlaces[j * 3 + i];
        for (int i = 3; i < kPoseFloats; ++i) pose[i] = *t++ / 32767.0;
    }
}

bool loadTextures(const std::string& dir, bool grass, BmpImage (&scene)[kSceneTextureCount],
                  BmpImage (&blades)[kGrassTextureCount], std::string& error)
{
    auto load = [&](const char* name, BmpImage& image) {
        const std::string path = dataPath(dir, name);
        std::string why;
        if (readBmpFile(path.c_str(), image, &why)) return true;
        error = path + ": " + why;
        return false;
    };
    for (int t = 0; t < kSceneTextureCount; ++t)
        if (t != kGroundTexture && !load(kSceneTextureNames[t], scene[t])) return false;
    for (int t = 0; grass && t < kGrassTextureCount; ++t)
        if (!load(kGrassTextureNames[t], blades[t])) return false;
    return true;
}

} // namespace

void startLiveClip(LiveClip& clip, const arborvane::Simulation& sim, bool grass)
{
    clip.grass = grass;
    clip.rig = buildExportRig(sim, grass);
    clip.layout = makeMotionTracks(clip.rig, sim, 1);
    clip.shortFrom = firstPetioleJoint(clip.rig);
    clip.ring.resize(kLiveClipFrames);
    clip.turns.resize(kLiveClipFrames);
    clip.next = clip.count = 0;
    captureLiveClip(clip, sim);
    clip.grassPlaces.clear();
    for (std::size_t j = 0; j < clip.scratch.grass.size(); j += kPoseFloats)
        clip.grassPlaces.insert(clip.grassPlaces.end(), &clip.scratch.grass[j], &clip.scratch.grass[j] + 3);
}

void captureLiveClip(LiveClip& clip, const arborvane::Simulation& sim)
{
    readFramePoses(clip.layout, clip.rig, sim, clip.scratch);
    pack(clip, clip.scratch, clip.ring[clip.next], clip.turns[clip.next]);
    clip.next = (clip.next + 1) % clip.ring.size();
    if (clip.count < clip.ring.size()) ++clip.count;
}

std::size_t liveClipBytes(const LiveClip& clip)
{
    std::size_t bytes = 0;
    for (const std::vector<float>& slot : clip.ring) bytes += slot.capacity() * sizeof(float);
    for (const std::vector<std::int16_t>& slot : clip.turns) bytes += slot.capacity() * sizeof(std::int16_t);
    return bytes;
}

bool buildLiveGlb(const LiveClip& clip, const arborvane::Simulation& sim, const std::string& dataDir,
                  std::string& glb, std::string& error)
{
    if (clip.count == 0) {
        error = "there is no motion to write yet";
        return false;
    }
    BmpImage scene[kSceneTextureCount], blades[kGrassTextureCount];
    if (!loadTextures(dataDir, clip.grass, scene, blades, error)) return false;
    MotionTracks tracks = makeMotionTracks(clip.rig, sim, static_cast<int>(clip.count));
    FramePoses poses = clip.scratch; // sized as every frame is
    const std::size_t oldest = (clip.next + clip.ring.size() - clip.count) % clip.ring.size();
    for (std::size_t f = 0; f < clip.count; ++f) {
        const std::size_t slot = (oldest + f) % clip.ring.size();
        unpack(clip, clip.ring[slot], clip.turns[slot], poses);
        if (!storeFrame(tracks, poses, static_cast<int>(f), &error)) return false;
    }
    const GlbInput input{&sim, scene, clip.grass ? blades : nullptr, &clip.rig, &tracks};
    GlbPlan plan;
    if (!planGlb(input, plan, error)) return false;
    // Room for the whole file at once: growing by doubling would hold two copies.
    glb.clear();
    glb.reserve(glbSizeEstimate(plan, input).at(tracks.frames));
    const GlbSink append = [&](const void* bytes, std::size_t size, std::string&) {
        glb.append(static_cast<const char*>(bytes), size);
        return true;
    };
    std::uint64_t written = 0;
    return finishGlb(plan, input, append, written, error);
}
