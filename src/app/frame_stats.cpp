#include "app/frame_stats.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "dynamics/simulation.h"
#include "frame/step_thread.h"
#include "cli/median.h"
#include "platform/platform.h"

namespace {

constexpr int kWarmUpFrames = 20;
constexpr int kMaxFrames = 100000;

struct FrameStats {
    int wanted = 0;              // measured frames asked for; 0 = off
    int seen = 0;                // frames since start, warm-up included
    int count = 0;               // measured frames so far
    bool reported = false;       // the line has been printed
    double* draw = nullptr;      // per-frame figures, allocated once at start-up
    double* step = nullptr;
    double* frame = nullptr;
    double* cpu = nullptr;       // process CPU time per frame, all threads (rasteriser included)
    std::chrono::steady_clock::time_point begin, stepBegin, stepEnd;
    double cpuBegin = 0.0;
    double simulatedThisFrame = 0.0; // seconds of motion of the current frame
    double stepThisFrame = 0.0;      // the current frame's steps, their own wall time, ms
    double simulated = 0.0;          // over the measured frames
    std::chrono::steady_clock::time_point firstMeasured; // start of the first measured frame
};

FrameStats stats; // measurement state

double ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// On a shared machine wall time mostly measures the neighbours; CPU time does not.
double processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) * 1e-6;
}

} // namespace

void initFrameStats()
{
    const char* text = std::getenv("ARBORVANE_FRAME_STATS");
    if (!text) return;
    const long n = std::strtol(text, nullptr, 10);
    if (n <= 0) return;
    stats.wanted = static_cast<int>(std::min<long>(n, kMaxFrames));
    stats.draw = new double[stats.wanted];
    stats.step = new double[stats.wanted];
    stats.frame = new double[stats.wanted];
    stats.cpu = new double[stats.wanted];
}

bool frameStatsEnabled() { return stats.wanted > 0 && !stats.reported; }

void frameStatsBegin()
{
    if (!frameStatsEnabled()) return;
    stats.begin = std::chrono::steady_clock::now();
    stats.cpuBegin = processCpuMs();
}

void frameStatsStepBegin()
{
    if (frameStatsEnabled()) stats.stepBegin = std::chrono::steady_clock::now();
}

void frameStatsStepEnd(double simulated, double stepMs)
{
    if (!frameStatsEnabled()) return;
    stats.stepEnd = std::chrono::steady_clock::now();
    stats.simulatedThisFrame = simulated;
    stats.stepThisFrame = stepMs;
}

void frameStatsEnd()
{
    if (!frameStatsEnabled()) return;
    const auto end = std::chrono::steady_clock::now();
    const double cpuEnd = processCpuMs();
    if (stats.seen++ < kWarmUpFrames) return;
    if (stats.count == 0) stats.firstMeasured = stats.begin;
    stats.simulated += stats.simulatedThisFrame;
    const int i = stats.count++;
    // Drawing includes the wait for the rasteriser in glFinish after the step.
    stats.step[i] = stats.stepThisFrame;
    stats.frame[i] = ms(end - stats.begin);
    stats.draw[i] = stats.frame[i] - ms(stats.stepEnd - stats.stepBegin);
    stats.cpu[i] = cpuEnd - stats.cpuBegin;
    if (stats.count < stats.wanted) return;
    const int n = stats.count;
    const double wall = ms(end - stats.firstMeasured) * 1e-3;
    consolePrintf("Frame stats over %d frames (medians): draw %.3f ms, step %.3f ms, frame %.3f ms, cpu %.3f ms; "
                  "%.3f simulated s per wall s; %d simulation threads, %d of them beside the drawing\n",
                  n, median(stats.draw, n), median(stats.step, n), median(stats.frame, n), median(stats.cpu, n),
                  wall > 0.0 ? stats.simulated / wall : 0.0, simulationThreads(), stepThreadsWhileDrawing());
    stats.reported = true;
}
