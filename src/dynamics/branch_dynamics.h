// The step's motion: every part from rest, then the branches (oscillators,
// joint bending, transforms handed down to children and leaves), the grass
// blades and the leaves.
#pragma once
#include "dynamics/wind_force.h"
#include "dynamics/oscillators.h"
#include "math/vec3.h"

struct Scene;
struct TreeModel;
struct WindField;

// Every part back at rest, then moved: the wind frame, the branches in
// index order while the grass blades move, then the leaves; blades and
// leaves are spread over the simulation threads. The result does not
// depend on the thread count.
void updateDynamics(Scene& scene, double timeStep, Arithmetic arithmetic = Arithmetic::Fast);
// Every branch in index order, each followed by its six leaves, on this
// thread, all from rest.
void moveBranches(TreeModel& model, const WindField& field, const WindInput& wind, double timeStep,
                  Arithmetic arithmetic = Arithmetic::Fast);
