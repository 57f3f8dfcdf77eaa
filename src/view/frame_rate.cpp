#include "view/frame_rate.h"

#include <chrono>

namespace {
// Taken during static initialisation, before main.
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
} // namespace

void countFrame(FrameRateCounter& counter, double now, float& fps)
{
    // The first frame shows a figure at once: none counted yet, so 0.
    if (!counter.started) {
        counter.started = true;
        counter.lastTime = now;
        counter.frameCount = 0;
        fps = 0.0f;
        return;
    }
    ++counter.frameCount;
    const double elapsed = now - counter.lastTime;
    if (elapsed > 1.0) {
        fps = static_cast<float>(counter.frameCount / elapsed);
        counter.frameCount = 0;
        counter.lastTime = now;
    }
}

double secondsSinceStart()
{
    // Seconds since process start in double: no loss of resolution or wrap
    // however long the machine has been up.
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - processStart).count();
}
