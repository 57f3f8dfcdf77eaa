#include "render/frame_draw.h"

#include <GL/glu.h>

#include "batch/draw_batches.h"
#include "math/arrow_rotation.h"
#include "render/batch_draw.h"
#include "render/render_assets.h"
#include "render/tree_render.h"
#include "scene/scene.h"
#include "view/view_state.h"

namespace {

// Clear, light under the camera, projection, camera, ground (a display list).
void drawGroundAndLight(const ViewState& view, unsigned int groundList)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Vec3 light = currentLight(view);
    // Directional light, set under the modelview the last frame left (cameraView).
    const GLfloat position[4] = {static_cast<float>(light.x), static_cast<float>(light.y),
                                 static_cast<float>(light.z), 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(view.projectionMatrix.m);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(view.cameraView.m);

    glPushMatrix();
    glMultMatrixd(view.treeRotation.m);
    glCallList(groundList);
    glPopMatrix();
}

// The tree pass (with the grass) and the red wind arrow (the wind of the frame) under treeRotation.
template <class TreePass>
void drawTreeScene(const RenderAssets& assets, const ViewState& view, const WindSettings* wind, TreePass treePass)
{
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const GLfloat specular[4] = {static_cast<float>(view.lightColour.x), static_cast<float>(view.lightColour.y),
                                 static_cast<float>(view.lightColour.z), 0.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMultMatrixd(view.treeRotation.m);
    glTranslatef(0.0f, static_cast<float>(-kTreeDrop), 0.0f);
    treePass();
    if (wind) drawDirectionArrow(assets, wind->direction, 0.1);
    glPopMatrix();
}

void drawShadows(const DrawBatches& batches, const ViewState& view)
{
    if (!view.showShadows) return;
    glPushMatrix();
    glMultMatrixd(view.treeRotation.m);
    glTranslatef(0.0f, static_cast<float>(-kTreeDrop), 0.0f);
    drawShadowBatches(batches, currentLight(view));
    glPopMatrix();
}

} // namespace

void drawFrame(const RenderAssets& assets, const DrawBatches& batches, const ViewState& view)
{
    drawGroundAndLight(view, assets.groundList);
    drawTreeScene(assets, view, &batches.wind, [&] { drawSceneBatches(batches, assets); });
    drawShadows(batches, view);
}

void drawSkeletonFrame(const Scene& scene, const RenderAssets& assets, const DrawBatches& batches,
                       const ViewState& view)
{
    drawGroundAndLight(view, assets.groundList);
    drawTreeScene(assets, view, &batches.wind, [&] { renderSkeleton(scene, assets); });
    drawShadows(batches, view);
}

void drawStandFrame(const RenderAssets& assets, const PlacedBatches* parts, int count, const ViewState& view,
                    const WindSettings& wind)
{
    drawGroundAndLight(view, assets.standGroundList ? assets.standGroundList : assets.groundList);
    for (int i = 0; i < count; ++i)
        drawTreeScene(assets, *parts[i].view, nullptr, [&] { drawSceneBatches(*parts[i].batches, assets); });
    drawTreeScene(assets, view, &wind, [] {});
    for (int i = 0; i < count; ++i) drawShadows(*parts[i].batches, *parts[i].view);
}

void drawDirectionArrow(const RenderAssets& assets, Vec3 direction, double lengthFactor)
{
    const double len = length(direction);
    const ArrowRotation rotation = arrowRotation(direction);
    glColor3f(1.0f, 0.0f, 0.0f);
    glPushMatrix();
    glRotatef(static_cast<float>(rotation.degrees), static_cast<float>(rotation.axis.x),
              static_cast<float>(rotation.axis.y), static_cast<float>(rotation.axis.z));
    glLineWidth(3.0f);
    drawArrow(assets, static_cast<float>(len * lengthFactor + 1.5), 0.3f, 0.15f);
    glLineWidth(1.0f);
    glPopMatrix();
}

void drawArrow(const RenderAssets& assets, float length, float headLength, float headRadius)
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
    gluCylinder(assets.arrowQuadric, headRadius, 0.0, headLength, 20, 20);
    glPopMatrix();
}
