#include "dynamics/branch_dynamics.h"

#include <algorithm>

#include "dynamics/bend_chain.h"
#include "dynamics/grass_dynamics.h"
#include "dynamics/leaf_dynamics.h"
#include "dynamics/rest_state.h"
#include "dynamics/fronts.h"
#include "platform/work_pool.h"
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

bool moves(const Branch& b) { return b.points && b.pointCount >= 1; }

// One wind for every part: the tree's in its own frame, the grass's in the
// field's (the same record at the origin).
struct OneWind {
    const WindInput& tree;  // branches and leaves
    const WindInput& grass; // blades
    const WindInput& branch(int) const { return tree; }
    const WindInput& leaf(int) const { return tree; }
    const WindInput& blade(int) const { return grass; }
};

// Travelling fronts: each part its row of the step's table.
struct FrontWinds {
    const WindFronts& fronts; // the step's table and every part's row
    const WindInput& branch(int i) const { return fronts.rows[fronts.branchRow[i]].tree; }
    const WindInput& leaf(int k) const { return fronts.rows[fronts.leafRow[k]].tree; }
    const WindInput& blade(int i) const { return fronts.rows[fronts.bladeRow[i]].grass; }
};

// One branch without its leaves; thetaPrev carries the Newton start from
// joint to joint and branch to branch. Leaves their transform in tipTransform.
template <class M>
void moveBranch(TreeModel& model, const WindField& field, Branch& b, const WindInput& wind, double timeStep,
                double& thetaPrev)
{
    Mat4 mb = b.baseTransform;
    Chain chain{b.points.get(), b.points.get(), b.pointCount, b.radii.get(), {}, {}, b.bendPosition, b.bendVelocity,
                b.frequency, b.dampingRatio, b.stiffness};
    rideOn<M>(mb, b.frameX, b.frameY, b.frameZ, b.points[0], chain.axisX, chain.axisZ);
    int c = 0;
    thetaPrev = bendChain<M>(kBranchRule, chain, sampleWindForce(field, wind, b.noisePosition, b.windScale), timeStep,
                             mb, thetaPrev, [&](int j, const Mat4& m, bool) { c = serveChildren(model, b, c, j, m); });
    // Children at the tip point are never reached by the joint loop: they
    // take the final transform so they do not stay behind.
    serveChildren(model, b, c, b.pointCount - 1, mb);
    b.tipTransform = mb;
}

// The branches in index order: each needs its parent's transform and the
// Newton start its predecessor ended with.
template <class M, class Winds>
void moveSkeleton(TreeModel& model, const WindField& field, const Winds& winds, double timeStep)
{
    double thetaPrev = 0.0;
    const int count = liveBranchCount(model);
    for (int i = 0; i < count; ++i) restoreBranch(model.branches[i], model.restBranches[i]);
    for (int i = 0; i < count; ++i)
        if (moves(model.branches[i]))
            moveBranch<M>(model, field, model.branches[i], winds.branch(i), timeStep, thetaPrev);
}

void moveLeavesOf(Branch& b, const Branch& rest, const WindField& field, const WindInput& wind, double timeStep,
                  Arithmetic arithmetic)
{
    if (b.points && rest.points)
        for (Leaf& leaf : b.leaves) restoreLeaf(leaf);
    if (!moves(b)) return;
    for (Leaf& leaf : b.leaves)
        moveLeaf(leaf, b.tipTransform, sampleWindForce(field, wind, leaf.noisePosition, leaf.windScale), timeStep,
                 arithmetic);
}

// One group of blades or leaves, items [first, end): gather(k, slot) puts
// item k in the next slot and says whether it moves. A full group goes side
// by side (four()) with Fast arithmetic, anything else one at a time (one(slot)).
template <class Gather, class Four, class One>
void moveGroup(int first, int end, bool lanes, Gather gather, Four four, One one)
{
    int count = 0;
    for (int k = first; k < end; ++k)
        if (gather(k, count)) ++count;
    if (lanes && count == kLanes) return four();
    for (int slot = 0; slot < count; ++slot) one(slot);
}

