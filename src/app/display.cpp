#include "app/display.h"

#include <GL/glut.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/capture.h"
#include "app/frame_stats.h"
#include "dynamics/simulation.h"
#include "platform/platform.h"
#include "render/frame_draw.h"

void display()
{
    frameStatsBegin();
    beginFrame(scene, view);
    drawFrame(scene, assets, view);
    advanceFrame();

    glFinish();
    glutSwapBuffers();
    frameStatsEnd();
    glutPostRedisplay();
}

void advanceFrame()
{
    if (!view.capturing) {
        updateFps();
        char line[128];
        std::snprintf(line, sizeof(line), "FPS=%.2f", view.fps);
        drawText(line, 0.02f, 0.95f);
        std::snprintf(line, sizeof(line), "Number of triangles=%d", scene.tree.triangleCount);
        drawText(line, 0.02f, 0.9f);
        std::snprintf(line, sizeof(line),
                      view.galeMode ? "Motion in the moderate gale, wind magnitude = %3.2f"
                                    : "Motion in the light breeze, wind magnitude = %3.2f",
                      static_cast<double>(view.windMagnitude));
        drawText(line, 0.02f, 0.85f);
    }
    frameStatsStepBegin();
    simulateStep(scene, kTimeStep);
    frameStatsStepEnd();
    if (view.capturing) captureFrame();
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

void updateFps()
{
    const float now = static_cast<float>(timeMs()) * 0.001f;
    const float last = static_cast<float>(view.fpsLastTime);
    ++view.fpsFrameCount;
    if (now - last > 1.0f) {
        view.fps = static_cast<float>(view.fpsFrameCount) / (now - last);
        view.fpsFrameCount = 0;
        view.fpsLastTime = now;
    }
}
