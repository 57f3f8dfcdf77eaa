#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "dynamics/branch_dynamics.h"
#include "dynamics/grass_dynamics.h"
#include "dynamics/leaf_dynamics.h"
#include "dynamics/rest_state.h"
#include "dynamics/simulation.h"
#include "frame/step_thread.h"
#include "dynamics/wind_force.h"
#include "scene/bounds.h"
#include "motion_scene.h"
#include "support/geometry.h"

// Every operator new of this test program is counted: the step must not allocate.
static std::atomic<long> allocations{0};

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete" // this operator new is malloc
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

using motion_scene::hashState;
using motion_scene::makeScene;
using motion_scene::smallScene;
using motion_scene::stepWind;

namespace {

const Vec3 kAlongX{1.0, 0.0, 0.0, 0};

// Every branch, leaf and blade at its rest geometry, exactly.
void expectAtRest(const Scene& s)
{
    const TreeModel& m = s.tree;
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
    for (int i = 0; i < s.grass.bladeCount; ++i) {
        for (int j = 0; j < kGrassLevels; ++j) {
            ASSERT_TRUE(same(s.grass.blades[i].centre[j], s.grass.blades[i].restCentre[j]));
            ASSERT_TRUE(same(s.grass.blades[i].edge[j], s.grass.blades[i].restEdge[j]));
        }
    }
}

// A trunk with a three-point child at each attach point, in list order, all of class 5.
void trunkWithChildren(TreeModel& m, int trunkPoints, std::initializer_list<int> attach)
{
    m.branchCount = 1 + static_cast<int>(attach.size());
    motion_scene::setBranchLine(m.branches[0], trunkPoints, Vec3{0, 0, 0, 0}, Vec3{0.1, 1, 0, 0}, 1.0, 0.3);
    m.branches[0].childCount = m.branchCount - 1;
    m.branches[0].children.reset(new BranchChild[attach.size()]);
    int i = 0;
    for (const int at : attach) {
        ++i;
        motion_scene::setBranchLine(m.branches[i], 3, m.branches[0].points[at], Vec3{1, 0.5, 0.1 * i, 0}, 0.5, 0.1);
        m.branches[0].children[i - 1] = {at, i};
    }
    for (int k = 0; k < m.branchCount; ++k) setBranchClass(m.branches[k], 5);
    motion_scene::finishTree(m);
}

} // namespace

TEST(SimulationStep, CursorsScrollLikeARaster)
{
    auto model = makeScene();
    motion_scene::buildNoise(model->wind);
    for (int i = 0; i < 10; ++i) stepWind(*model, true, 400.0, kAlongX, false);
    for (const NoiseField* f : {&model->wind.u, &model->wind.v, &model->wind.w}) {
        EXPECT_NEAR(f->offset[0], 1.0, 1e-12);
        EXPECT_EQ(f->offset[1], 0.0);
        EXPECT_NEAR(f->offset[2], 3.0, 1e-12);
    }
    double lastX = model->wind.u.offset[0];
    int steps = 10;
    while (model->wind.u.offset[1] == 0.0 && steps < 1000) {
        advanceWindCursors(model->wind);
        ++steps;
        if (model->wind.u.offset[1] == 0.0) lastX = model->wind.u.offset[0];
    }
    EXPECT_EQ(model->wind.u.offset[1], 1.0);
    EXPECT_GT(lastX + 0.1, 32.0);
    EXPECT_LT(model->wind.u.offset[0], 0.1);
    EXPECT_GT(steps, 300);
    EXPECT_LE(model->wind.u.offset[2], 32.0);
}

TEST(SimulationStep, RefinementRestoresFirst)
{
    auto s = smallScene(12, 0, true);
    TreeModel& m = s->tree;
    for (int i = 0; i < m.branchCount; ++i) EXPECT_EQ(m.branches[i].pointCount, 2 * m.restBranches[i].pointCount - 1);
    for (int step = 0; step < 2; ++step) {
        stepWind(*s, true, 400.0, kAlongX, true);
        for (int i = 0; i < m.branchCount; ++i)
            ASSERT_EQ(m.branches[i].pointCount, 2 * m.restBranches[i].pointCount - 1);
        EXPECT_EQ(m.triangleCount, m.triangleTotalShadowed);
        EXPECT_TRUE(m.refined);
    }
    stepWind(*s, true, 400.0, kAlongX, false);
    EXPECT_EQ(m.triangleCount, m.triangleTotalPlain);
    EXPECT_FALSE(m.refined);
    for (int i = 0; i < m.branchCount; ++i) EXPECT_EQ(m.branches[i].pointCount, m.restBranches[i].pointCount);
}

