#include "render/shadows.h"

#include <GL/gl.h>

#include "math/planar_shadow.h"
#include "render/grass_draw.h"
#include "render/render_assets.h"
#include "scene/scene.h"

namespace {

void vertex(const Vec3& p) { glVertex3d(p.x, p.y, p.z); }

Vec3 midpoint(const Vec3& a, const Vec3& b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5, (a.z + b.z) * 0.5, 0}; }

} // namespace

void drawBranchShadows(const TreeModel& model, const Vec3& light)
{
    if (!shadowLightUsable(light)) return;
    const Vec3 lightDir = shadowLightDirection(light);
    ShadowSegment segments[kMaxRefinedPoints];
    for (int b = 0; b < model.branchCount; ++b) {
        const Branch& branch = model.branches[b];
        const int count = projectTreeBranchShadow(model, b, lightDir, segments);
        if (count == 0) continue;
        // Quads and lines in two batches per branch: one colour, one width.
        glBegin(GL_QUADS);
        for (int k = 0; k < count; ++k) {
            const ShadowSegment& s = segments[k];
            if (s.thin) continue;
            vertex(s.a);
            vertex(s.b);
            vertex(s.d);
            vertex(s.c);
        }
        glEnd();
        glLineWidth(thinShadowLineWidth(branch.colourClass));
        glBegin(GL_LINES);
        for (int k = 0; k < count; ++k) {
            const ShadowSegment& s = segments[k];
            if (!s.thin) continue;
            vertex(midpoint(s.a, s.b));
            vertex(midpoint(s.c, s.d));
        }
        glEnd();
    }
    glLineWidth(1.0f);
}

void drawShadows(const Scene& scene, const RenderAssets& assets, const Vec3& light)
{
    const TreeModel& model = scene.tree;
    // A light in the ground plane casts no shadow onto it; skip the frame.
    if (!shadowLightUsable(light)) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(kShadowColour[0], kShadowColour[1], kShadowColour[2]);
    drawBranchShadows(model, light);

    // Leaves: placed by their blade matrix, then flattened, each branch's on its own level.
    for (int b = 0; b < model.branchCount; ++b) {
        const Mat4 flatten = shadowMatrix(light, 0.05 * b / model.branchCount);
        glPushMatrix();
        glMultMatrixd(flatten.m);
        for (const Leaf& leaf : model.branches[b].leaves) {
            const Mat4 place = transpose(leaf.bladeMatrix);
            glPushMatrix();
            glMultMatrixd(place.m);
            glCallList(assets.leafShadowList);
            glPopMatrix();
        }
        glPopMatrix();
    }

    const Mat4 flatten = shadowMatrix(light, 0.05);
    glPushMatrix();
    glMultMatrixd(flatten.m);
    drawGrassShadow(scene.grass);
    glPopMatrix();
}
