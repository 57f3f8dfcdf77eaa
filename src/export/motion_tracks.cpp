#include "export/motion_tracks.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

// Frames per block of a streamed clip: a few megabytes for the tree's joints.
constexpr int kBlockFrames = 64;

void sizeTracks(JointTracks& t, int joints, int blockFrames)
{
    t.joints = joints;
    t.first.assign(static_cast<size_t>(joints) * kPoseFloats, 0.0f);
    t.last.assign(static_cast<size_t>(joints) * 4, 0.0f);
    t.moveT.assign(joints, 0.0);
    t.moveQ.assign(joints, 0.0);
    t.block.assign(static_cast<size_t>(joints) * blockFrames * kPoseFloats, 0.0f);
}

void store(JointTracks& t, int joint, int frame, int blockFrames, const double tr[3], double q[4])
{
    float* last = &t.last[static_cast<size_t>(joint) * 4];
    // q and -q are the same turn; keep neighbours in one hemisphere so
    // linear interpolation takes the short way.
    if (frame > 0 && last[0] * q[0] + last[1] * q[1] + last[2] * q[2] + last[3] * q[3] < 0)
        for (int i = 0; i < 4; ++i) q[i] = -q[i];
    float pose[kPoseFloats];
    for (int i = 0; i < 3; ++i) pose[i] = static_cast<float>(tr[i]);
    for (int i = 0; i < 4; ++i) pose[3 + i] = last[i] = static_cast<float>(q[i]);
    float* first = &t.first[static_cast<size_t>(joint) * kPoseFloats];
    if (frame == 0) std::copy(pose, pose + kPoseFloats, first);
    for (int i = 0; i < 3; ++i) t.moveT[joint] = std::max(t.moveT[joint], double(std::fabs(pose[i] - first[i])));
    for (int i = 3; i < kPoseFloats; ++i)
        t.moveQ[joint] = std::max(t.moveQ[joint], double(std::fabs(pose[i] - first[i])));
    const size_t at = static_cast<size_t>(joint) * blockFrames + frame % blockFrames;
    std::copy(pose, pose + kPoseFloats, &t.block[at * kPoseFloats]);
}

void readJoints(std::vector<double>& out, const std::vector<RigJoint>& joints, const std::vector<Mat4>& world)
{
    const Mat4 root = identity();
    const Vec3 origin{};
    out.resize(joints.size() * kPoseFloats);
    for (size_t j = 0; j < joints.size(); ++j) {
        const RigJoint& joint = joints[j];
        const bool top = joint.parent < 0;
        double* pose = &out[j * kPoseFloats];
        rigLocalPose(top ? root : world[joint.parent], top ? origin : joints[joint.parent].pivot, world[j],
                     joint.pivot, pose, pose + 3);
    }
}

void storeJoints(JointTracks& t, std::vector<double>& poses, int frame, int blockFrames)
{
    for (int j = 0; j < t.joints; ++j) {
        double* pose = &poses[static_cast<size_t>(j) * kPoseFloats];
        store(t, j, frame, blockFrames, pose, pose + 3);
    }
}

// pwrite until every byte is down: a short write on a full disk is retried,
// so the reason given is the one the next write fails with (ENOSPC).
bool writeAllAt(int fd, const void* bytes, size_t size, uint64_t at, std::string* error)
{
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = pwrite(fd, p, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (error) *error = std::string("cannot write the scratch file: ") + std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
        at += static_cast<uint64_t>(n);
    }
    return true;
}

// Writes the block ending at frame `last` into each joint's track.
bool flushBlock(const MotionTracks& m, const JointTracks& t, int last, std::string* error)
{
    const int start = last / m.blockFrames * m.blockFrames, count = last - start + 1;
    const size_t bytes = static_cast<size_t>(count) * kPoseFloats * sizeof(float);
    for (int j = 0; j < t.joints; ++j) {
        const uint64_t at = t.scratchAt + (static_cast<uint64_t>(j) * m.frames + start) * kPoseFloats * sizeof(float);
        const float* from = &t.block[static_cast<size_t>(j) * m.blockFrames * kPoseFloats];
        if (!writeAllAt(m.scratch.fd, from, bytes, at, error)) return false;
    }
    return true;
}

MotionTracks makeTracks(const ExportRig& rig, int frames, int blockFrames)
{
    MotionTracks m;
    m.frames = frames;
    m.blockFrames = blockFrames;
    const size_t leaves = rig.branchFirst.empty() ? 0 : rig.petioleFirst.size() / rig.branchFirst.size();
    for (size_t b = 0; b < rig.branchFirst.size(); ++b)
        for (size_t l = 0; l < leaves; ++l)
            if (rig.petioleFirst[b * leaves + l] >= 0) {
                m.leafBranch.push_back(static_cast<int>(b));
                m.leafIndex.push_back(static_cast<int>(l));
            }
    sizeTracks(m.tree, static_cast<int>(skinJoints(rig).size()), blockFrames);
    sizeTracks(m.grass, static_cast<int>(rig.grass.size()), blockFrames);
    // With bones the blades are skinned: no tracks of their own.
    sizeTracks(m.leaves, rig.bones.empty() ? static_cast<int>(m.leafBranch.size()) : 0, blockFrames);
    const uint64_t perJoint = static_cast<uint64_t>(frames) * kPoseFloats * sizeof(float);
    m.grass.scratchAt = m.tree.joints * perJoint;
    m.leaves.scratchAt = m.grass.scratchAt + m.grass.joints * perJoint;
    m.leafScale.assign(m.leafBranch.size(), 1.0f);
    return m;
}

} // namespace