template <class M, class Winds>
void moveEverything(Scene& scene, const Winds& winds, double timeStep, Arithmetic arithmetic)
{
    TreeModel& model = scene.tree;
    const WindField& field = scene.wind;
    GrassField& grass = scene.grass;
    const int branches = liveBranchCount(model);
    const int blades = grass.blades ? grass.bladeCount : 0;
    WorkPool& pool = scene.pool ? *scene.pool : WorkPool::shared();
    // Every blade and every leaf is a function of its own state and the
    // wind alone, so how they are dealt out cannot change a bit of the result.
    // The skeleton goes to one participant while the others take blades.
    auto skeleton = [&] { moveSkeleton<M>(model, field, winds, timeStep); };
    // Blades and leaves go in groups of four: side by side by lanes with Fast
    // arithmetic, else (Plain, a short group) one by one.
    const bool lanes = arithmetic == Arithmetic::Fast;
    auto bladeGroup = [&](int g) {
        GrassBlade* members[kGrassLanes];
        Vec3 forces[kGrassLanes];
        moveGroup(
            g * kGrassLanes, std::min(blades, (g + 1) * kGrassLanes), lanes,
            [&](int i, int slot) {
                members[slot] = &grass.blades[i];
                forces[slot] = sampleWindForce(field, winds.blade(i), grass.blades[i].noisePosition, 0.3);
                return true;
            },
            [&] { moveGrassLanesFromRest(members, forces, timeStep); },
            [&](int k) { moveGrassBladeFromRest(*members[k], forces[k], timeStep, arithmetic); });
    };
    work_pool::forEach(pool, skeleton, (blades + kGrassLanes - 1) / kGrassLanes, 16, bladeGroup);
    // Leaves wait for every branch: a leaf rides on its branch's tip. They
    // are counted over all branches; a branch that does not move keeps its
    // leaves at rest.
    const int leafCount = branches * kLeavesPerBranch;
    auto leafGroup = [&](int g) {
        Leaf* members[kLeafLanes];
        const Mat4* tips[kLeafLanes];
        Vec3 forces[kLeafLanes];
        moveGroup(
            g * kLeafLanes, std::min(leafCount, (g + 1) * kLeafLanes), lanes,
            [&](int k, int slot) {
                Branch& b = model.branches[k / kLeavesPerBranch];
                Leaf& leaf = b.leaves[k % kLeavesPerBranch];
                if (b.points && model.restBranches[k / kLeavesPerBranch].points) restoreLeaf(leaf);
                if (!moves(b)) return false;
                members[slot] = &leaf;
                tips[slot] = &b.tipTransform;
                forces[slot] = sampleWindForce(field, winds.leaf(k), leaf.noisePosition, leaf.windScale);
                return true;
            },
            [&] { moveLeafLanes(members, tips, forces, timeStep); },
            [&](int i) { moveLeaf(*members[i], *tips[i], forces[i], timeStep, arithmetic); });
    };
    work_pool::forEach(pool, (leafCount + kLeafLanes - 1) / kLeafLanes, 8, leafGroup);
}

} // namespace

void moveBranches(TreeModel& model, const WindField& field, const WindInput& wind, double timeStep,
                  Arithmetic arithmetic)
{
    const OneWind winds{wind, wind};
    if (arithmetic == Arithmetic::Fast)
        moveSkeleton<FastMath>(model, field, winds, timeStep);
    else
        moveSkeleton<PlainMath>(model, field, winds, timeStep);
    const int count = liveBranchCount(model);
    for (int i = 0; i < count; ++i)
        moveLeavesOf(model.branches[i], model.restBranches[i], field, wind, timeStep, arithmetic);
}

void updateDynamics(Scene& scene, double timeStep, Arithmetic arithmetic)
{
    scene.tree.refined = false;
    const WindSettings& w = scene.input.wind;
    if (frontsPlay(scene)) {
        buildWindFronts(scene, static_cast<double>(scene.stepsTaken) * timeStep);
        const FrontWinds winds{scene.fronts};
        if (arithmetic == Arithmetic::Fast)
            moveEverything<FastMath>(scene, winds, timeStep, arithmetic);
        else
            moveEverything<PlainMath>(scene, winds, timeStep, arithmetic);
        return;
    }
    // A placed tree feels the field's wind turned into its own frame; the grass the field's.
    const WindInput grass = makeWindInput(w.gale, w.magnitude, w.direction);
    const bool turned = scene.placement.turn != 0.0;
    const WindInput tree = turned ? makeWindInput(w.gale, w.magnitude, intoTree(scene.placement, w.direction)) : grass;
    const OneWind winds{tree, grass};
    if (arithmetic == Arithmetic::Fast)
        moveEverything<FastMath>(scene, winds, timeStep, arithmetic);
    else
        moveEverything<PlainMath>(scene, winds, timeStep, arithmetic);
}
