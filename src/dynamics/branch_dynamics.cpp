#include "dynamics/branch_dynamics.h"

#include "dynamics/grass_dynamics.h"
#include "dynamics/bend_chain.h"
#include "dynamics/leaf_dynamics.h"
#include "scene/scene.h"

namespace {

// Hands mb to the children listed from c on that start at point j.
int serveChildren(TreeModel& model, const Branch& b, int c, int j, const Mat4& mb)
{
    while (c < b.childCount && b.children[c].attachPoint == j) {
        const int index = b.children[c].childIndex;
        if (index >= 0 && index < kBranchCount) model.branches[index].baseTransform = mb;
        ++c;
    }
    return c;
}

// Branches bend about x and z only; the load at a joint is that of the segments beyond it.
constexpr ChainRule kBranchRule{{1.0, 0.0, 0.975}, {1.0, 0.0, 1.025}, 1000, true, false};

// One branch; thetaPrev carries the Newton start from joint to joint and branch to branch.
void moveBranch(TreeModel& model, const WindField& field, Branch& b, const WindInput& wind, double timeStep,
                double& thetaPrev)
{
    Mat4 mb = b.baseTransform;
    Chain chain{b.points.get(), b.pointCount, b.radii.get(), {}, {}, b.bendPosition, b.bendVelocity,
                b.frequency, b.dampingRatio, b.stiffness};
    rideOn(mb, b.frameX, b.frameY, b.frameZ, b.points[0], chain.axisX, chain.axisZ);
    int c = 0;
    thetaPrev = bendChain(kBranchRule, chain, sampleWindForce(field, wind, b.noisePosition, b.windScale), timeStep,
                          mb, thetaPrev, [&](int j, const Mat4& m, bool) { c = serveChildren(model, b, c, j, m); });
    // Children at the tip point are never reached by the joint loop: they
    // take the final transform so they do not stay behind.
    serveChildren(model, b, c, b.pointCount - 1, mb);

    for (Leaf& leaf : b.leaves)
        moveLeaf(leaf, mb, sampleWindForce(field, wind, leaf.noisePosition, leaf.windScale), timeStep);
}

} // namespace

void moveBranches(TreeModel& model, const WindField& field, const WindInput& wind, double timeStep)
{
    double thetaPrev = 0.0;
    const int count = model.branchCount < kBranchCount ? model.branchCount : kBranchCount;
    for (int i = 0; i < count; ++i) {
        Branch& b = model.branches[i];
        if (!b.points || b.pointCount < 1) continue;
        moveBranch(model, field, b, wind, timeStep, thetaPrev);
    }
}

void updateDynamics(Scene& scene, double timeStep)
{
    const SimulationInput& in = scene.input;
    const WindInput wind = makeWindInput(in.gale, in.magnitude, in.direction);
    moveBranches(scene.tree, scene.wind, wind, timeStep);
    moveGrass(scene.grass, scene.wind, wind, timeStep);
}
