#include "frame/step_thread.h"

#include <chrono>

#include "dynamics/simulation.h"
#include "platform/work_pool.h"

int stepThreadsWhileDrawing()
{
    const int all = simulationThreads();
    return all > 1 ? all - 1 : 1;
}

void StepThread::start(Scene& scene, int steps, double timeStep, void (*then)(void*), void* context)
{
    if (steps <= 0 && then == nullptr) return;
    wait();
    scene_ = &scene;
    steps_ = steps;
    timeStep_ = timeStep;
    then_ = then;
    context_ = context;
    running_ = true;
    task_.start(&StepThread::run, this);
}

double StepThread::wait()
{
    if (!running_) return 0.0;
    task_.wait();
    running_ = false;
    return elapsedMs_;
}

void StepThread::run(void* self)
{
    StepThread& t = *static_cast<StepThread*>(self);
    // One core is busy drawing while these steps run: leave it to the drawing.
    work_pool::limitCallingThread(stepThreadsWhileDrawing());
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < t.steps_; ++i) simulateStep(*t.scene_, t.timeStep_);
    t.elapsedMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    if (t.then_) t.then_(t.context_);
}