TEST(SimulationStep, RefinedPointsAndRadii)
{
    auto model = makeScene();
    TreeModel& m = model->tree;
    m.branchCount = 3;
    motion_scene::setBranchLine(m.branches[0], 2, Vec3{1, 2, 3, 0}, Vec3{0, 1, 1, 0}, 2.0, 0.3);
    motion_scene::setBranchLine(m.branches[1], 4, Vec3{0, 0, 0, 0}, Vec3{1, 0, 0, 0}, 1.0, 0.3);
    motion_scene::setBranchLine(m.branches[2], 1, Vec3{4, 5, 6, 0}, Vec3{0, 1, 0, 0}, 1.0, 0.2);
    const Vec3 a = m.branches[0].points[0], b = m.branches[0].points[1];
    const double ra = m.branches[0].radii[0], rb = m.branches[0].radii[1];
    const Vec3 c[4] = {m.branches[1].points[0], m.branches[1].points[1], m.branches[1].points[2], m.branches[1].points[3]};
    refineBranches(m, model->scratch);
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
    TreeModel& m = s->tree;
    for (int step = 0; step < 5; ++step) {
        stepWind(*s, true, 0.0, kAlongX, false);
        expectAtRest(*s);
    }
    for (int i = 0; i < m.branchCount; ++i) EXPECT_EQ(m.branches[i].bendPosition[0], 0.0);
}

TEST(SimulationStep, ChildrenAndLeavesRideRigidly)
{
    auto model = makeScene();
    TreeModel& m = model->tree;
    trunkWithChildren(m, 4, {1, 3}); // one child at the tip
    motion_scene::buildLeafTemplate(model->leafTemplate);
    m.refined = false;
    const uint32_t seed = 9;
    setUpScene(*model, &seed);

    // No force, but the trunk swings from its own oscillator state.
    m.branches[0].bendPosition[0] = 0.5;
    stepWind(*model, true, 0.0, kAlongX, false);
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
    auto model = makeScene();
    TreeModel& m = model->tree;
    // Two at point 2, then one at 1 listed after a larger point: it is never served.
    trunkWithChildren(m, 5, {2, 2, 1});
    m.branches[0].bendPosition[2] = 0.5;
    stepWind(*model, true, 0.0, kAlongX, false);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(m.branches[1].baseTransform.m[k], m.branches[2].baseTransform.m[k]);
    EXPECT_NE(m.branches[1].baseTransform.m[3], 0.0);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(m.branches[3].baseTransform.m[k], identity().m[k]);
}

TEST(SimulationStep, CalmBranchDoesNotSilenceTheNext)
{
    auto s = smallScene(3, 0);
    TreeModel& m = s->tree;
    // Branch 1 feels no gale at all; branch 2 must still bend.
    m.branches[1].windScale = 0.0;
    for (int step = 0; step < 3; ++step) stepWind(*s, true, 400.0, kAlongX, false);
    const Branch& b = m.branches[2];
    const Vec3 rigid = transformPoint(b.baseTransform, m.restBranches[2].points[b.pointCount - 1]);
    EXPECT_GT(distance(b.points[b.pointCount - 1], rigid), 1e-4);
    EXPECT_EQ(m.branches[1].bendPosition[0], 0.0);
}

TEST(SimulationStep, VerticalWindLetsTheTreeRelax)
{
    auto s = smallScene(30, 100);
    TreeModel& m = s->tree;
    for (int step = 0; step < 100; ++step) stepWind(*s, true, 400.0, kAlongX, false);
    EXPECT_GT(largestExcursion(m), 0.01);
    for (int step = 0; step < 3000; ++step) stepWind(*s, true, 400.0, Vec3{0, 1, 0, 0}, false);
    EXPECT_LT(largestExcursion(m), 1e-6);
    for (int i = 0; i < s->grass.bladeCount; ++i)
        EXPECT_LT(distance(s->grass.blades[i].centre[4], s->grass.blades[i].restCentre[4]), 1e-6);
    for (int i = 0; i < m.branchCount; ++i) {
        for (const Leaf& leaf : m.branches[i].leaves) EXPECT_LT(std::fabs(leaf.bendPosition[1]), 1e-6);
    }
}

TEST(SimulationStep, EmptyPartsAreSkipped)
{
    // Nothing loaded at all: without grids the cursors never move either.
    auto empty = makeScene();
    stepWind(*empty, true, 400.0, kAlongX, true);
    stepWind(*empty, false, 400.0, kAlongX, false);
    EXPECT_EQ(empty->wind.u.offset[0], 0.0);
    EXPECT_EQ(empty->wind.w.offset[2], 0.0);
    // A blade count without an array.
    empty->grass.bladeCount = 50;
    stepWind(*empty, true, 400.0, kAlongX, true);

    // Grass alone, no grids: the breeze still pushes it.
    auto grass = makeScene();
    motion_scene::buildGrass(grass->grass, 20);
    measureAndPlaceScene(grass->tree, grass->grass);
    for (int i = 0; i < 10; ++i) stepWind(*grass, false, 0.0, kAlongX, true);
    EXPECT_GT(distance(grass->grass.blades[3].centre[4], grass->grass.blades[3].restCentre[4]), 1e-4);
    EXPECT_TRUE(same(grass->grass.blades[3].centre[0], grass->grass.blades[3].restCentre[0]));
}

