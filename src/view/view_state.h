// The window's view of the scene: window size, camera, the drag rotations,
// interaction mode, flags, capture state and the frame-rate figure. GL-free;
// the window program owns one, the recorder fills one from its flags, and
// drawing reads it as const.
#pragma once
#include <cstdint>

#include "math/mat4.h"
#include "view/frame_rate.h"
#include "view/interaction_mode.h"
#include "view/realtime_pacing.h"
#include "wind/wind_driver.h"

struct Scene;

struct ViewState {
    int32_t windowWidth = 800;              // current window size, pixels
    int32_t windowHeight = 600;
    double nearPlane = 0.1;                 // perspective clipping distances, model units
    double farPlane = 200.0;
    Vec3 cameraEye{0.0, 2.0, 12.0, 0};      // eye of the fixed camera, looking at (0, 2, 0)
    Vec3 lightColour{1.0, 1.0, 1.0, 0};     // diffuse and specular colour
    Mat4 projectionMatrix = identity();     // OpenGL order
    Mat4 cameraView = identity();           // OpenGL order
    Mat4 windRotation = identity();         // drag targets, OpenGL order
    Mat4 treeRotation = identity();
    Mat4 lightRotation = identity();
    Mat4 dragBase = identity();             // target at the start of the drag series
    InteractionMode interactionMode = InteractionMode::tree; // what a drag moves
    WindDriver wind;                        // the wind chosen: constant (keys, menu, drags) or a schedule (--wind, --wind-preset, --gusts, keys 1-5 and g)
    bool showShadows = true;                // planar shadow pass on (and centre lines refined)
    bool skeletonView = false;              // translucent skeleton instead of bark and leaves
    bool capturing = false;                 // frame capture running
    bool fullScreen = false;                // window in full-screen mode
    bool realtime = false;                  // steps follow the wall clock instead of one per frame
    RealtimePacer pacer;                    // wall time banked for real-time steps
    int32_t captureFrameNumber = 0;         // next captured frame
    float fps = 0.0f;                       // overlay frame rate
    FrameRateCounter fpsCounter;            // frames and time since the last rate update
};

// The tree stands this far below the origin of treeRotation, model units.
constexpr double kTreeDrop = 4.5;

// The light of this frame: lightRotation applied to the rest position.
Vec3 currentLight(const ViewState& view);

// Tree space to eye space, OpenGL order: cameraView, treeRotation, then the drop.
Mat4 treeModelview(const ViewState& view);

// In interaction mode windDirection the constant wind's direction follows windRotation, unless a schedule plays.
void followWindRotation(ViewState& view);
// The view's wind (constant or schedule) drives the scene's; its shadow flag is the next step's refinement.
void applyViewInput(Scene& scene, const ViewState& view);
// Whether two views draw the same picture of the same scene and give the
// step the same input (drags in progress, frame rate and capture aside).
bool sameFrameView(const ViewState& a, const ViewState& b);
// Whether two views light the scene alike: the light and the shadow flag.
bool sameLighting(const ViewState& a, const ViewState& b);
