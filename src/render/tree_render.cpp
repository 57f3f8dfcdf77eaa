#include "render/tree_render.h"

#include <GL/gl.h>

#include "app/app_state.h"
#include "render/leaf_render.h"
#include "render/skeleton.h"
#include "render/tube.h"
#include "scenery/grass_draw.h"
#include "tree/tree_model.h"

namespace {

void drawBranchTube(const Branch& branch, int sides)
{
    if (!branch.points || !branch.radii) return;
    drawTube(branch.pointCount, branch.points.get(), branch.radii.get(), sides);
}

void renderTextured(TreeModel& model)
{
    glEnable(GL_TEXTURE_2D);
    for (int b = 0; b < model.branchCount; ++b) {
        const Branch& branch = model.branches[b];
        if (b == 0) {
            glBindTexture(GL_TEXTURE_2D, trunkTexture.glName());
            drawBranchTube(branch, 16);
            // The grass goes in right after the trunk, under the same transform.
            drawGrass(model);
        } else {
            glBindTexture(GL_TEXTURE_2D, branchTexture.glName());
            drawBranchTube(branch, 8);
        }
        for (const Leaf& leaf : branch.leaves) drawLeaf(leaf);
        // Leaves and grass switch lighting off; the next bark is lit again.
        glEnable(GL_LIGHTING);
    }
}

void renderSkeleton(TreeModel& model)
{
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int b = 0; b < model.branchCount; ++b) {
        glColor4f(0.6f, 0.6f, 0.6f, 0.4f);
        drawBranchTube(model.branches[b], 16);
        if (b == 0) {
            drawGrass(model);
            glDisable(GL_TEXTURE_2D);
            glEnable(GL_LIGHTING);
        }
    }
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    drawFrameAxes(model);
}

} // namespace

void renderTree(int view) { renderTree(treeModel, view); }

void renderTree(TreeModel& model, int view)
{
    if (view == 0) renderSkeleton(model);
    else renderTextured(model);
}
