// Branch pass: oscillators, joint bending, transforms handed down to children and leaves.
#pragma once
#include "dynamics/wind_force.h"
#include "math/vec3.h"

struct Scene;
struct TreeModel;
struct WindField;

// Wind frame, branch pass with leaves, grass pass.
void updateDynamics(Scene& scene, double timeStep);
// Every branch in index order, each followed by its six leaves.
void moveBranches(TreeModel& model, const WindField& field, const WindInput& wind, double timeStep);
