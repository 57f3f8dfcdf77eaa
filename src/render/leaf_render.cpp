#include "render/leaf_render.h"

#include <GL/gl.h>

#include "app/app_state.h"
#include "render/leaf_lists.h"
#include "render/tube.h"
#include "tree/leaf.h"

void drawLeaf(const Leaf& leaf)
{
    glPushMatrix();
    // Row-major blade matrix; GL takes columns.
    const Mat4 m = transpose(leaf.bladeMatrix);
    glMultMatrixd(m.m);
    glCallList(leafBladeList);
    glPopMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, petioleTexture.glName());
    const int n = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    drawTube(n, leaf.petiolePoints, leaf.petioleRadii, 3);
}
