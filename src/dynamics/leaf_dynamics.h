// One leaf for one step: rides on its branch, then bends and twists its petiole.
#pragma once
#include "math/mat4.h"
#include "dynamics/oscillators.h"
#include "math/vec3.h"
#include "tree/leaf.h"

// mb: the branch's transform after its last joint; force: the leaf's wind force.
void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep,
              Arithmetic arithmetic = Arithmetic::Fast);

// Four leaves, each on its branch's transform mb[i] with its force, with
// Fast arithmetic: side by side where the processor has AVX2 (wideLanes),
// else one at a time; the bits are the same either way. portable: side by
// side without AVX2 (for tests).
constexpr int kLeafLanes = 4;
void moveLeafLanes(Leaf* const leaves[kLeafLanes], const Mat4* const mb[kLeafLanes], const Vec3 forces[kLeafLanes],
                   double timeStep, bool portable = false);
