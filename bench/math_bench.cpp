#include <benchmark/benchmark.h>

#include "math/mat4.h"

static void BM_multiply(benchmark::State& state)
{
    Mat4 a = identity();
    rotate(a, 0.3, Vec3{0.2, 0.9, 0.1, 0});
    Mat4 b = translation(Vec3{1.0, 2.0, 3.0, 0});
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        Mat4 c = multiply(a, b);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_multiply);

static void BM_transformPoint(benchmark::State& state)
{
    Mat4 a = identity();
    rotate(a, 0.3, Vec3{0.2, 0.9, 0.1, 0});
    Vec3 p{1.0, 2.0, 3.0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(p);
        Vec3 q = transformPoint(a, p);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_transformPoint);
