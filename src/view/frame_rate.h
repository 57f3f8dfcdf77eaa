// The overlay's frame-rate figure: frames counted since the last update over
// the seconds between, refreshed about once a second.
#pragma once
#include <cstdint>

struct FrameRateCounter {
    double lastTime = 0.0;  // seconds at the last update
    int32_t frameCount = 0; // frames since then, the current one included
    bool started = false;   // the first frame has been counted
};

// Counts one frame drawn at `now` seconds and updates fps when due.
void countFrame(FrameRateCounter& counter, double now, float& fps);

// Seconds since the process started, from a monotonic clock.
double secondsSinceStart();
