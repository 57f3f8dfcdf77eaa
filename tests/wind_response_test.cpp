// The tree's answer to the wind as a whole: the wind force and its frame,
// the same seed giving the same motion, steady winds against their mirror
// images, and long runs that stay finite and near rest.
#include <gtest/gtest.h>

#include <cmath>

#include "dynamics/rest_state.h"
#include "dynamics/simulation.h"
#include "dynamics/wind_force.h"
#include "motion_scene.h"
#include "support/geometry.h"

using motion_scene::hashState;
using motion_scene::smallScene;
using motion_scene::stepWind;

namespace {
const Vec3 kAlongX{1.0, 0.0, 0.0, 0};
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
    EXPECT_EQ(length(windForce(gale, 0.0, 0.5, 0.5, 1.0)), 0.0);
    // Straight up: no cross-wind frame, so no force at all.
    const Vec3 up = windForce(makeWindInput(true, 400.0, Vec3{0, 1, 0, 0}), 1.0, 0.5, 0.5, 1.0);
    EXPECT_NE(up.status, 0);
    EXPECT_EQ(length(up), 0.0);
}

// Tilted directions too: an orthonormal right-handed frame, a horizontal cross-wind, the +x force length.
TEST(WindForce, AnyDirectionGivesAUnitFrameAndTheSameForceLength)
{
    const WindInput flat = makeWindInput(true, 400.0, kAlongX);
    for (Vec3 d : {Vec3{0, -3, 4, 0}, Vec3{1, 2, -2, 0}, Vec3{-0.3, 0.9, 0.1, 0}, Vec3{5, -0.01, 0, 0}}) {
        normalize(d);
        const WindInput w = makeWindInput(true, 400.0, d);
        EXPECT_NEAR(length(w.across), 1.0, 1e-12);
        EXPECT_NEAR(length(w.third), 1.0, 1e-12);
        EXPECT_NEAR(dot(w.across, d), 0.0, 1e-12);
        EXPECT_NEAR(dot(w.third, d), 0.0, 1e-12);
        EXPECT_NEAR(dot(w.third, w.across), 0.0, 1e-12);
        EXPECT_EQ(w.across.y, 0.0);
        EXPECT_GT(w.third.y, 0.0);
        EXPECT_NEAR(dot(cross(d, w.across), w.third), dot(cross(kAlongX, flat.across), flat.third), 1e-12);
        const double samples[2][3] = {{1.0, 0.5, 0.5}, {0.2, 0.9, 0.3}};
        for (const auto& s : samples)
            for (const bool gale : {true, false})
                EXPECT_NEAR(length(windForce(makeWindInput(gale, 400.0, d), s[0], s[1], s[2], 0.7)),
                            length(windForce(makeWindInput(gale, 400.0, kAlongX), s[0], s[1], s[2], 0.7)), 1e-9);
    }
}

TEST(Determinism, SameSeedSameMotion)
{
    auto a = smallScene(40, 300);
    auto b = smallScene(40, 300);
    EXPECT_EQ(hashState(*a), hashState(*b));
    for (int step = 0; step < 1000; ++step) {
        const bool gale = step < 600;
        stepWind(*a, gale, 400.0, kAlongX, step % 3 == 0);
        stepWind(*b, gale, 400.0, kAlongX, step % 3 == 0);
    }
    EXPECT_EQ(hashState(*a), hashState(*b));
    auto c = smallScene(40, 300, false, 777);
    EXPECT_NE(hashState(*a), hashState(*c));
}

// Grids of one value each: a wind without turbulence.
void steadyWind(WindField& wind, double u, double v, double w)
{
    for (auto [field, value] : {std::pair{&wind.u, u}, std::pair{&wind.v, v}, std::pair{&wind.w, w}}) {
        field->size = 2;
        field->values.reset(new double[8]);
        for (int i = 0; i < 8; ++i) field->values[i] = value;
    }
}

