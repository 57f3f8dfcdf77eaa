// consumer DATA_DIR: runs the fixed 100 steps through the installed library,
// prints the version and the state hash, and fails unless the tree top moved
// and the hash is the committed one.
#include <arborvane/arborvane.h>

#include <cinttypes>
#include <cstdio>

#include "state_hash.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: consumer DATA_DIR\n");
        return 2;
    }
    arborvane::Simulation sim;
    arborvane::LoadSummary summary;
    arborvane::Result r = sim.open(argv[1], &summary);
    if (r) r = sim.setUp(consumer::kSeed);
    if (r) r = sim.setWind({arborvane::WindRegime::gale, 400.0, {1.0, 0.0, 0.0}});
    const arborvane::Point3 before = consumer::treeTop(sim);
    if (r) r = sim.step(consumer::kSteps);
    if (!r) {
        std::fprintf(stderr, "consumer: %s\n", r.message.c_str());
        return 1;
    }
    const arborvane::Point3 after = consumer::treeTop(sim);
    const std::uint64_t hash = consumer::stateHash(sim);
    std::printf("arborvane %s: %zu branches, %zu blades; top (%.4f, %.4f, %.4f) -> (%.4f, %.4f, %.4f); hash %016" PRIx64 "\n",
                arborvane::version(), summary.branches, summary.grassBlades, before.x, before.y, before.z, after.x,
                after.y, after.z, hash);
    if (before.x == after.x && before.z == after.z) {
        std::fprintf(stderr, "consumer: the tree top did not move\n");
        return 1;
    }
    if (hash != consumer::kGoldenStateHash) {
        std::fprintf(stderr, "consumer: hash %016" PRIx64 ", expected %016" PRIx64 "\n", hash, consumer::kGoldenStateHash);
        return 1;
    }
    return 0;
}
