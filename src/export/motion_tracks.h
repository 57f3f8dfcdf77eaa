// The sampled motion: each joint's local pose and each leaf blade's pose at
// every exported frame, kept until the file is written.
#pragma once
#include <vector>

#include "export/export_rig.h"

struct Scene;

struct JointTracks {
    int joints = 0;
    std::vector<float> translation; // [joint][frame][3]
    std::vector<float> rotation;    // [joint][frame][4], x y z w, sign kept continuous
};

struct MotionTracks {
    int frames = 0;
    JointTracks tree, grass;
    JointTracks leaves;            // blade matrices, one per leaf of leafBranch/leafIndex
    std::vector<float> leafScale;  // uniform scale per leaf, from frame 0
    std::vector<int> leafBranch, leafIndex;
};

MotionTracks makeMotionTracks(const ExportRig& rig, const Scene& scene, int frames);
// Reads the model's current state as frame `frame`.
void captureFrame(MotionTracks& tracks, const ExportRig& rig, const Scene& scene, int frame);
