#include <benchmark/benchmark.h>

#include "wind/wind_schedule.h"

// One step's wind from a keyed schedule with default gusts and a veer: the
// per-step cost every front-end pays.
static void BM_evaluateWind(benchmark::State& state)
{
    WindSchedule s = constantSchedule({true, 0.0, {1, 0, 0, 0}});
    s.keys.push_back({4.0, {true, 600.0, {0.9, 0.0, 0.4, 0}}});
    s.keys.push_back({9.0, {true, 800.0, {0.9, 0.0, 0.4, 0}}});
    setGusts(s, kDefaultGusts);
    s.veer = {true, 15.0, 20.0};
    int step = 0;
    for (auto _ : state) {
        const WindSettings w = evaluateWind(s, (step++ % 4000) * 0.05);
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_evaluateWind);

// The keyed easing alone.
static void BM_keyedWind(benchmark::State& state)
{
    WindSchedule s = constantSchedule({true, 0.0, {1, 0, 0, 0}});
    s.keys.push_back({4.0, {true, 600.0, {0.0, 0.0, 1.0, 0}}});
    int step = 0;
    for (auto _ : state) {
        const WindSettings w = keyedWind(s, (step++ % 100) * 0.05);
        benchmark::DoNotOptimize(w);
    }
}
BENCHMARK(BM_keyedWind);
