#include "dynamics/rest_state.h"

#include "scene/scene.h"

void restoreBranch(Branch& b, const Branch& rest)
{
    b.baseTransform = identity();
    if (!b.points || !rest.points) return;
    b.pointCount = rest.pointCount;
    for (int j = 0; j < rest.pointCount; ++j) {
        b.points[j] = rest.points[j];
        b.radii[j] = rest.radii[j];
    }
    b.frameX = rest.frameX;
    b.frameY = rest.frameY;
    b.frameZ = rest.frameZ;
}

void restoreLeaf(Leaf& leaf)
{
    for (int k = 0; k < kPetiolePoints; ++k) leaf.petiolePoints[k] = leaf.restPetiolePoints[k];
    leaf.frameX = leaf.restFrameX;
    leaf.frameY = leaf.restFrameY;
    leaf.frameZ = leaf.restFrameZ;
    leaf.bladeMatrix = leaf.restBladeMatrix;
}

void restoreBlade(GrassBlade& blade)
{
    for (int j = 0; j < kGrassLevels; ++j) {
        blade.centre[j] = blade.restCentre[j];
        blade.edge[j] = blade.restEdge[j];
    }
}

void restoreRestState(Scene& scene)
{
    TreeModel& model = scene.tree;
    model.refined = false;
    const int count = liveBranchCount(model);
    for (int i = 0; i < count; ++i) {
        Branch& b = model.branches[i];
        restoreBranch(b, model.restBranches[i]);
        if (b.points && model.restBranches[i].points)
            for (Leaf& leaf : b.leaves) restoreLeaf(leaf);
    }
    if (!scene.grass.blades) return;
    for (int i = 0; i < scene.grass.bladeCount; ++i) restoreBlade(scene.grass.blades[i]);
}