// Missing one grid (0..2), all grids (3), the tree (4), the leaf template (5) or the grass (6).
TEST(SimulationStep, EachPartMissingInTurnLeavesTheRestMoving)
{
    for (int missing = 0; missing < 7; ++missing) {
        auto s = makeScene();
        motion_scene::buildNoise(s->wind, 8);
        NoiseField* grids[3] = {&s->wind.u, &s->wind.v, &s->wind.w};
        for (int g = 0; g < 3; ++g)
            if (missing == g || missing == 3) *grids[g] = NoiseField{};
        if (missing != 4) motion_scene::buildTree(s->tree, 12);
        if (missing != 5) motion_scene::buildLeafTemplate(s->leafTemplate);
        if (missing != 6) motion_scene::buildGrass(s->grass, 50, 7);
        s->tree.refined = false;
        const uint32_t seed = 3;
        testing::internal::CaptureStdout(); // leaves without a template say so
        setUpScene(*s, &seed);
        EXPECT_EQ(testing::internal::GetCapturedStdout().empty(), missing != 5) << missing;
        for (int step = 0; step < 12; ++step)
            stepWind(*s, step < 6, 400.0, Vec3{0.0, -0.6, 0.8, 0}, step % 3 == 0);
        const TreeModel& m = s->tree;
        for (int i = 0; i < m.branchCount; ++i) {
            for (int k = 0; k < m.branches[i].pointCount; ++k)
                ASSERT_TRUE(std::isfinite(length(m.branches[i].points[k]))) << missing << " " << i;
            for (const Leaf& leaf : m.branches[i].leaves)
                ASSERT_TRUE(std::isfinite(length(leaf.petiolePoints[kPetiolePoints - 1]))) << missing;
        }
        for (int i = 0; i < s->grass.bladeCount; ++i)
            ASSERT_TRUE(std::isfinite(length(s->grass.blades[i].centre[4]))) << missing;
        EXPECT_EQ(m.branchCount > 0, missing != 4);
        EXPECT_TRUE(m.branchCount == 0 || largestExcursion(m) > 1e-4) << missing;
        EXPECT_TRUE(missing == 6 || distance(s->grass.blades[7].centre[4], s->grass.blades[7].restCentre[4]) > 1e-5)
            << missing;
    }
}

// The generated scene after 1000 gale steps, foliage seed 12345; a deliberate motion change updates it.
constexpr uint64_t kGeneratedSceneHash1000 = 0x9f3e4f0a492c608aull;
// The same with the plain formulas (Arithmetic::Plain), which must not drift.
constexpr uint64_t kPlainSceneHash1000 = 0x56a14aabd4b876e9ull;

// Largest distance between corresponding moving points of two scenes.
double largestGap(const Scene& a, const Scene& b)
{
    double worst = 0.0;
    auto gap = [&](const Vec3& p, const Vec3& q) { worst = std::max(worst, distance(p, q)); };
    for (int i = 0; i < a.tree.branchCount; ++i) {
        const Branch& x = a.tree.branches[i];
        const Branch& y = b.tree.branches[i];
        for (int k = 0; k < x.pointCount; ++k) gap(x.points[k], y.points[k]);
        for (int l = 0; l < kLeavesPerBranch; ++l) {
            for (int k = 0; k < kPetiolePoints; ++k) gap(x.leaves[l].petiolePoints[k], y.leaves[l].petiolePoints[k]);
            // The blade's corner points go with its matrix.
            for (const Vec3 corner : {Vec3{0, 0, 0, 0}, Vec3{1, 0, 0, 0}, Vec3{0, 1, 0, 0}})
                gap(transformPoint(x.leaves[l].bladeMatrix, corner), transformPoint(y.leaves[l].bladeMatrix, corner));
        }
    }
    for (int i = 0; i < a.grass.bladeCount; ++i) {
        for (int j = 0; j < kGrassLevels; ++j) {
            gap(a.grass.blades[i].centre[j], b.grass.blades[i].centre[j]);
            gap(a.grass.blades[i].edge[j], b.grass.blades[i].edge[j]);
        }
    }
    return worst;
}

