// The frame loop's vertex arrays in two sets: while the caller draws one, the
// step thread steps the scene and then begins the next frame and fills the
// other set, so neither the step nor the filling waits for the drawing. A
// frame still shows the state before its step, and the arrays are what
// fillViewBatches makes, byte for byte. The skeleton view draws from the
// scene itself, so there the frame fills, draws and then steps in turn.
#pragma once
#include "batch/draw_batches.h"
#include "frame/step_thread.h"
#include "view/view_state.h"

struct Scene;

struct FramePipeline {
    DrawBatches sets[2];     // this frame's arrays and the next frame's
    int drawn = 0;           // index of this frame's set
    bool prepared = false;   // sets[drawn] and the grass shading are ready for the scene's present state
    ViewState preparedFor;   // the view they were made from; a copy, as the step thread reads it
    StepThread stepper;      // steps, then prepares the next frame
    Scene* scene = nullptr;  // of the running request
    bool threaded = false;   // the running request is on the step thread
    int pendingSteps = 0;    // skeleton view: steps to take once drawn
    double timeStep = 0.0;   // seconds per step of the running request
};

// Sizes both sets for the loaded scene (start-up, as sizeDrawBatches).
void sizeFramePipeline(FramePipeline& pipeline, const Scene& scene);

// Starts a frame, the one way the window, the recorder and the tests do:
// a wind drag sets the view's wind direction, the view's wind drives the
// scene's, the grass is shaded for the light, and this frame's arrays are
// returned, ready to draw (with the wind of the moment they show). What the last frame
// prepared is used unless the view has changed since (input between frames):
// then they are filled again for the present view.
const DrawBatches& startFrame(FramePipeline& pipeline, Scene& scene, ViewState& view);

// Starts the frame's steps: in the textured view on the step thread, which
// then prepares the next frame from the view given to startFrame.
// Until finishPipelinedFrame nothing may touch the scene but the skeleton
// view's drawing.
void startPipelinedSteps(FramePipeline& pipeline, Scene& scene, int steps, double timeStep);

// Waits for the step thread (or, in the skeleton view, takes the steps now)
// and turns the sets over; returns the steps' own time in milliseconds.
double finishPipelinedFrame(FramePipeline& pipeline);
