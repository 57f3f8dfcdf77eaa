#include "dynamics/step_thread.h"

#include <chrono>
#include "platform/work_pool.h"

#include "dynamics/simulation.h"

int stepThreadsWhileDrawing()
{
    const int all = simulationThreads();
    return all > 1 ? all - 1 : 1;
}

StepThread::~StepThread()
{
    if (!thread_.joinable()) return;
    wait();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void StepThread::start(Scene& scene, int steps, double timeStep, void (*then)(void*), void* context)
{
    if (steps <= 0 && then == nullptr) return;
    if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        scene_ = &scene;
        steps_ = steps;
        timeStep_ = timeStep;
        then_ = then;
        context_ = context;
        running_ = true;
        done_ = false;
    }
    changed_.notify_all();
}

double StepThread::wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!running_) return 0.0;
    changed_.wait(lock, [this] { return done_; });
    running_ = false;
    return elapsedMs_;
}

void StepThread::loop()
{
    // One core is busy drawing while these steps run: leave it to the drawing.
    work_pool::limitCallingThread(stepThreadsWhileDrawing());
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || (running_ && !done_); });
        if (quit_) return;
        Scene& scene = *scene_;
        const int steps = steps_;
        const double timeStep = timeStep_;
        void (*then)(void*) = then_;
        void* context = context_;
        lock.unlock();
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < steps; ++i) simulateStep(scene, timeStep);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        if (then) then(context);
        lock.lock();
        elapsedMs_ = ms;
        done_ = true;
        changed_.notify_all();
    }
}
