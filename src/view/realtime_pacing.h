// Real-time pacing: wall-clock time is banked as frames pass and paid out
// in whole simulation steps, so the motion runs at its own speed whatever
// the frame rate. Between steps the last state is held.
#pragma once

constexpr int kMaxStepsPerFrame = 4; // beyond this a slow frame drops time instead of piling up steps

struct RealtimePacer {
    double lastTime = -1.0; // wall time of the last call; negative before the first
    double banked = 0.0;    // seconds not yet stepped, below one step after each call
};

// Steps due at wall time now (seconds, any fixed origin), at most
// kMaxStepsPerFrame; the first call after a reset only starts the clock. A
// clock that goes backwards gives no steps.
int paceSteps(RealtimePacer& pacer, double now, double stepSeconds);
