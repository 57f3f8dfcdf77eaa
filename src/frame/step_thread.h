// Runs simulation steps on a thread of its own, so a front-end can draw the
// frame it has already put into its vertex arrays while the scene moves on to
// the next step. Nothing may read or write the scene between start and wait.
#pragma once
#include "platform/background_task.h"

struct Scene;

// Threads the steps of a StepThread use: one fewer than the simulation's,
// at least one, as the caller is drawing meanwhile.
int stepThreadsWhileDrawing();

class StepThread {
public:
    // Starts `steps` steps of timeStep on scene and returns at once; then,
    // on the same thread, runs then(context) when given (work that needs
    // the new state). Waits first for a request still running.
    void start(Scene& scene, int steps, double timeStep, void (*then)(void*) = nullptr, void* context = nullptr);
    // Blocks until the started request is done; returns the steps' own wall
    // time in milliseconds (then() not counted), 0 when nothing was started.
    double wait();

private:
    static void run(void* self);

    Scene* scene_ = nullptr;         // scene of the request
    int steps_ = 0;                  // steps requested
    double timeStep_ = 0.0;          // seconds per step
    void (*then_)(void*) = nullptr;  // run after the steps, may be null
    void* context_ = nullptr;        // handed to then_
    bool running_ = false;           // a request is out and not yet waited for
    double elapsedMs_ = 0.0;         // wall time of the last request's steps
    BackgroundTask task_;            // last member: its thread ends before the fields it reads
};
