#include "app/display.h"

#include <GL/glut.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/capture.h"
#include "app/frame_stats.h"
#include "batch/draw_batches.h"
#include "dynamics/simulation.h"
#include "dynamics/step_thread.h"
#include "render/frame_draw.h"
#include "view/frame_rate.h"
#include "view/overlay_text.h"
#include "view/realtime_pacing.h"

namespace {
StepThread stepper; // runs the frame's steps while its arrays are drawn
}

void display()
{
    frameStatsBegin();
    beginFrame(scene, view);
    fillViewBatches(batches, scene, view);
    // The overlay reads the scene: its lines are made before the step starts.
    std::vector<std::string> lines;
    if (!view.capturing) {
        updateFps();
        lines = overlayLines(view.fps, scene.tree.triangleCount, view.galeMode,
                             static_cast<double>(view.windMagnitude), view.capturing, view.realtime);
    }
    // One step per frame by default; in real time as many as the wall clock
    // has paid for (often none on a fast machine: the frame shows the last step).
    int steps = 1;
    if (view.realtime)
        steps = paceSteps(view.pacer, secondsSinceStart(), kTimeStep);
    else
        view.pacer = {}; // the clock restarts when real time is switched on
    // The textured view draws from the arrays alone, so the steps run
    // meanwhile; the skeleton view draws from the scene and steps after.
    const bool stepWhileDrawing = !view.skeletonView;
    if (stepWhileDrawing) stepper.start(scene, steps, kTimeStep);
    drawFrame(scene, assets, batches, view);
    for (size_t i = 0; i < lines.size(); ++i)
        drawText(lines[i].c_str(), 0.02f, 0.95f - 0.05f * static_cast<float>(i));
    glFlush(); // the rasteriser starts on the frame
    frameStatsStepBegin();
    double stepMs = 0.0;
    if (stepWhileDrawing) {
        stepMs = stepper.wait();
    } else {
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < steps; ++i) simulateStep(scene, kTimeStep);
        stepMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    }
    frameStatsStepEnd(steps * kTimeStep, stepMs);
    if (view.capturing) captureFrame();

    glFinish();
    glutSwapBuffers();
    frameStatsEnd();
    glutPostRedisplay();
}

void drawText(const char* text, float x, float y)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2f(x, y);
    for (const char* c = text; *c; ++c) glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, *c);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);
}

void updateFps() { countFrame(view.fpsCounter, secondsSinceStart(), view.fps); }