OwnedFd& OwnedFd::operator=(OwnedFd&& o) noexcept
{
    if (this != &o) {
        if (fd >= 0) close(fd);
        fd = o.fd;
        o.fd = -1;
    }
    return *this;
}

OwnedFd::~OwnedFd()
{
    if (fd >= 0) close(fd);
}

MotionTracks makeMotionTracks(const ExportRig& rig, const arborvane::Simulation&, int frames)
{
    return makeTracks(rig, frames, frames);
}

MotionTracks makeStreamedMotionTracks(const ExportRig& rig, const arborvane::Simulation&, int frames, int scratchFd)
{
    MotionTracks m = makeTracks(rig, frames, std::min(frames, kBlockFrames));
    m.scratch = OwnedFd(scratchFd);
    return m;
}

void readFramePoses(const MotionTracks& tracks, const ExportRig& rig, const arborvane::Simulation& sim,
                    FramePoses& out)
{
    std::vector<Mat4> tree, grass;
    rigWorldTransforms(rig, sim, tree, rig.grass.empty() ? nullptr : &grass);
    if (rig.bones.empty()) {
        readJoints(out.tree, rig.tree, tree);
    } else {
        std::vector<Mat4> bones(rig.boneJoint.size());
        for (size_t b = 0; b < bones.size(); ++b) bones[b] = tree[rig.boneJoint[b]];
        readJoints(out.tree, rig.bones, bones);
    }
    readJoints(out.grass, rig.grass, grass);
    // With bones the blades are skinned: no poses of their own.
    const size_t leaves = static_cast<size_t>(tracks.leaves.joints);
    out.leaves.resize(leaves * kPoseFloats);
    out.leafScale.resize(leaves);
    for (size_t i = 0; i < leaves; ++i) {
        const arborvane::Matrix4& blade = sim.leafBladeMatrices(tracks.leafBranch[i])[tracks.leafIndex[i]];
        double* pose = &out.leaves[i * kPoseFloats];
        decomposeBladeMatrix(mat4(blade), pose, pose + 3, out.leafScale[i]);
    }
}

bool storeFrame(MotionTracks& tracks, FramePoses& poses, int frame, std::string* error)
{
    storeJoints(tracks.tree, poses.tree, frame, tracks.blockFrames);
    storeJoints(tracks.grass, poses.grass, frame, tracks.blockFrames);
    if (frame == 0)
        for (size_t i = 0; i < poses.leafScale.size(); ++i) tracks.leafScale[i] = static_cast<float>(poses.leafScale[i]);
    storeJoints(tracks.leaves, poses.leaves, frame, tracks.blockFrames);
    const bool blockFull = (frame + 1) % tracks.blockFrames == 0 || frame + 1 == tracks.frames;
    if (tracks.scratch.fd < 0 || !blockFull) return true;
    return flushBlock(tracks, tracks.tree, frame, error) && flushBlock(tracks, tracks.grass, frame, error) &&
           flushBlock(tracks, tracks.leaves, frame, error);
}

bool captureFrame(MotionTracks& tracks, const ExportRig& rig, const arborvane::Simulation& sim, int frame,
                  std::string* error)
{
    FramePoses poses;
    readFramePoses(tracks, rig, sim, poses);
    return storeFrame(tracks, poses, frame, error);
}

bool readTrack(const MotionTracks& tracks, const JointTracks& group, int joint, std::vector<float>& out,
               std::string& error)
{
    const size_t floats = static_cast<size_t>(tracks.frames) * kPoseFloats;
    out.resize(floats);
    if (tracks.scratch.fd < 0) {
        const float* from = &group.block[static_cast<size_t>(joint) * floats];
        std::copy(from, from + floats, out.data());
        return true;
    }
    const uint64_t at = group.scratchAt + static_cast<uint64_t>(joint) * floats * sizeof(float);
    size_t done = 0;
    auto* to = reinterpret_cast<char*>(out.data());
    while (done < floats * sizeof(float)) {
        const ssize_t n = pread(tracks.scratch.fd, to + done, floats * sizeof(float) - done,
                                static_cast<off_t>(at + done));
        if (n <= 0) {
            error = std::string("cannot read the scratch file: ") + (n < 0 ? std::strerror(errno) : "it is short");
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}
