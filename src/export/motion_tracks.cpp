#include "export/motion_tracks.h"

#include "scene/scene.h"

namespace {

void sizeTracks(JointTracks& t, int joints, int frames)
{
    t.joints = joints;
    t.translation.assign(static_cast<size_t>(joints) * frames * 3, 0.0f);
    t.rotation.assign(static_cast<size_t>(joints) * frames * 4, 0.0f);
}

void store(JointTracks& t, int joint, int frame, int frames, const double tr[3], double q[4])
{
    const size_t at = static_cast<size_t>(joint) * frames + frame;
    if (frame > 0) {
        // q and -q are the same turn; keep neighbours in one hemisphere so
        // linear interpolation takes the short way.
        const float* prev = &t.rotation[(at - 1) * 4];
        if (prev[0] * q[0] + prev[1] * q[1] + prev[2] * q[2] + prev[3] * q[3] < 0)
            for (int i = 0; i < 4; ++i) q[i] = -q[i];
    }
    for (int i = 0; i < 3; ++i) t.translation[at * 3 + i] = static_cast<float>(tr[i]);
    for (int i = 0; i < 4; ++i) t.rotation[at * 4 + i] = static_cast<float>(q[i]);
}

void captureJoints(JointTracks& t, const std::vector<RigJoint>& joints, const std::vector<Mat4>& world, int frame,
                   int frames)
{
    const Mat4 root = identity();
    const Vec3 origin{};
    for (size_t j = 0; j < joints.size(); ++j) {
        const RigJoint& joint = joints[j];
        const bool top = joint.parent < 0;
        double tr[3], q[4];
        rigLocalPose(top ? root : world[joint.parent], top ? origin : joints[joint.parent].pivot, world[j],
                     joint.pivot, tr, q);
        store(t, static_cast<int>(j), frame, frames, tr, q);
    }
}

} // namespace

MotionTracks makeMotionTracks(const ExportRig& rig, const Scene& scene, int frames)
{
    const TreeModel& model = scene.tree;
    MotionTracks m;
    m.frames = frames;
    sizeTracks(m.tree, static_cast<int>(rig.tree.size()), frames);
    sizeTracks(m.grass, static_cast<int>(rig.grass.size()), frames);
    for (size_t b = 0; b < rig.branchFirst.size(); ++b)
        for (int l = 0; l < kLeavesPerBranch; ++l)
            if (rig.petioleFirst[b * kLeavesPerBranch + l] >= 0) {
                m.leafBranch.push_back(static_cast<int>(b));
                m.leafIndex.push_back(l);
            }
    sizeTracks(m.leaves, static_cast<int>(m.leafBranch.size()), frames);
    m.leafScale.assign(m.leafBranch.size(), 1.0f);
    (void)model;
    return m;
}

void captureFrame(MotionTracks& tracks, const ExportRig& rig, const Scene& scene, int frame)
{
    const TreeModel& model = scene.tree;
    std::vector<Mat4> tree, grass;
    rigWorldTransforms(rig, scene, tree, rig.grass.empty() ? nullptr : &grass);
    captureJoints(tracks.tree, rig.tree, tree, frame, tracks.frames);
    if (!rig.grass.empty()) captureJoints(tracks.grass, rig.grass, grass, frame, tracks.frames);
    for (size_t i = 0; i < tracks.leafBranch.size(); ++i) {
        const Leaf& leaf = model.branches[tracks.leafBranch[i]].leaves[tracks.leafIndex[i]];
        double tr[3], q[4], s = 1.0;
        decomposeBladeMatrix(leaf.bladeMatrix, tr, q, s);
        if (frame == 0) tracks.leafScale[i] = static_cast<float>(s);
        store(tracks.leaves, static_cast<int>(i), frame, tracks.frames, tr, q);
    }
}
