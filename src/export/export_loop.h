// A clip that closes on itself: the noise scrolled by whole grid periods over
// the clip, and the clip started once the oscillators have forgotten the
// start at rest, so the state after the clip's steps is the state before.
#pragma once
#include <string>

#include "arborvane/arborvane.h"

struct LoopPlan {
    int steps = 0;                 // steps of one period: the clip's frames less the repeated first
    arborvane::Point3 speed{};     // noise cursor speed that repeats after `steps`, cells per step
    int settleSteps = 0;           // steps run before frame 0, whole periods
};

// The speeds nearest the simulation's present ones that make every cursor
// come back after `steps` steps (x and z by whole periods, at least one for z;
// y by whole periods over x's wraps).
LoopPlan planLoop(const arborvane::Simulation& sim, int steps);
// Sets the speeds and runs the settling steps. False with the library's reason.
bool settleLoop(arborvane::Simulation& sim, const LoopPlan& plan, std::string& error);
// One line for the console: what was done to close the loop.
std::string describeLoop(const LoopPlan& plan);
