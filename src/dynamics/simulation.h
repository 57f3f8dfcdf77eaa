// One fixed simulation step of the whole scene.
#pragma once
#include "dynamics/oscillators.h"
#include "scene/time_step.h"

struct Scene;
struct TreeModel;
struct WindField;


// Restores rest geometry, moves everything in the wind of scene.input (set
// first from scene.windSchedule at stepsTaken x timeStep when windScheduled), counts the step,
// publishes the triangle figure, refines the centre lines when
// scene.input.refine, scrolls the noise cursors.
// Fast arithmetic unless told otherwise (see Arithmetic).
void simulateStep(Scene& scene, double timeStep, Arithmetic arithmetic = Arithmetic::Fast);

// Threads a step is spread over: ARBORVANE_THREADS, else one per core.
int simulationThreads();
void setSimulationThreads(int count);

void advanceWindCursors(WindField& wind);
