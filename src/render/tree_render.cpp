#include "render/tree_render.h"

#include <GL/gl.h>

#include "render/grass_draw.h"
#include "render/render_assets.h"
#include "render/skeleton.h"
#include "render/tube.h"
#include "scene/scene.h"

namespace {

void drawBranchTube(const Branch& branch, int sides)
{
    if (!branch.points || !branch.radii) return;
    drawTube(branch.pointCount, branch.points.get(), branch.radii.get(), sides);
}

} // namespace

void renderSkeleton(const Scene& scene, const RenderAssets& assets)
{
    const TreeModel& model = scene.tree;
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int b = 0; b < model.branchCount; ++b) {
        glColor4f(0.6f, 0.6f, 0.6f, 0.4f);
        drawBranchTube(model.branches[b], 16);
        if (b == 0) {
            drawGrass(scene.grass, assets);
            glDisable(GL_TEXTURE_2D);
            glEnable(GL_LIGHTING);
        }
    }
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    drawFrameAxes(model);
}
