// Independent simulations side by side: N of them, each on one thread of its
// own with single-thread workers, 20 steps each per iteration. With no shared
// lock, two on two cores take about as long as one.
#include <benchmark/benchmark.h>

#include <arborvane/arborvane.h>

#include <memory>
#include <thread>
#include <vector>

#include "data_constants/data_folder.h"

namespace {

void BM_simulationsAtOnce(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::vector<std::unique_ptr<arborvane::Simulation>> sims;
    for (int i = 0; i < count; ++i) {
        sims.push_back(std::make_unique<arborvane::Simulation>(arborvane::Workers{1}));
        if (!sims.back()->open(kDefaultDataDir) || !sims.back()->setUp(1 + i)) {
            state.SkipWithError("generated data missing");
            return;
        }
    }
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int i = 1; i < count; ++i) threads.emplace_back([&, i] { sims[i]->step(20); });
        sims[0]->step(20);
        for (std::thread& t : threads) t.join();
    }
    state.SetLabel(std::to_string(count) + " simulations x 20 steps, one thread each");
}
BENCHMARK(BM_simulationsAtOnce)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
