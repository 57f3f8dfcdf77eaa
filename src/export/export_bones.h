// A rig within a bone budget: of the tree's joints, the few whose turns move
// the crown most become bones; every other joint, petioles and blades with
// it, rides on its nearest bone towards the root. Chosen from a survey of
// the very run the clip records, so the bones fit this motion.
#pragma once
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "export/export_rig.h"

// Frames a survey samples at most: enough to tell the joints' motion apart.
constexpr int kSurveySamples = 32;

// World transforms of the branch joints at frames spread over the run.
struct RigSurvey {
    int branchJoints = 0;        // joints 0.. of the rig that are branch points
    std::vector<Mat4> world;     // [sample][branch joint]
    int samples = 0;             // frames surveyed
    std::vector<Mat4> blades;    // [sample][leaf, branch*6 + leaf]: the blades' matrices
    std::vector<Vec3> rings;     // [sample][branch joint]: the centre-line point whose ring the joint carries
    std::vector<Vec3> petioles;  // [sample][leaf][kPetiolePoints]: the petioles' centre lines
};

// Steps sim `steps` times from its present state, sampling up to 32 frames
// (the present one first). False with the library's reason.
bool surveyRig(arborvane::Simulation& sim, const ExportRig& rig, int steps, RigSurvey& survey, std::string& error);
// Fills rig.bones, rig.boneJoint and rig.boneOf with at most maxBones bones
// chosen greedily, each the joint that most lowers the crown's surveyed
// vertex error. False, rig unchanged, when the tree's separate chains alone
// need more bones. Each blade, bark ring and petiole point is then bound
// where it is on average on its bone over the survey (rig.restBlades,
// rig.boundRings, rig.boundPetioles), which is what rigid riding fits best.
bool chooseBones(ExportRig& rig, const arborvane::Simulation& sim, const RigSurvey& survey, int maxBones,
                 std::string& error);
