// One fixed simulation step of the whole scene.
#pragma once
#include "math/vec3.h"

struct TreeModel;

constexpr double kTimeStep = 0.05; // per drawn frame, not the measured interval

// Restore rest geometry, move everything in the wind, publish the triangle
// figure, refine the centre lines when asked, scroll the noise cursors.
void simulateStep(TreeModel& model, bool gale, double magnitude, Vec3 direction, double timeStep, bool refine);

void restoreRestState(TreeModel& model);
// Inserts a Catmull-Rom midpoint in every segment: N points become 2N-1.
void refineBranches(TreeModel& model);
void advanceWindCursors(TreeModel& model);
