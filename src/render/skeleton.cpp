#include "render/skeleton.h"

#include <GL/gl.h>

#include "tree/tree_model.h"

namespace {

void axisLine(const Vec3& origin, const Vec3& axisPoint, float r, float g, float b)
{
    glColor3f(r, g, b);
    glBegin(GL_LINES);
    glVertex3f(static_cast<float>(origin.x), static_cast<float>(origin.y), static_cast<float>(origin.z));
    glVertex3f(static_cast<float>(origin.x + (axisPoint.x - origin.x) * 0.3),
               static_cast<float>(origin.y + (axisPoint.y - origin.y) * 0.3),
               static_cast<float>(origin.z + (axisPoint.z - origin.z) * 0.3));
    glEnd();
}

void frameAxes(const Vec3& origin, const Vec3& x, const Vec3& y, const Vec3& z)
{
    axisLine(origin, x, 1.0f, 0.0f, 0.0f);
    axisLine(origin, y, 0.0f, 1.0f, 0.0f);
    axisLine(origin, z, 0.0f, 0.0f, 1.0f);
}

} // namespace

void drawFrameAxes(const TreeModel& model)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glLineWidth(3.0f);
    for (int b = 0; b < model.branchCount; ++b) {
        const Branch& branch = model.branches[b];
        if (branch.points && branch.pointCount > 0)
            frameAxes(branch.points[0], branch.frameX, branch.frameY, branch.frameZ);
        for (const Leaf& leaf : branch.leaves)
            frameAxes(leaf.petiolePoints[0], leaf.frameX, leaf.frameY, leaf.frameZ);
    }
    glLineWidth(1.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}
