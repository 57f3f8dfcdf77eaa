// Branch pass: oscillators, joint bending, transforms handed down to children and leaves.
#pragma once
#include "dynamics/wind_force.h"
#include "math/vec3.h"

struct TreeModel;

// Wind frame, branch pass with leaves, grass pass.
void updateDynamics(TreeModel& model, bool gale, double magnitude, const Vec3& direction, double timeStep);
// Every branch in index order, each followed by its six leaves.
void moveBranches(TreeModel& model, const WindInput& wind, double timeStep);
