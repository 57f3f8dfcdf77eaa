#include "app/display.h"

#include <GL/glut.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/capture.h"
#include "app/frame_stats.h"
#include "app/stand_window.h"
#include "dynamics/simulation.h"
#include "render/frame_draw.h"
#include "view/frame_rate.h"
#include "view/overlay_text.h"
#include "view/realtime_pacing.h"

int overlayAndSteps(int triangles, const WindSettings& wind, std::vector<std::string>& lines)
{
    if (!view.capturing) {
        updateFps();
        lines = overlayLines({.fps = view.fps,
                              .triangles = triangles,
                              .gale = wind.gale,
                              .magnitude = wind.magnitude,
                              .capturing = view.capturing,
                              .realtime = view.realtime});
    }
    // One step per frame by default; in real time as many as the wall clock
    // has paid for (often none on a fast machine: the frame shows the last step).
    if (view.realtime) return paceSteps(view.pacer, secondsSinceStart(), kTimeStep);
    view.pacer = {}; // the clock restarts when real time is switched on
    return 1;
}

void display()
{
    if (windowShowsStand()) return displayStand();
    frameStatsBegin();
    const DrawBatches& arrays = startFrame(pipeline, scene, view);
    // The overlay reads the scene: its lines are made before the step starts.
    std::vector<std::string> lines;
    const int steps = overlayAndSteps(scene.tree.triangleCount, arrays.wind, lines);
    // The steps (and the next frame's arrays) are made while this frame is drawn.
    startPipelinedSteps(pipeline, scene, steps, kTimeStep);
    // Only the skeleton view, which steps after drawing, is given the scene.
    if (view.skeletonView) drawSkeletonFrame(scene, assets, arrays, view);
    else drawFrame(assets, arrays, view);
    for (size_t i = 0; i < lines.size(); ++i)
        drawText(lines[i].c_str(), 0.02f, 0.95f - 0.05f * static_cast<float>(i));
    glFlush(); // the rasteriser starts on the frame
    frameStatsStepBegin();
    const double stepMs = finishPipelinedFrame(pipeline);
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
