#include "render/leaf_render.h"

#include <GL/gl.h>

#include "render/render_assets.h"
#include "render/tube.h"
#include "tree/leaf.h"

void drawLeaf(const Leaf& leaf, const RenderAssets& assets)
{
    glPushMatrix();
    // Row-major blade matrix; GL takes columns.
    const Mat4 m = transpose(leaf.bladeMatrix);
    glMultMatrixd(m.m);
    glCallList(assets.leafBladeList);
    glPopMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, assets.sceneTextures[kPetioleTexture].glName());
    const int n = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    drawTube(n, leaf.petiolePoints, leaf.petioleRadii, 3);
}
