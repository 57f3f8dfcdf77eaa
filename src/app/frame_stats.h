// Optional frame-time figures: with ARBORVANE_FRAME_STATS=N in the
// environment (read once at start-up) the program prints, after a warm-up of
// 20 frames and then N measured frames, one line with the median drawing
// (the frame less the time it waited for its steps), simulation-step (the
// steps' own time, which mostly overlaps the drawing) and whole-frame wall
// times and the process CPU time per frame (all threads, the software
// rasteriser's included), in milliseconds,
// then the simulated seconds per wall-clock second over those frames and
// the simulation's thread count (and how many of them step beside the drawing).
// Unset: no cost.
#pragma once

void initFrameStats();
bool frameStatsEnabled();
// Phase marks within one display call, in order.
void frameStatsBegin();
// Around the frame's wait for its steps (or around the steps when they run there).
void frameStatsStepBegin();
// simulated: seconds of motion the frame's steps made; stepMs: their own wall time.
void frameStatsStepEnd(double simulated, double stepMs);
void frameStatsEnd();
