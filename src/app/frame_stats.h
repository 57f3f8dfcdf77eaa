// Optional frame-time figures: with ARBORVANE_FRAME_STATS=N in the
// environment (read once at start-up) the program prints, after a warm-up of
// 20 frames and then N measured frames, one line with the median drawing,
// simulation-step and whole-frame wall times and the process CPU time per
// frame (all threads, the software rasteriser's included), in milliseconds,
// then the simulated seconds per wall-clock second over those frames and
// the simulation's thread count.
// Unset: no cost.
#pragma once

void initFrameStats();
bool frameStatsEnabled();
// Phase marks within one display call, in order.
void frameStatsBegin();
void frameStatsStepBegin();
// simulated: seconds of motion the frame's steps made.
void frameStatsStepEnd(double simulated);
void frameStatsEnd();
