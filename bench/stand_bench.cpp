// A stand's step against one tree's, in one run on the same cores: N trees of
// the default tree, each stepped by a worker of the stand's pool, 10 steps
// per iteration. Linear in trees means 16 trees cost about 16 times one
// (the target: at most 17 times), since each tree alone keeps one core busy.
#include <benchmark/benchmark.h>

#include <arborvane/arborvane.h>

#include <string>

#include "api/scene_access.h"
#include "data_constants/data_folder.h"

namespace {

void BM_standStep(benchmark::State& state)
{
    const int trees = static_cast<int>(state.range(0));
    arborvane::Stand stand;
    for (int k = 0; k < trees; ++k)
        if (!stand.addTree(kDefaultDataDir, {6.0 * (k % 4), 0.0, 6.0 * (k / 4)}, 1 + k)) {
            state.SkipWithError("generated data missing");
            return;
        }
    stand.setWind({arborvane::WindRegime::gale, 500.0, {1.0, 0.0, 0.2}});
    for (auto _ : state) stand.step(10);
    state.SetLabel(std::to_string(trees) + " trees x 10 steps");
    state.counters["tree_steps"] =
        benchmark::Counter(static_cast<double>(trees) * 10.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_standStep)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

// Four trees over a lawn of extent x 100 (0: the first tree's field alone,
// 70: 24 tiles of it, 160: 54): what the grown lawn adds to a stand's step.
void BM_standLawnStep(benchmark::State& state)
{
    const double extent = static_cast<double>(state.range(0));
    arborvane::Stand stand;
    if (extent > 0.0) stand.setLawn({extent, 100.0});
    for (int k = 0; k < 4; ++k)
        if (!stand.addTree(kDefaultDataDir, {12.0 * k - 12.0, 0.0, 40.0 * k}, 1 + k)) {
            state.SkipWithError("generated data missing");
            return;
        }
    for (std::size_t k = 1; k < 4; ++k) arborvane::SceneAccess::dropGrass(stand, k); // as the programs do
    stand.setWind({arborvane::WindRegime::gale, 500.0, {1.0, 0.0, 0.2}});
    for (auto _ : state) stand.step(10);
    state.SetLabel(std::to_string(stand.tree(0).grassBladeCount()) + " blades, 4 trees x 10 steps");
}
BENCHMARK(BM_standLawnStep)->Arg(0)->Arg(70)->Arg(160)->Unit(benchmark::kMillisecond)->UseRealTime();
