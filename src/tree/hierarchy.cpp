#include "tree/hierarchy.h"

#include "platform/platform.h"
#include "tree/tree_model.h"

namespace {

void printFrameError(const Branch& parent)
{
    consolePrintf("Error! circleNum=%d, idxNum=%d\n", parent.pointCount, parent.childCount);
}

// The loader only accepts lists that form a tree; `visited` still gives every
// branch one frame at most, so a hand-made list that loops or repeats ends.
void buildFrames(TreeModel& model, Branch& parent, bool visited[])
{
    if (!parent.children) return;
    const Vec3 up{0.0, 1.0, 0.0, 0};
    for (int j = 0; j < parent.childCount; ++j) {
        const BranchChild& entry = parent.children[j];
        if (entry.attachPoint > parent.pointCount - 1) printFrameError(parent);
        if (entry.childIndex < 0 || entry.childIndex >= kBranchCount) continue;
        if (visited[entry.childIndex]) continue;
        visited[entry.childIndex] = true;
        Branch& child = model.branches[entry.childIndex];
        if (!child.points || child.pointCount < 2) continue; // no first segment to follow

        const Vec3 p0 = child.points[0];
        Vec3 dir = sub(child.points[1], p0);
        normalize(dir);
        child.frameY = add(p0, dir);

        const Vec3 z = cross(up, dir);
        child.frameZ = z;
        if (length(z) < 1e-6) printFrameError(parent); // vertical or degenerate first segment
        child.frameX = cross(dir, z);

        normalize(child.frameZ);
        child.frameZ = add(p0, child.frameZ);
        normalize(child.frameX);
        child.frameX = add(p0, child.frameX);

        buildFrames(model, child, visited);
    }
}

} // namespace

void buildBranchFrames(TreeModel& model, Branch& parent)
{
    bool visited[kBranchCount] = {};
    for (int i = 0; i < kBranchCount; ++i)
        if (&model.branches[i] == &parent) visited[i] = true;
    buildFrames(model, parent, visited);
}
