#include <benchmark/benchmark.h>

#include "batch/draw_batches.h"
#include "view/view_state.h"
#include "../tests/motion_scene.h"

namespace {

// The generated scene under ./data (run from the build directory), or the
// synthetic one of the same size when it is missing.
Scene& fullScene()
{
    static std::unique_ptr<Scene> scene = [] {
        auto s = motion_scene::makeScene();
        if (!motion_scene::loadGeneratedScene(*s)) {
            s = motion_scene::makeScene();
            motion_scene::buildScene(*s);
        }
        return s;
    }();
    return *scene;
}

// Per frame, textured view: bark, grass, blades (sorted by side) and petioles.
void BM_fillSceneBatches(benchmark::State& state)
{
    const Scene& scene = fullScene();
    DrawBatches batches;
    sizeDrawBatches(batches, scene);
    const Vec3 eye{0.0, 6.5, 28.0, 0};
    for (auto _ : state) {
        fillSceneBatches(batches, scene, &eye);
        benchmark::DoNotOptimize(batches.lowerIndices.data());
    }
}
BENCHMARK(BM_fillSceneBatches)->Unit(benchmark::kMillisecond);

// Per frame with shadows on: branch, leaf and grass shadows.
void BM_fillShadowBatches(benchmark::State& state)
{
    const Scene& scene = fullScene();
    DrawBatches batches;
    sizeDrawBatches(batches, scene);
    for (auto _ : state) {
        fillShadowBatches(batches, scene, {-10.0, 12.0, 5.0, 0});
        benchmark::DoNotOptimize(batches.leafOutlines.data());
    }
}
BENCHMARK(BM_fillShadowBatches)->Unit(benchmark::kMillisecond);

// The whole frame's arrays in one pass over the pool, as the front-ends fill them.
void BM_fillFrameBatches(benchmark::State& state)
{
    const Scene& scene = fullScene();
    DrawBatches batches;
    sizeDrawBatches(batches, scene);
    ViewState view; // shadows on
    // The window's camera: from (0, 2, 12) towards (0, 2, 0), a translation.
    view.cameraView.m[13] = -2.0;
    view.cameraView.m[14] = -12.0;
    for (auto _ : state) {
        fillViewBatches(batches, scene, view);
        benchmark::DoNotOptimize(batches.lowerIndices.data());
    }
}
BENCHMARK(BM_fillFrameBatches)->Unit(benchmark::kMillisecond);

} // namespace
