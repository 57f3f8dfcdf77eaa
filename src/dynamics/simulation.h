// One fixed simulation step of the whole scene.
#pragma once
#include "dynamics/oscillators.h"
#include "scene/time_step.h"

struct Scene;
struct TreeModel;
struct WindField;
struct WindDriver;

// Restores rest geometry, moves everything in the wind of scene.input, counts
// the step, publishes the triangle figure, refines the centre lines when
// scene.input.refine, scrolls the noise cursors; then, while a schedule
// plays, its wind at the next step's time becomes scene.input.wind (the one
// evaluation per step).
// Fast arithmetic unless told otherwise (see Arithmetic).
void simulateStep(Scene& scene, double timeStep, Arithmetic arithmetic = Arithmetic::Fast);

// From now on the wind follows driver (the scene's copy; unchanged when the
// same): scene.input.wind and scene.lastWind become its wind at the next
// step's time, stepsTaken x kTimeStep.
void driveWind(Scene& scene, const WindDriver& driver);

// Threads a step is spread over: ARBORVANE_THREADS, else one per core.
int simulationThreads();
void setSimulationThreads(int count);

void advanceWindCursors(WindField& wind);
