// The simulation step on the full scene: 322 branches, 1932 leaves, 5000
// blades. Runs from the build directory on the generated data, or on a
// synthetic scene of the same size when the data or a loader is missing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "../tests/motion_scene.h"
#include "dynamics/branch_dynamics.h"
#include "dynamics/grass_dynamics.h"
#include "dynamics/rest_state.h"
#include "dynamics/simulation.h"
#include "wind/wind_driver.h"
#include "wind/wind_schedule_file.h"

namespace {

struct BenchScene {
    std::unique_ptr<Scene> model = motion_scene::makeScene();
    bool generated = false;
};

BenchScene& scene()
{
    static BenchScene* s = [] {
        auto* made = new BenchScene;
        made->generated = motion_scene::loadGeneratedScene(*made->model);
        if (!made->generated) {
            made->model = motion_scene::makeScene();
            motion_scene::buildScene(*made->model);
        }
        std::fprintf(stderr, "scene: %s, %d branches, %d blades\n", made->generated ? "generated data" : "synthetic",
                     made->model->tree.branchCount, made->model->grass.bladeCount);
        // Let the motion develop before measuring.
        made->model->input = {{true, 400.0, Vec3{1, 0, 0, 0}}, true};
        for (int i = 0; i < 200; ++i) simulateStep(*made->model, kTimeStep);
        return made;
    }();
    return *s;
}

const Vec3 kWind{1.0, 0.0, 0.0, 0};

// Scene kind and the simulation's thread count (ARBORVANE_THREADS, else one per core).
void label(benchmark::State& state)
{
    state.SetLabel(std::string(scene().generated ? "generated" : "synthetic") + ", " +
                   std::to_string(simulationThreads()) + " threads");
    state.counters["threads"] = simulationThreads();
}

void BM_stepGale400(benchmark::State& state)
{
    Scene& m = *scene().model;
    m.input = {{true, 400.0, kWind}, true};
    for (auto _ : state) simulateStep(m, kTimeStep);
    label(state);
}
BENCHMARK(BM_stepGale400)->Unit(benchmark::kMicrosecond);

void BM_stepBreeze(benchmark::State& state)
{
    Scene& m = *scene().model;
    m.input = {{false, 400.0, kWind}, true};
    for (auto _ : state) simulateStep(m, kTimeStep);
    label(state);
}
BENCHMARK(BM_stepBreeze)->Unit(benchmark::kMicrosecond);

// The same step with the plain formulas, for the gain of the fast arithmetic.
void BM_stepGale400Plain(benchmark::State& state)
{
    Scene& m = *scene().model;
    m.input = {{true, 400.0, kWind}, true};
    for (auto _ : state) simulateStep(m, kTimeStep, Arithmetic::Plain);
    label(state);
}
BENCHMARK(BM_stepGale400Plain)->Unit(benchmark::kMicrosecond);

// A gusty gale from a schedule, with fronts (arg 1: keys and gusts at
// 6 units/s, a table of a few thousand rows over the lawn) or without (0).
void BM_stepScheduledGale(benchmark::State& state)
{
    Scene& m = *scene().model;
    const std::string fronts = state.range(0) ? R"(, "front_speed": 6)" : "";
    WindSchedule schedule;
    std::string error;
    if (!parseWindSchedule(R"({"keys": [{"time": 0, "preset": "strong-gale"}], "gusts": {"every": 3, "strength": 1,
        "rise": 0.5, "fall": 1)" + fronts + "}" + fronts + "}",
                           "bench", schedule, error))
        state.SkipWithError(error.c_str());
    driveWind(m, scheduledWind(schedule));
    for (auto _ : state) simulateStep(m, kTimeStep);
    state.counters["rows"] = static_cast<double>(m.fronts.rows.size());
    driveWind(m, WindDriver{}); // the others' constant wind again
    label(state);
}
BENCHMARK(BM_stepScheduledGale)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_restore(benchmark::State& state)
{
    Scene& m = *scene().model;
    for (auto _ : state) restoreRestState(m);
}
BENCHMARK(BM_restore)->Unit(benchmark::kMicrosecond);

// Each pass runs on restored geometry; subtract BM_restore for the pass alone.
void BM_branchesWithLeaves(benchmark::State& state)
{
    Scene& m = *scene().model;
    const WindInput wind = makeWindInput(true, 400.0, kWind);
    for (auto _ : state) {
        restoreRestState(m);
        moveBranches(m.tree, m.wind, wind, kTimeStep);
    }
}
BENCHMARK(BM_branchesWithLeaves)->Unit(benchmark::kMicrosecond);

void BM_grass(benchmark::State& state)
{
    Scene& m = *scene().model;
    const WindInput wind = makeWindInput(true, 400.0, kWind);
    for (auto _ : state) {
        restoreRestState(m);
        moveGrass(m.grass, m.wind, wind, kTimeStep);
    }
}
BENCHMARK(BM_grass)->Unit(benchmark::kMicrosecond);

void BM_refine(benchmark::State& state)
{
    Scene& m = *scene().model;
    for (auto _ : state) {
        restoreRestState(m);
        refineBranches(m.tree, m.scratch);
    }
}
BENCHMARK(BM_refine)->Unit(benchmark::kMicrosecond);

void BM_advanceCursors(benchmark::State& state)
{
    Scene& m = *scene().model;
    for (auto _ : state) {
        advanceWindCursors(m.wind);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_advanceCursors);

void BM_sampleNoise(benchmark::State& state)
{
    const NoiseField& f = scene().model->wind.u;
    double a = 0.3, b = 0.6, c = 0.2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(sampleNoise(f, a, b, c));
    }
}
BENCHMARK(BM_sampleNoise);

} // namespace
