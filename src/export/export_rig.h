// The joints of the exported tree and grass: one per centre-line point of
// every branch, petiole and grass blade, each placed at the rest point it
// turns about. Their world transforms are read off the simulation's current
// state through the library's views, so the exporter follows whatever the
// simulation did.
#pragma once
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "math/mat4.h"
#include "math/vec3.h"

struct RigJoint {
    std::string name;
    int parent = -1; // joint index, -1: directly under the rig's root node
    Vec3 pivot;      // rest point of the joint; the node sits there at rest
};

struct ExportRig {
    std::vector<RigJoint> tree;    // branch points, then petiole points
    std::vector<int> branchFirst;  // joint of point 0 per branch, -1 when the branch has no points
    std::vector<int> branchPoints; // rest point count per branch
    std::vector<int> petioleFirst; // joint of petiole point 1 per leaf (branch*6 + leaf); points 1..5 follow
    std::vector<RigJoint> grass;   // grass levels 1..4 per blade, four in a row
    int grassBlades = 0;
    std::vector<int> grassTexture; // per blade: the grass texture it names (0..3; others draw untextured)
    // --bones: the tree's skin holds only these joints; empty, every joint.
    std::vector<RigJoint> bones;   // the bones, parents among the bones
    std::vector<int> boneJoint;    // per bone: the tree joint whose transform it takes
    std::vector<int> boneOf;       // per tree joint: the bone it rides on
    std::vector<Mat4> restBlades;  // per leaf (branch*6 + leaf): the blade's rest matrix, for a skinned blade
    std::vector<Vec3> boundRings;  // --bones: per branch joint, its ring's centre on its bone; empty: at rest
    std::vector<Vec3> boundPetioles; // --bones: per leaf, kPetiolePoints centre-line points on the bone; empty: at rest
};

// The joints of the tree's skin: the bones, or every tree joint.
inline const std::vector<RigJoint>& skinJoints(const ExportRig& rig) { return rig.bones.empty() ? rig.tree : rig.bones; }
// The skin joint a tree joint's vertices go with.
inline int skinJointOf(const ExportRig& rig, int joint) { return rig.bones.empty() ? joint : rig.boneOf[joint]; }
// The first tree joint of a petiole (or the joint count): where int16 turns start.
int firstPetioleJoint(const ExportRig& rig);

// The rig of sim's rest state (set up, unrefined centre lines).
ExportRig buildExportRig(const arborvane::Simulation& sim, bool withGrass);

// World transform (row-major, rest -> current) of every joint for the
// simulation's present state, its centre lines as in the file or refined.
void rigWorldTransforms(const ExportRig& rig, const arborvane::Simulation& sim, std::vector<Mat4>& tree,
                        std::vector<Mat4>* grass);

// A library point as the core's vector, and a view's points as an array.
inline Vec3 vec3(const arborvane::Point3& p) { return {p.x, p.y, p.z, 0}; }
std::vector<Vec3> vec3s(const arborvane::Strided<arborvane::Point3>& points);
// A library matrix as the core's.
Mat4 mat4(const arborvane::Matrix4& m);

// A joint's local translation and unit quaternion (x, y, z, w) under its
// parent, both nodes placed at their pivots.
void rigLocalPose(const Mat4& parentWorld, const Vec3& parentPivot, const Mat4& world, const Vec3& pivot, double t[3],
                  double q[4]);

// Rotation part of a row-major matrix as a unit quaternion (x, y, z, w).
void quaternionFromMatrix(const Mat4& m, double q[4]);
// The blade matrix as translation, rotation and uniform scale.
void decomposeBladeMatrix(const Mat4& m, double t[3], double q[4], double& scale);