TEST(Physics, SteadyDeflectionAndMirrorWinds)
{
    // A steady gale along +x (u = 1, no cross parts).
    auto s = smallScene(1, 0);
    steadyWind(s->wind, 1.0, 0.5, 0.5);
    Branch& trunk = s->tree.branches[0];
    const Branch& rest = s->tree.restBranches[0];
    const int tip = trunk.pointCount - 1;
    std::vector<double> lean;
    for (int i = 0; i < 600; ++i) {
        stepWind(*s, true, 100.0, kAlongX, false);
        lean.push_back(trunk.points[tip].x - rest.points[tip].x);
    }
    EXPECT_GT(lean.back(), 1e-4) << "a wind along +x bends the tip along +x";
    EXPECT_NEAR(lean[599], lean[500], 1e-2 * lean.back()) << "the deflection settles";
    EXPECT_NEAR(trunk.points[tip].z, rest.points[tip].z, 1e-12) << "no cross-wind, no sideways lean";

    // Opposite winds mirror the motion of a trunk that stands on the y axis.
    auto plus = smallScene(1, 0);
    auto minus = smallScene(1, 0);
    steadyWind(plus->wind, 0.9, 0.7, 0.2);
    steadyWind(minus->wind, 0.9, 0.7, 0.2);
    for (int i = 0; i < 50; ++i) {
        stepWind(*plus, true, 300.0, kAlongX, false);
        stepWind(*minus, true, 300.0, Vec3{-1.0, 0.0, 0.0, 0}, false);
    }
    const Branch& p = plus->tree.branches[0];
    const Branch& q = minus->tree.branches[0];
    double moved = 0.0;
    for (int k = 1; k < p.pointCount; ++k) {
        EXPECT_NEAR(p.points[k].x, -q.points[k].x, 1e-9) << k;
        EXPECT_NEAR(p.points[k].y, q.points[k].y, 1e-9) << k;
        EXPECT_NEAR(p.points[k].z, -q.points[k].z, 1e-9) << k;
        moved = std::max(moved, distance(p.points[k], rest.points[k]));
    }
    EXPECT_GT(moved, 1e-3);
}

TEST(Soak, LongRunsStayFiniteAndNearRest)
{
    for (const bool gale : {true, false}) {
        auto s = smallScene(12, 30, true);
        TreeModel& m = s->tree;
        // No point can move further than twice the tree's reach from the trunk base.
        double reach = 0.0;
        for (int i = 0; i < m.branchCount; ++i)
            for (int k = 0; k < m.restBranches[i].pointCount; ++k)
                reach = std::max(reach, distance(m.restBranches[i].points[k], m.restBranches[0].points[0]));
        double worst = 0.0;
        for (int step = 0; step < 20000; ++step) {
            stepWind(*s, gale, 800.0, kAlongX, true);
            if (step % 500 == 0) worst = std::max(worst, largestExcursion(m));
        }
        restoreRestState(*s); // compare the last bent state on the loaded lines
        stepWind(*s, gale, 800.0, kAlongX, false);
        worst = std::max(worst, largestExcursion(m));
        EXPECT_LT(worst, 2.0 * reach) << (gale ? "gale" : "breeze");
        EXPECT_GT(worst, 1e-3) << "the wind moved nothing";
        for (int i = 0; i < m.branchCount; ++i) {
            for (double v : m.branches[i].bendPosition) ASSERT_TRUE(std::isfinite(v));
            for (const Leaf& leaf : m.branches[i].leaves)
                for (const Vec3& p : leaf.petiolePoints) ASSERT_TRUE(std::isfinite(p.x + p.y + p.z));
        }
        for (int i = 0; i < s->grass.bladeCount; ++i)
            for (const Vec3& p : s->grass.blades[i].edge) ASSERT_TRUE(std::isfinite(p.x + p.y + p.z));
    }
}

// The scene's driver owns the wind: a playing schedule moves the wind of the
// moment to each next step's time by itself, handing the same driver over
// again changes nothing, and the wind the last step took trails by a step.
TEST(WindDriver, TheSceneMovesItsWindOncePerStep)
{
    auto s = smallScene(8, 20);
    WindSchedule ramp = constantSchedule({true, 100.0, kAlongX});
    ramp.keys.push_back({1.0, {true, 700.0, Vec3{0.0, 0.0, 1.0, 0}}});
    const WindDriver driver = scheduledWind(ramp);
    driveWind(*s, driver);
    EXPECT_EQ(s->input.wind.magnitude, 100.0);
    for (int k = 1; k <= 6; ++k) {
        simulateStep(*s, kTimeStep);
        driveWind(*s, driver); // as a front-end does every frame: not a second evaluation
        EXPECT_EQ(s->input.wind.magnitude, evaluateWind(ramp, k * kTimeStep).magnitude) << k;
        EXPECT_EQ(s->lastWind.magnitude, evaluateWind(ramp, (k - 1) * kTimeStep).magnitude) << k;
    }
    WindDriver calm;
    calm.constant = {false, 0.0, kAlongX};
    driveWind(*s, calm);
    simulateStep(*s, kTimeStep);
    EXPECT_EQ(s->input.wind.magnitude, 0.0);
    EXPECT_FALSE(s->input.wind.gale);
}
