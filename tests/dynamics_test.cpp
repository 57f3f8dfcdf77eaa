#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "dynamics/branch_dynamics.h"
#include "dynamics/grass_dynamics.h"
#include "dynamics/leaf_dynamics.h"
#include "dynamics/setup.h"
#include "dynamics/simulation.h"
#include "dynamics/wind_force.h"
#include "dynamics_reference.h"
#include "tree/bounds.h"
#include "motion_scene.h"

using motion_scene::hashState;
using motion_scene::makeModel;

namespace {

const Vec3 kAlongX{1.0, 0.0, 0.0, 0};

struct Scene {
    std::unique_ptr<TreeModel> model = makeModel();
    LeafTemplate tmpl;
};

std::unique_ptr<Scene> smallScene(int branches = 40, int blades = 300, bool refine = false, uint32_t seed = 12345)
{
    auto s = std::make_unique<Scene>();
    motion_scene::buildScene(*s->model, s->tmpl, branches, blades, seed, refine);
    return s;
}

bool same(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

double distance(const Vec3& a, const Vec3& b) { return length(sub(a, b)); }

// Every branch, leaf and blade at its rest geometry, exactly.
void expectAtRest(const TreeModel& m)
{
    for (int i = 0; i < m.branchCount; ++i) {
        const Branch& b = m.branches[i];
        const Branch& r = m.restBranches[i];
        ASSERT_EQ(b.pointCount, r.pointCount);
        for (int k = 0; k < b.pointCount; ++k) ASSERT_TRUE(same(b.points[k], r.points[k])) << i << " " << k;
        for (const Leaf& leaf : b.leaves) {
            for (int k = 0; k < kPetiolePoints; ++k) ASSERT_TRUE(same(leaf.petiolePoints[k], leaf.restPetiolePoints[k]));
            for (int k = 0; k < 16; ++k) ASSERT_EQ(leaf.bladeMatrix.m[k], leaf.restBladeMatrix.m[k]);
        }
    }
    for (int i = 0; i < m.grassBladeCount; ++i) {
        for (int j = 0; j < kGrassLevels; ++j) {
            ASSERT_TRUE(same(m.grassBlades[i].centre[j], m.grassBlades[i].restCentre[j]));
            ASSERT_TRUE(same(m.grassBlades[i].edge[j], m.grassBlades[i].restEdge[j]));
        }
    }
}

// Largest distance of any point from its rest place.
double largestExcursion(const TreeModel& m)
{
    double worst = 0.0;
    for (int i = 0; i < m.branchCount; ++i)
        for (int k = 0; k < m.restBranches[i].pointCount; ++k)
            worst = std::max(worst, distance(m.branches[i].points[k], m.restBranches[i].points[k]));
    return worst;
}

} // namespace

TEST(WindForce, GaleAndBreeze)
{
    const WindInput gale = makeWindInput(true, 400.0, kAlongX);
    EXPECT_EQ(gale.across.z, 1.0);
    EXPECT_EQ(gale.third.y, 1.0);
    const Vec3 f = windForce(gale, 1.0, 0.5, 0.5, 1.0);
    EXPECT_DOUBLE_EQ(f.x, 632.5764291615077);
    EXPECT_EQ(f.y, 0.0);
    EXPECT_EQ(f.z, 0.0);
    const WindInput breeze = makeWindInput(false, 400.0, kAlongX);
    const Vec3 b = windForce(breeze, 1.0, 0.5, 0.5, 1.0);
    EXPECT_EQ(b.x, 10.0);
    EXPECT_EQ(b.y, 0.0);
    EXPECT_EQ(b.z, 0.0);
    // The breeze ignores magnitude and scale; a calm gale gives nothing.
    const Vec3 b2 = windForce(makeWindInput(false, 3.0, kAlongX), 0.2, 0.7, 0.9, 0.1);
    const Vec3 b3 = windForce(breeze, 0.2, 0.7, 0.9, 1.0);
    EXPECT_TRUE(same(b2, b3));
    EXPECT_EQ(length(windForce(makeWindInput(true, 0.0, kAlongX), 0.9, 0.1, 0.3, 1.0)), 0.0);
    // A zero sample vector does not silence the next element.
    EXPECT_EQ(length(windForce(gale, 0.0, 0.5, 0.5, 1.0)), 0.0);
    EXPECT_DOUBLE_EQ(windForce(gale, 1.0, 0.5, 0.5, 1.0).x, 632.5764291615077);
    // Straight up: no cross-wind frame, so no force at all.
    const Vec3 up = windForce(makeWindInput(true, 400.0, Vec3{0, 1, 0, 0}), 1.0, 0.5, 0.5, 1.0);
    EXPECT_NE(up.status, 0);
    EXPECT_EQ(length(up), 0.0);
}

TEST(SimulationStep, CursorsScrollLikeARaster)
{
    auto model = makeModel();
    motion_scene::buildNoise(*model);
    for (int i = 0; i < 10; ++i) simulateStep(*model, true, 400.0, kAlongX, kTimeStep, false);
    for (const NoiseField* f : {&model->wind.u, &model->wind.v, &model->wind.w}) {
        EXPECT_NEAR(f->offset[0], 1.0, 1e-12);
        EXPECT_EQ(f->offset[1], 0.0);
        EXPECT_NEAR(f->offset[2], 3.0, 1e-12);
    }
    double lastX = model->wind.u.offset[0];
    int steps = 10;
    while (model->wind.u.offset[1] == 0.0 && steps < 1000) {
        advanceWindCursors(*model);
        ++steps;
        if (model->wind.u.offset[1] == 0.0) lastX = model->wind.u.offset[0];
    }
    EXPECT_EQ(model->wind.u.offset[1], 1.0);
    EXPECT_GT(lastX + 0.1, 32.0);
    EXPECT_LT(model->wind.u.offset[0], 0.1);
    EXPECT_GT(steps, 300);
    EXPECT_LE(model->wind.u.offset[2], 32.0);

    // Without grids the cursors never move.
    auto empty = makeModel();
    simulateStep(*empty, true, 400.0, kAlongX, kTimeStep, true);
    EXPECT_EQ(empty->wind.u.offset[0], 0.0);
    EXPECT_EQ(empty->wind.w.offset[2], 0.0);
}

TEST(SimulationStep, RefinementRestoresFirst)
{
    auto s = smallScene(12, 0, true);
    TreeModel& m = *s->model;
    for (int i = 0; i < m.branchCount; ++i) EXPECT_EQ(m.branches[i].pointCount, 2 * m.restBranches[i].pointCount - 1);
    for (int step = 0; step < 2; ++step) {
        simulateStep(m, true, 400.0, kAlongX, kTimeStep, true);
        for (int i = 0; i < m.branchCount; ++i)
            ASSERT_EQ(m.branches[i].pointCount, 2 * m.restBranches[i].pointCount - 1);
        EXPECT_EQ(m.triangleCount, m.triangleTotalShadowed);
        EXPECT_TRUE(m.showShadows);
    }
    simulateStep(m, true, 400.0, kAlongX, kTimeStep, false);
    EXPECT_EQ(m.triangleCount, m.triangleTotalPlain);
    EXPECT_FALSE(m.showShadows);
    for (int i = 0; i < m.branchCount; ++i) EXPECT_EQ(m.branches[i].pointCount, m.restBranches[i].pointCount);
}

TEST(SimulationStep, RefinedPointsAndRadii)
{
    auto model = makeModel();
    TreeModel& m = *model;
    m.branchCount = 3;
    motion_scene::setBranchLine(m.branches[0], 2, Vec3{1, 2, 3, 0}, Vec3{0, 1, 1, 0}, 2.0, 0.3);
    motion_scene::setBranchLine(m.branches[1], 4, Vec3{0, 0, 0, 0}, Vec3{1, 0, 0, 0}, 1.0, 0.3);
    m.branches[2].pointCount = 1;
    m.branches[2].points.reset(new Vec3[1]);
    m.branches[2].radii.reset(new double[1]);
    m.branches[2].points[0] = {4, 5, 6, 0};
    m.branches[2].radii[0] = 0.2;
    const Vec3 a = m.branches[0].points[0], b = m.branches[0].points[1];
    const double ra = m.branches[0].radii[0], rb = m.branches[0].radii[1];
    const Vec3 c[4] = {m.branches[1].points[0], m.branches[1].points[1], m.branches[1].points[2], m.branches[1].points[3]};
    refineBranches(m);
    ASSERT_EQ(m.branches[0].pointCount, 3);
    EXPECT_NEAR(m.branches[0].points[1].x, (a.x + b.x) / 2, 1e-15);
    EXPECT_NEAR(m.branches[0].points[1].y, (a.y + b.y) / 2, 1e-15);
    EXPECT_NEAR(m.branches[0].points[1].z, (a.z + b.z) / 2, 1e-15);
    EXPECT_EQ(m.branches[0].radii[1], ra + (rb - ra) * 0.5);
    EXPECT_TRUE(same(m.branches[0].points[2], b));
    ASSERT_EQ(m.branches[1].pointCount, 7);
    // Catmull-Rom midpoint of an inner segment: (-P0 + 9 P1 + 9 P2 - P3) / 16.
    EXPECT_NEAR(m.branches[1].points[3].y, (-c[0].y + 9 * c[1].y + 9 * c[2].y - c[3].y) / 16, 1e-15);
    EXPECT_TRUE(same(m.branches[1].points[6], c[3]));
    EXPECT_EQ(m.branches[2].pointCount, 1);
    EXPECT_TRUE(same(m.branches[2].points[0], Vec3{4, 5, 6, 0}));
}

TEST(SimulationStep, CalmSceneStaysAtRest)
{
    auto s = smallScene(40, 200);
    TreeModel& m = *s->model;
    for (int step = 0; step < 5; ++step) {
        simulateStep(m, true, 0.0, kAlongX, kTimeStep, false);
        expectAtRest(m);
    }
    for (int i = 0; i < m.branchCount; ++i) EXPECT_EQ(m.branches[i].bendPosition[0], 0.0);
}

TEST(SimulationStep, ChildrenAndLeavesRideRigidly)
{
    // A trunk of four points with one child at point 1 and one at its tip.
    auto model = makeModel();
    TreeModel& m = *model;
    m.branchCount = 3;
    motion_scene::setBranchLine(m.branches[0], 4, Vec3{0, 0, 0, 0}, Vec3{0.1, 1, 0, 0}, 1.0, 0.3);
    motion_scene::setBranchLine(m.branches[1], 3, m.branches[0].points[1], Vec3{1, 0.5, 0, 0}, 0.5, 0.1);
    motion_scene::setBranchLine(m.branches[2], 3, m.branches[0].points[3], Vec3{0, 0.5, 1, 0}, 0.5, 0.1);
    for (int i = 0; i < 3; ++i) motion_scene::setClass(m.branches[i], 5);
    m.branches[0].childCount = 2;
    m.branches[0].children.reset(new BranchChild[2]{{1, 1}, {3, 2}});
    motion_scene::finishTree(m);
    LeafTemplate tmpl;
    motion_scene::buildLeafTemplate(tmpl);
    m.showShadows = false;
    const uint32_t seed = 9;
    setUpSimulation(m, tmpl, &seed);

    // No force, but the trunk swings from its own oscillator state.
    m.branches[0].bendPosition[0] = 0.5;
    simulateStep(m, true, 0.0, kAlongX, kTimeStep, false);
    EXPECT_GT(distance(m.branches[0].points[3], m.restBranches[0].points[3]), 0.05);
    for (int i = 1; i < 3; ++i) {
        const Branch& b = m.branches[i];
        for (int k = 0; k < b.pointCount; ++k)
            EXPECT_TRUE(same(b.points[k], transformPoint(b.baseTransform, m.restBranches[i].points[k])));
        for (const Leaf& leaf : b.leaves) {
            for (int k = 0; k < kPetiolePoints; ++k)
                EXPECT_TRUE(same(leaf.petiolePoints[k], transformPoint(b.baseTransform, leaf.restPetiolePoints[k])));
            const Mat4 blade = multiply(b.baseTransform, leaf.restBladeMatrix);
            for (int k = 0; k < 16; ++k) EXPECT_EQ(leaf.bladeMatrix.m[k], blade.m[k]);
        }
    }
    // Each child starts where its attachment point went, the tip child included.
    EXPECT_LT(distance(m.branches[1].points[0], m.branches[0].points[1]), 1e-12);
    EXPECT_LT(distance(m.branches[2].points[0], m.branches[0].points[3]), 1e-12);
    EXPECT_GT(distance(m.branches[2].points[0], m.restBranches[2].points[0]), 0.05);
}

TEST(SimulationStep, ChildServingFollowsTheList)
{
    auto model = makeModel();
    TreeModel& m = *model;
    m.branchCount = 4;
    motion_scene::setBranchLine(m.branches[0], 5, Vec3{0, 0, 0, 0}, Vec3{0.1, 1, 0, 0}, 1.0, 0.3);
    for (int i = 1; i < 4; ++i) {
        motion_scene::setBranchLine(m.branches[i], 3, m.branches[0].points[2], Vec3{1, 0.5, 0.1 * i, 0}, 0.5, 0.1);
        motion_scene::setClass(m.branches[i], 5);
    }
    motion_scene::setClass(m.branches[0], 5);
    // Two at point 2, then one at 1 listed after a larger point: it is never served.
    m.branches[0].childCount = 3;
    m.branches[0].children.reset(new BranchChild[3]{{2, 1}, {2, 2}, {1, 3}});
    motion_scene::finishTree(m);
    m.branches[0].bendPosition[2] = 0.5;
    simulateStep(m, true, 0.0, kAlongX, kTimeStep, false);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(m.branches[1].baseTransform.m[k], m.branches[2].baseTransform.m[k]);
    EXPECT_NE(m.branches[1].baseTransform.m[3], 0.0);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(m.branches[3].baseTransform.m[k], identity().m[k]);
}

TEST(SimulationStep, CalmBranchDoesNotSilenceTheNext)
{
    auto s = smallScene(3, 0);
    TreeModel& m = *s->model;
    // Branch 1 feels no gale at all; branch 2 must still bend.
    m.branches[1].windScale = 0.0;
    for (int step = 0; step < 3; ++step) simulateStep(m, true, 400.0, kAlongX, kTimeStep, false);
    const Branch& b = m.branches[2];
    const Vec3 rigid = transformPoint(b.baseTransform, m.restBranches[2].points[b.pointCount - 1]);
    EXPECT_GT(distance(b.points[b.pointCount - 1], rigid), 1e-4);
    EXPECT_EQ(m.branches[1].bendPosition[0], 0.0);
}

TEST(SimulationStep, VerticalWindLetsTheTreeRelax)
{
    auto s = smallScene(30, 100);
    TreeModel& m = *s->model;
    for (int step = 0; step < 100; ++step) simulateStep(m, true, 400.0, kAlongX, kTimeStep, false);
    EXPECT_GT(largestExcursion(m), 0.01);
    for (int step = 0; step < 3000; ++step) simulateStep(m, true, 400.0, Vec3{0, 1, 0, 0}, kTimeStep, false);
    EXPECT_LT(largestExcursion(m), 1e-6);
    for (int i = 0; i < m.grassBladeCount; ++i)
        EXPECT_LT(distance(m.grassBlades[i].centre[4], m.grassBlades[i].restCentre[4]), 1e-6);
    for (int i = 0; i < m.branchCount; ++i) {
        for (const Leaf& leaf : m.branches[i].leaves) EXPECT_LT(std::fabs(leaf.bendPosition[1]), 1e-6);
    }
}

TEST(SimulationStep, EmptyPartsAreSkipped)
{
    // Nothing loaded at all.
    auto empty = makeModel();
    simulateStep(*empty, true, 400.0, kAlongX, kTimeStep, true);
    simulateStep(*empty, false, 400.0, kAlongX, kTimeStep, false);
    // A blade count without an array.
    empty->grassBladeCount = 50;
    simulateStep(*empty, true, 400.0, kAlongX, kTimeStep, true);

    // Grass alone, no grids: the breeze still pushes it.
    auto grass = makeModel();
    motion_scene::buildGrass(*grass, 20);
    computeTreeBounds(*grass);
    for (int i = 0; i < 10; ++i) simulateStep(*grass, false, 0.0, kAlongX, kTimeStep, true);
    EXPECT_GT(distance(grass->grassBlades[3].centre[4], grass->grassBlades[3].restCentre[4]), 1e-4);
    EXPECT_TRUE(same(grass->grassBlades[3].centre[0], grass->grassBlades[3].restCentre[0]));

    // A tree without grass.
    auto tree = smallScene(5, 0);
    for (int i = 0; i < 10; ++i) simulateStep(*tree->model, true, 400.0, kAlongX, kTimeStep, true);
    EXPECT_GT(largestExcursion(*tree->model), 1e-4);
}

TEST(LeafDynamics, RigidWithoutBendAndOnePointLeaf)
{
    Leaf leaf;
    for (int k = 0; k < kPetiolePoints; ++k) leaf.petiolePoints[k] = {0.0, 0.0, 0.1 * k, 0};
    leaf.frameX = {1, 0, 0, 0};
    leaf.frameY = {0, 0, 1, 0};
    leaf.frameZ = {0, -1, 0, 0};
    leaf.stiffness = 1.0;
    leaf.frequency = 1.5;
    leaf.dampingRatio = 0.08;
    Mat4 mb = translation(Vec3{1, 2, 3, 0});
    rotate(mb, 0.4, Vec3{0, 0.6, 0.8, 0});
    Leaf moved = leaf;
    moveLeaf(moved, mb, Vec3{}, kTimeStep);
    for (int k = 0; k < kPetiolePoints; ++k) EXPECT_TRUE(same(moved.petiolePoints[k], transformPoint(mb, leaf.petiolePoints[k])));
    for (int k = 0; k < 16; ++k) EXPECT_EQ(moved.bladeMatrix.m[k], multiply(mb, leaf.bladeMatrix).m[k]);

    // Only a twist state, no bend: never twisted.
    Leaf twisted = leaf;
    twisted.bendPosition[1] = 5.0;
    moveLeaf(twisted, mb, Vec3{}, kTimeStep);
    for (int k = 0; k < kPetiolePoints; ++k) EXPECT_TRUE(same(twisted.petiolePoints[k], moved.petiolePoints[k]));

    Leaf single = leaf;
    single.pointCount = 1;
    single.bendPosition[0] = 3.0;
    moveLeaf(single, mb, Vec3{5, 0, 0, 0}, kTimeStep);
    EXPECT_TRUE(same(single.petiolePoints[0], transformPoint(mb, leaf.petiolePoints[0])));
    EXPECT_TRUE(same(single.petiolePoints[1], leaf.petiolePoints[1]));
    EXPECT_TRUE(same(single.frameY, transformPoint(mb, leaf.frameY)));
}

TEST(GrassDynamics, BendsInThePlaneOfTheWind)
{
    GrassBlade blade;
    blade.baseU = {1, 0, 0, 0};
    blade.baseV = {0, 0, 1, 0};
    for (int j = 0; j < kGrassLevels; ++j) {
        blade.centre[j] = {0, 0.2 * j, 0, 0};
        blade.edge[j] = {0, 0.2 * j, 0.02, 0};
    }
    GrassBlade calm = blade;
    moveGrassBlade(calm, Vec3{}, kTimeStep);
    for (int j = 0; j < kGrassLevels; ++j) EXPECT_TRUE(same(calm.centre[j], blade.centre[j]));

    GrassBlade windy = blade;
    for (int step = 0; step < 20; ++step) {
        for (int j = 0; j < kGrassLevels; ++j) windy.centre[j] = blade.centre[j], windy.edge[j] = blade.edge[j];
        moveGrassBlade(windy, Vec3{30, 0, 0, 0}, kTimeStep);
    }
    EXPECT_EQ(windy.bendPosition[1], 0.0);
    EXPECT_EQ(windy.bendPosition[2], 0.0);
    EXPECT_TRUE(same(windy.centre[0], blade.centre[0]));
    EXPECT_GT(windy.centre[4].x, 0.05);
    for (int j = 0; j < kGrassLevels; ++j) EXPECT_NEAR(windy.centre[j].z, 0.0, 1e-12);
    // The edge follows the blade: its offset from the centre keeps its length.
    for (int j = 0; j < kGrassLevels; ++j) EXPECT_NEAR(distance(windy.edge[j], windy.centre[j]), 0.02, 1e-12);
}

TEST(Determinism, SameSeedSameMotion)
{
    auto a = smallScene(40, 300);
    auto b = smallScene(40, 300);
    EXPECT_EQ(hashState(*a->model), hashState(*b->model));
    for (int step = 0; step < 1000; ++step) {
        const bool gale = step < 600;
        simulateStep(*a->model, gale, 400.0, kAlongX, kTimeStep, step % 3 == 0);
        simulateStep(*b->model, gale, 400.0, kAlongX, kTimeStep, step % 3 == 0);
    }
    EXPECT_EQ(hashState(*a->model), hashState(*b->model));
    auto c = smallScene(40, 300, false, 777);
    EXPECT_NE(hashState(*a->model), hashState(*c->model));
}

TEST(Determinism, MatchesThePlainFormulasBitForBit)
{
    auto fast = smallScene(80, 400, true);
    auto plain = smallScene(80, 400, true);
    const Vec3 slant{0.6, 0.0, 0.8, 0};
    for (int step = 0; step < 300; ++step) {
        const bool gale = step % 100 < 70;
        const double magnitude = step < 150 ? 400.0 : 800.0;
        const Vec3 dir = step < 200 ? kAlongX : slant;
        simulateStep(*fast->model, gale, magnitude, dir, kTimeStep, step % 2 == 0);
        reference::simulateStep(*plain->model, gale, magnitude, dir, kTimeStep, step % 2 == 0);
        if (step % 50 == 49) {
            ASSERT_EQ(hashState(*fast->model), hashState(*plain->model)) << "step " << step;
        }
    }
}

TEST(Soak, LongRunsStayFiniteAndNearRest)
{
    for (const bool gale : {true, false}) {
        auto s = smallScene(12, 30, true);
        TreeModel& m = *s->model;
        // No point can move further than twice the tree's reach from the trunk base.
        double reach = 0.0;
        for (int i = 0; i < m.branchCount; ++i)
            for (int k = 0; k < m.restBranches[i].pointCount; ++k)
                reach = std::max(reach, distance(m.restBranches[i].points[k], m.restBranches[0].points[0]));
        double worst = 0.0;
        for (int step = 0; step < 20000; ++step) {
            simulateStep(m, gale, 800.0, kAlongX, kTimeStep, true);
            if (step % 500 == 0) worst = std::max(worst, largestExcursion(m));
        }
        restoreRestState(m); // compare the last bent state on the loaded lines
        simulateStep(m, gale, 800.0, kAlongX, kTimeStep, false);
        worst = std::max(worst, largestExcursion(m));
        EXPECT_TRUE(std::isfinite(worst));
        EXPECT_LT(worst, 2.0 * reach) << (gale ? "gale" : "breeze");
        EXPECT_GT(worst, 1e-3) << "the wind moved nothing";
        for (int i = 0; i < m.branchCount; ++i) {
            for (const Leaf& leaf : m.branches[i].leaves)
                for (const Vec3& p : leaf.petiolePoints) ASSERT_TRUE(std::isfinite(p.x + p.y + p.z));
        }
        for (int i = 0; i < m.grassBladeCount; ++i) {
            for (const Vec3& p : m.grassBlades[i].edge) ASSERT_TRUE(std::isfinite(p.x + p.y + p.z));
        }
        for (int i = 0; i < m.branchCount; ++i) {
            for (double v : m.branches[i].bendPosition) ASSERT_TRUE(std::isfinite(v));
        }
    }
}

TEST(GeneratedScene, StepsStayFinite)
{
    if (!std::ifstream(kTreeModelPath) || !std::ifstream(kLeafModelPath) || !std::ifstream(kGrassFilePath))
        GTEST_SKIP() << "no generated data under ./data";
    Scene s;
    testing::internal::CaptureStdout();
    const bool loaded = motion_scene::loadGeneratedScene(*s.model, s.tmpl);
    const std::string out = testing::internal::GetCapturedStdout();
    if (!loaded) GTEST_SKIP() << "a loader is not ready: " << out;
    TreeModel& m = *s.model;
    EXPECT_EQ(m.branchCount, 322);
    EXPECT_EQ(m.grassBladeCount, 5000);
    for (int step = 0; step < 100; ++step) simulateStep(m, true, 800.0, kAlongX, kTimeStep, true);
    EXPECT_TRUE(std::isfinite(largestExcursion(m)));
    EXPECT_GT(largestExcursion(m), 1e-3);

    // The real tree and grass step bit for bit like the plain formulas.
    Scene plain;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(motion_scene::loadGeneratedScene(*plain.model, plain.tmpl));
    testing::internal::GetCapturedStdout();
    for (int step = 0; step < 100; ++step) reference::simulateStep(*plain.model, true, 800.0, kAlongX, kTimeStep, true);
    EXPECT_EQ(hashState(m), hashState(*plain.model));
    for (int step = 0; step < 20; ++step) {
        simulateStep(m, false, 800.0, kAlongX, kTimeStep, step % 2 == 0);
        reference::simulateStep(*plain.model, false, 800.0, kAlongX, kTimeStep, step % 2 == 0);
    }
    EXPECT_EQ(hashState(m), hashState(*plain.model));
}
