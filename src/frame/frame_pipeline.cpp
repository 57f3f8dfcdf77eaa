#include "frame/frame_pipeline.h"

#include <chrono>

#include "dynamics/simulation.h"
#include "grass/grass_shade.h"
#include "scene/scene.h"

namespace {

// A frame begun afresh: the view's wind drives the scene's, the grass is
// shaded for this frame's light.
void beginFrame(Scene& scene, const ViewState& view)
{
    applyViewInput(scene, view);
    shadeGrass(scene.shade, scene.grass, scene.tree, currentLight(view), view.showShadows);
}

// On the step thread, after the steps: the start of the next frame, from the
// copy of this frame's view; the input was given when this frame started.
void prepareNextFrame(void* context)
{
    FramePipeline& p = *static_cast<FramePipeline*>(context);
    const ViewState& view = p.preparedFor;
    shadeGrass(p.scene->shade, p.scene->grass, p.scene->tree, currentLight(view), view.showShadows);
    fillViewBatches(p.sets[1 - p.drawn], *p.scene, view);
}

} // namespace

void sizeFramePipeline(FramePipeline& pipeline, const Scene& scene)
{
    sizeDrawBatches(pipeline.sets[0], scene);
    sizeDrawBatches(pipeline.sets[1], scene, pipeline.sets[0].fixed); // one copy of what never changes
}

const DrawBatches& startFrame(FramePipeline& p, Scene& scene, ViewState& view)
{
    followWindRotation(view);
    if (!p.prepared) {
        beginFrame(scene, view);
        fillViewBatches(p.sets[p.drawn], scene, view);
    } else if (!sameFrameView(view, p.preparedFor)) {
        // The grass colours were eased from last frame's grid, which no input
        // changes; the grid the next frame eases from follows a new light or
        // shadow flag at once, as in a frame begun now.
        applyViewInput(scene, view);
        if (!sameLighting(view, p.preparedFor)) remarkShadeGrid(scene.shade, scene.tree, currentLight(view), view.showShadows);
        fillViewBatches(p.sets[p.drawn], scene, view);
    }
    p.prepared = true;
    p.preparedFor = view;
    return p.sets[p.drawn];
}

void startPipelinedSteps(FramePipeline& p, Scene& scene, int steps, double timeStep)
{
    p.scene = &scene;
    p.timeStep = timeStep;
    p.threaded = !p.preparedFor.skeletonView;
    if (p.threaded) {
        p.pendingSteps = 0;
        p.stepper.start(scene, steps, timeStep, prepareNextFrame, &p);
    } else {
        p.pendingSteps = steps;
    }
}

double finishPipelinedFrame(FramePipeline& p)
{
    if (p.threaded) {
        const double ms = p.stepper.wait();
        p.threaded = false;
        p.drawn = 1 - p.drawn;
        p.prepared = true;
        return ms;
    }
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < p.pendingSteps && p.scene; ++i) simulateStep(*p.scene, p.timeStep);
    p.pendingSteps = 0;
    p.prepared = false; // the next frame begins afresh
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
}
