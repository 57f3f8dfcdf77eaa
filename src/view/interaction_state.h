// What the keys, the menu and the drags do to the view and wind settings,
// without GLUT: the app binds ControlState to its globals, tests to locals.
#pragma once
#include <cstdint>
#include <string>

#include "math/mat4.h"
#include "view/interaction_mode.h"
#include "wind/wind_driver.h"

// References to the settings the input handlers change.
struct ControlState {
    double& windMagnitude;     // overlay figure and simulation input
    bool& galeMode;            // true: moderate gale, false: light breeze
    bool& showShadows;         // planar shadow pass on
    bool& skeletonView;        // skeleton instead of bark and leaves
    InteractionMode& interactionMode; // what a drag moves
    Mat4& windRotation;        // drag targets, OpenGL order
    Mat4& treeRotation;
    Mat4& lightRotation;
    Mat4& dragBase;            // target at the start of the drag series
    bool& realtime;            // steps follow the wall clock
};

enum class KeyResult { Ignored, Handled, Exit };

// Mouse position to manipulator input: 0.33 times the window coordinates,
// y measured up from the bottom edge.
float dragInputX(int x);
float dragInputY(int y, int windowHeight);

// out = drag * base in OpenGL order: the drag acts after the base.
Mat4 composeDrag(const Mat4& drag, const Mat4& base);
// Matrix a drag edits in the current mode; nullptr for a value no mode has.
Mat4* dragTarget(ControlState& state);

// Commits the drag so far to the current target: target := drag * dragBase;
// a release also makes that the new dragBase. False for a value no mode has.
bool applyDrag(ControlState& state, const Mat4& drag, bool release);

// Manipulator chosen by the modifiers held at the press: Shift alone zooms,
// Ctrl alone pans, anything else rotates.
enum class DragKind { Rotate, Pan, Zoom };
DragKind dragKindFor(bool shift, bool ctrl, bool otherModifier);
// New manipulator of that kind (owned by the caller); the arcball takes the window size.
class Transformer;
Transformer* createTransformer(DragKind kind, int windowWidth, int windowHeight);

// Esc gives Exit; 'p', 's', 'r', 't' (either case) and space change the state.
KeyResult applyKey(ControlState& state, unsigned char key);
// Menu values: 0 flips the regime, 1..3 choose the interaction mode of that
// value; false for any other value (state untouched).
bool applyMenu(ControlState& state, int value);
// Left/Right arrow: +-5 within [50, 800], tested before the step, in double.
void stepWindMagnitude(double& magnitude, bool increase);

// '1'..'5' ease from time t (seconds, the next step's) to calm, breeze, gale,
// strong-gale, storm; 'g' or 'G' turns the default gusts on or off. A constant
// wind becomes a schedule first. Other keys are Ignored and change nothing.
// Before a key, the menu or a drag sets the wind directly, endSchedule
// (wind/wind_driver.h) ends a playing schedule, its state at t staying.
KeyResult applyWindKey(WindDriver& wind, unsigned char key, double t);

// Capture files: frames 0..kCaptureFrameLimit-1 under kCaptureDirectory.
constexpr int kCaptureFrameLimit = 800;
constexpr const char* kCaptureDirectory = "./image";
std::string captureFilePath(int frame);
