#include <benchmark/benchmark.h>

#include <cmath>

#include "math/tube_geometry.h"

namespace {

// Sums what drawTube would hand to GL, so the ring maths cannot be dropped.
struct SumSink {
    double sum = 0.0;
    void beginStrip() {}
    void vertex(const Vec3& n, double u, double v, const Vec3& p) { sum += n.x + u + v + p.y; }
    void endStrip() {}
};

// A gently curving 10-point branch, the typical centre line of the tree.
void makeBranch(Vec3* points, double* radii)
{
    for (int k = 0; k < 10; ++k) {
        points[k] = {0.1 * std::sin(0.4 * k), 0.5 * k, 0.05 * k * k, 0};
        radii[k] = 0.2 - 0.015 * k;
    }
}

void BM_traceTube(benchmark::State& state)
{
    Vec3 points[10];
    double radii[10];
    makeBranch(points, radii);
    const int sides = static_cast<int>(state.range(0));
    for (auto _ : state) {
        SumSink sink;
        traceTube(10, points, radii, sides, sink);
        benchmark::DoNotOptimize(sink.sum);
    }
    state.SetItemsProcessed(state.iterations() * 9); // segments
}

} // namespace

BENCHMARK(BM_traceTube)->Arg(16)->Arg(8)->Arg(3);
