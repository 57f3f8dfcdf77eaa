// One leaf for one step: rides on its branch, then bends and twists its petiole.
#pragma once
#include "math/mat4.h"
#include "math/oscillators.h"
#include "math/vec3.h"
#include "tree/leaf.h"

// mb: the branch's transform after its last joint; force: the leaf's wind force.
void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep,
              Arithmetic arithmetic = Arithmetic::Fast);
