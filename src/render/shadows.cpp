#include "render/shadows.h"

#include <GL/gl.h>

#include "app/app_state.h"
#include "math/planar_shadow.h"
#include "render/leaf_lists.h"
#include "scenery/grass_draw.h"
#include "scenery/grass_field_shade.h"
#include "tree/tree_model.h"

namespace {

void vertex(const Vec3& p) { glVertex3d(p.x, p.y, p.z); }

Vec3 midpoint(const Vec3& a, const Vec3& b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5, (a.z + b.z) * 0.5, 0}; }

} // namespace

void drawBranchShadows() { drawBranchShadows(treeModel, lightPosition); }

void drawBranchShadows(TreeModel& model, const Vec3& light)
{
    if (!shadowLightUsable(light)) return;
    Vec3 lightDir = scale(light, -1.0);
    normalize(lightDir);
    ShadowSegment segments[kMaxRefinedPoints];
    for (int b = 0; b < model.branchCount; ++b) {
        const Branch& branch = model.branches[b];
        int n = branch.pointCount;
        if (!branch.points || !branch.radii || n < 2) continue;
        if (n > kMaxRefinedPoints) n = kMaxRefinedPoints;
        const int count = projectBranchShadow(branch.points.get(), branch.radii.get(), n, lightDir,
                                              branchShadowHeight(b, model.branchCount), segments);
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
        for (int k = 0; k < count; ++k) markShadeCell(model, segments[k].a.x, segments[k].a.z);
    }
    glLineWidth(1.0f);
}

void drawShadows() { drawShadows(treeModel, lightPosition); }

void drawShadows(TreeModel& model, const Vec3& light)
{
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
            glCallList(leafShadowList);
            glPopMatrix();
        }
        glPopMatrix();
    }

    const Mat4 flatten = shadowMatrix(light, 0.05);
    glPushMatrix();
    glMultMatrixd(flatten.m);
    drawGrassShadow(model);
    glPopMatrix();
}
