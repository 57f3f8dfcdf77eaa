#include "app/display.h"

#include <GL/glut.h>

#include <cstdio>

#include "app/app_state.h"
#include "app/capture.h"
#include "app/frame_stats.h"
#include "dynamics/simulation.h"
#include "math/arrow_rotation.h"
#include "platform/platform.h"
#include "render/shadows.h"
#include "render/tree_render.h"
#include "scenery/ground.h"
#include "tree/tree_model.h"
#include "view/frame_rate.h"
#include "view/overlay_text.h"

namespace {
FrameRateCounter fpsCounter; // overlay frame-rate state
} // namespace

void display()
{
    frameStatsBegin();
    drawFrameScene();
    advanceFrame();

    glFinish();
    glutSwapBuffers();
    frameStatsEnd();
    glutPostRedisplay();
}

void drawFrameScene()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    lightPosition = transformPoint(lightRotation, lightRestPosition);
    // Directional light, set under the modelview the last frame left (cameraView).
    const GLfloat position[4] = {static_cast<float>(lightPosition.x), static_cast<float>(lightPosition.y),
                                 static_cast<float>(lightPosition.z), 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(projectionMatrix.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(cameraView.m);

    glPushMatrix();
    glMultMatrixd(treeRotation.m);
    if (groundList == 0) {
        groundList = glGenLists(1);
        glNewList(groundList, GL_COMPILE);
        drawGround();
        glEndList();
    }
    glCallList(groundList);
    glPopMatrix();

    drawTreeScene();

    if (showShadows) {
        glPushMatrix();
        glMultMatrixd(treeRotation.m);
        glTranslatef(0.0f, -4.5f, 0.0f);
        drawShadows();
        glPopMatrix();
    }
}

void drawTreeScene()
{
    if (interactionMode == 1) {
        windDirection = {windRotation.m[0], windRotation.m[1], windRotation.m[2], 0};
        normalize(windDirection);
        if (windDirection.status != 0 || length(windDirection) < 1e-7) windDirection = {1.0, 0.0, 0.0, 0};
    }
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const GLfloat specular[4] = {static_cast<float>(lightColour.x), static_cast<float>(lightColour.y),
                                 static_cast<float>(lightColour.z), 0.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMultMatrixd(treeRotation.m);
    glTranslatef(0.0f, -4.5f, 0.0f);
    renderTree(skeletonView ? 0 : 2);
    drawDirectionArrow(windDirection, 0.1);
    glPopMatrix();
}

void drawDirectionArrow(Vec3 direction, double lengthFactor)
{
    const double len = length(direction);
    const ArrowRotation rotation = arrowRotation(direction);
    glColor3f(1.0f, 0.0f, 0.0f);
    glPushMatrix();
    glRotatef(static_cast<float>(rotation.degrees), static_cast<float>(rotation.axis.x),
              static_cast<float>(rotation.axis.y), static_cast<float>(rotation.axis.z));
    glLineWidth(3.0f);
    drawArrow(static_cast<float>(len * lengthFactor + 1.5), 0.3f, 0.15f);
    glLineWidth(1.0f);
    glPopMatrix();
}

void drawArrow(float length, float headLength, float headRadius)
{
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(3.0f);
    glBegin(GL_LINES);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, length);
    glEnd();
    glLineWidth(1.0f);
    glEnable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, length - headLength * 0.5f);
    gluCylinder(arrowQuadric, headRadius, 0.0, headLength, 20, 20);
    glPopMatrix();
}

void advanceFrame()
{
    if (!capturing) {
        updateFps();
        const std::vector<std::string> lines =
            overlayLines(fps, treeModel.triangleCount, galeMode, static_cast<double>(windMagnitude), capturing);
        for (size_t i = 0; i < lines.size(); ++i) drawText(lines[i].c_str(), 0.02f, 0.95f - 0.05f * static_cast<float>(i));
    }
    frameStatsStepBegin();
    simulateStep(treeModel, galeMode, static_cast<double>(windMagnitude), windDirection, kTimeStep, showShadows);
    frameStatsStepEnd();
    if (capturing) captureFrame();
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
    countFrame(fpsCounter, secondsSinceStart(), fps);
}
