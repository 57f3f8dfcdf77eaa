#include "app/input.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/capture.h"
#include "dynamics/simulation.h"
#include "platform/platform.h"
#include "view/interaction_state.h"
#include "view/transformer.h"

// The settings the handlers change, bound to the app's globals.
static ControlState controls()
{
    return {view.wind.constant.magnitude, view.wind.constant.gale, view.showShadows, view.skeletonView, view.interactionMode,
            view.windRotation,  view.treeRotation, view.lightRotation, view.dragBase,
            view.realtime};
}

// The next step's simulated time; the step thread is idle between frames, when input arrives.
static double nextStepTime() { return static_cast<double>(scene.stepsTaken) * kTimeStep; }

// A wind drag, p, Left/Right and the menu's regime set the wind directly: a playing schedule ends first.
static void endPlayingSchedule()
{
    endSchedule(view.wind, nextStepTime());
}

// A value GLUT or the menu never gives, or a mode nothing sets: no way on.
[[noreturn]] static void stopOnImpossible(const char* what, int value)
{
    std::fprintf(stderr, "arborvane: impossible %s %d; stopping\n", what, value);
    std::exit(1);
}

static void stopOnImpossibleMode() { stopOnImpossible("interaction mode", static_cast<int>(view.interactionMode)); }

Mat4 composeWithBase(const Mat4& drag, const Mat4& base) { return composeDrag(drag, base); }

void storeDragTarget(const Mat4& m)
{
    ControlState state = controls();
    Mat4* target = dragTarget(state);
    if (!target) stopOnImpossibleMode();
    *target = m;
}

void reshape(int width, int height)
{
    if (dragManipulator) dragManipulator->resize(width, height);
    applyWindowSize(view, width, height);
}

void onMouse(int button, int state, int x, int y)
{
    if (button != GLUT_LEFT_BUTTON) return;
    const float fx = dragInputX(x);
    const float fy = dragInputY(y, view.windowHeight);
    if (state == GLUT_DOWN) {
        const int mods = glutGetModifiers();
        const DragKind kind = dragKindFor((mods & GLUT_ACTIVE_SHIFT) != 0, (mods & GLUT_ACTIVE_CTRL) != 0,
                                          (mods & ~(GLUT_ACTIVE_SHIFT | GLUT_ACTIVE_CTRL)) != 0);
        if (view.interactionMode == InteractionMode::windDirection) endPlayingSchedule();
        dragManipulator.reset(createTransformer(kind, view.windowWidth, view.windowHeight));
        dragManipulator->begin(fx, fy);
    } else if (state == GLUT_UP) {
        ControlState s = controls();
        if (!applyDrag(s, dragManipulator->transform(fx, fy), true)) stopOnImpossibleMode();
    } else {
        stopOnImpossible("mouse button state", state);
    }
}

void onMotion(int x, int y)
{
    ControlState s = controls();
    if (!applyDrag(s, dragManipulator->transform(dragInputX(x), dragInputY(y, view.windowHeight)), false))
        stopOnImpossibleMode();
    glutPostRedisplay();
}

void onMenu(int value)
{
    if (value == 0) endPlayingSchedule();
    ControlState s = controls();
    if (!applyMenu(s, value)) stopOnImpossible("menu value", value);
}

void onKey(unsigned char key, int, int)
{
    if (applyWindKey(view.wind, key, nextStepTime()) == KeyResult::Handled) return;
    if (key == 'p' || key == 'P') endPlayingSchedule();
    ControlState s = controls();
    if (applyKey(s, key) == KeyResult::Exit) std::exit(0);
}

void onSpecialKey(int key, int, int)
{
    switch (key) {
    case GLUT_KEY_F10:
        if (view.fullScreen) {
            glutPositionWindow(4, 35);
            glutReshapeWindow(800, 600);
            view.fullScreen = false;
        } else {
            glutPositionWindow(0, 0);
            glutFullScreen();
            view.fullScreen = true;
        }
        break;
    case GLUT_KEY_LEFT:
        endPlayingSchedule();
        stepWindMagnitude(view.wind.constant.magnitude, false);
        break;
    case GLUT_KEY_RIGHT:
        endPlayingSchedule();
        stepWindMagnitude(view.wind.constant.magnitude, true);
        break;
    case GLUT_KEY_F1:
        view.capturing = !view.capturing;
        if (view.capturing) {
            view.captureFrameNumber = 0;
            consolePrintf("Starting capture...\n");
            startCaptureRun();
        } else {
            consolePrintf("Stoping capture...\n");
        }
        break;
    default:
        break;
    }
}