TEST(GeneratedScene, StepsStayFiniteMatchTheCommittedHashesAndAgreeWithThePlainFormulas)
{
    auto fast = makeScene();
    auto plain = makeScene();
    testing::internal::CaptureStdout();
    const bool loaded = motion_scene::loadGeneratedScene(*fast) && motion_scene::loadGeneratedScene(*plain);
    const std::string out = testing::internal::GetCapturedStdout();
    if (!loaded) GTEST_SKIP() << "no generated data under ./data: " << out;
    EXPECT_EQ(fast->tree.branchCount, 322);
    EXPECT_EQ(fast->grass.bladeCount, 5000);
    double low = 1e300, high = -1e300;
    for (int i = 0; i < fast->tree.branchCount; ++i) {
        for (int k = 0; k < fast->tree.restBranches[i].pointCount; ++k) {
            low = std::min(low, fast->tree.restBranches[i].points[k].y);
            high = std::max(high, fast->tree.restBranches[i].points[k].y);
        }
    }
    const double height = high - low;
    ASSERT_GT(height, 1.0);
    for (int i = 0; i < 1000; ++i) {
        stepWind(*fast, true, 400.0, kAlongX, true);
        plain->input = fast->input;
        simulateStep(*plain, kTimeStep, Arithmetic::Plain);
    }
    EXPECT_TRUE(std::isfinite(largestExcursion(fast->tree)));
    EXPECT_GT(largestExcursion(fast->tree), 1e-3);
    const double gap = largestGap(*fast, *plain);
    std::printf("largest gap to the plain formulas: %.3g of the tree's height\n", gap / height);
    EXPECT_LT(gap, 1e-6 * height);
    EXPECT_EQ(hashState(*fast), kGeneratedSceneHash1000) << std::hex << hashState(*fast);
    EXPECT_EQ(hashState(*plain), kPlainSceneHash1000) << std::hex << hashState(*plain);
}

TEST(Threads, StateDoesNotDependOnTheThreadCount)
{
    const int before = simulationThreads();
    uint64_t one = 0;
    for (const int threads : {1, 2, 8}) {
        setSimulationThreads(threads);
        auto s = smallScene(40, 700);
        for (int step = 0; step < 200; ++step) stepWind(*s, step < 150, 400.0, kAlongX, step % 2 == 0);
        if (threads == 1) one = hashState(*s);
        EXPECT_EQ(hashState(*s), one) << threads;
    }
    setSimulationThreads(before);
}

TEST(Threads, StepsOnTheirOwnThreadMatchStepsInPlace)
{
    auto here = smallScene(40, 300, true);
    auto there = smallScene(40, 300, true);
    StepThread stepper;
    EXPECT_EQ(stepper.wait(), 0.0); // nothing started
    for (int frame = 0; frame < 30; ++frame) {
        const int steps = frame % 3; // 0, 1 or 2 steps a frame, as real-time pacing gives
        here->input = there->input = {{frame < 20, 400.0, kAlongX}, frame % 2 == 0};
        for (int i = 0; i < steps; ++i) simulateStep(*here, kTimeStep);
        stepper.start(*there, steps, kTimeStep);
        EXPECT_GE(stepper.wait(), 0.0);
    }
    EXPECT_EQ(hashState(*here), hashState(*there));
}

TEST(Threads, WorkAfterTheStepsSeesTheSteppedScene)
{
    auto here = smallScene(40, 300);
    auto there = smallScene(40, 300);
    struct Seen {
        Scene* scene;
        uint64_t hash = 0;
    } seen{there.get()};
    StepThread stepper;
    for (int i = 0; i < 3; ++i) simulateStep(*here, kTimeStep);
    stepper.start(*there, 3, kTimeStep, [](void* c) { auto* s = static_cast<Seen*>(c); s->hash = hashState(*s->scene); }, &seen);
    stepper.wait();
    EXPECT_EQ(seen.hash, hashState(*here));
    stepper.start(*there, 0, kTimeStep, [](void* c) { static_cast<Seen*>(c)->hash = 0; }, &seen); // no steps, still run
    stepper.wait();
    EXPECT_EQ(seen.hash, 0u);
}

TEST(Threads, StepAllocatesNothing)
{
    const int before = simulationThreads();
    setSimulationThreads(2);
    auto s = smallScene(40, 300, true);
    stepWind(*s, true, 400.0, kAlongX, true); // the thread team starts here
    stepWind(*s, true, 400.0, kAlongX, true);
    const long start = allocations.load();
    for (int step = 0; step < 20; ++step) stepWind(*s, step % 2 == 0, 400.0, kAlongX, step % 3 == 0);
    const long made = allocations.load() - start;
    setSimulationThreads(before);
    EXPECT_EQ(made, 0);
}
