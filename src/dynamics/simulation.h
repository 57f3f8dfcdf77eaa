// One fixed simulation step of the whole scene.
#pragma once

struct RefineScratch;
struct Scene;
struct TreeModel;
struct WindField;

constexpr double kTimeStep = 0.05; /// seconds per step; one step per drawn frame, not the measured interval

// Restores rest geometry, moves everything in the wind of scene.input,
// publishes the triangle figure, refines the centre lines when
// scene.input.refine, scrolls the noise cursors.
void simulateStep(Scene& scene, double timeStep);

void restoreRestState(Scene& scene);
// Inserts a Catmull-Rom midpoint in every segment: N points become 2N-1.
void refineBranches(TreeModel& model, RefineScratch& scratch);
void advanceWindCursors(WindField& wind);
