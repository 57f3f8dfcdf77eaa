// The leaves' and the grass's own motion: their passes against the scene's
// step, side-by-side lanes against one at a time, bending in the wind's plane.
#include <gtest/gtest.h>

#include <cmath>

#include "dynamics/grass_dynamics.h"
#include "dynamics/leaf_dynamics.h"
#include "dynamics/rest_state.h"
#include "dynamics/simulation.h"
#include "motion_scene.h"
#include "support/geometry.h"

using motion_scene::smallScene;
using motion_scene::stepWind;

namespace {
const Vec3 kAlongX{1.0, 0.0, 0.0, 0};
} // namespace

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

TEST(GrassDynamics, FromRestIsRestoreThenMove)
{
    // A blade left bent by the last step.
    for (Arithmetic arithmetic : {Arithmetic::Fast, Arithmetic::Plain}) {
        GrassBlade blade;
        Random random;
        blade.drawOscillator(random);
        blade.baseU = {0.6, 0, 0.8, 0};
        blade.baseV = {-0.8, 0, 0.6, 0};
        for (int j = 0; j < kGrassLevels; ++j) {
            blade.restCentre[j] = {0.1, 0.2 * j, 0.3, 0};
            blade.restEdge[j] = {0.1, 0.2 * j, 0.32, 0};
            blade.centre[j] = {0.5 * j, 0.1 * j, -0.2, 0};
            blade.edge[j] = {0.5 * j, 0.1 * j, -0.1, 0};
        }
        blade.bendPosition[0] = 0.02;
        for (const Vec3 force : {Vec3{30, 0, 5, 0}, Vec3{}}) {
            GrassBlade restored = blade, fused = blade;
            restoreBlade(restored);
            moveGrassBlade(restored, force, kTimeStep, arithmetic);
            moveGrassBladeFromRest(fused, force, kTimeStep, arithmetic);
            for (int j = 0; j < kGrassLevels; ++j) {
                EXPECT_TRUE(same(fused.centre[j], restored.centre[j])) << j;
                EXPECT_TRUE(same(fused.edge[j], restored.edge[j])) << j;
            }
        }
    }
}

TEST(GrassDynamics, SideBySideMatchesOneAtATime)
{
    // By the widest build and the portable one: twists past pi/4, a zero segment, a calm and an invalid member.
    constexpr int kBlades = 4 * kGrassLanes;
    std::vector<GrassBlade> alone(kBlades);
    Random random;
    for (int i = 0; i < kBlades; ++i) {
        GrassBlade& b = alone[i];
        b.drawOscillator(random);
        b.baseU = {std::cos(0.7 * i), 0, std::sin(0.7 * i), 0};
        b.baseV = {-std::sin(0.7 * i), 0, std::cos(0.7 * i), 0};
        for (int j = 0; j < kGrassLevels; ++j) {
            const double s = 0.25 * j;
            b.restCentre[j] = {0.1 * i + 0.3 * s * s, 2.0 * s, 0.2 - 0.1 * s, 0};
            b.restEdge[j] = add(b.restCentre[j], Vec3{0.02 * (1 - s), 0, 0.04, 0});
        }
    }
    alone[5].restCentre[3] = alone[5].restCentre[2];
    alone[9].restCentre[0].status = 2;
    std::vector<GrassBlade> wide = alone, portable = alone;
    for (int step = 0; step < 80; ++step) {
        for (int first = 0; first < kBlades; first += kGrassLanes) {
            Vec3 forces[kGrassLanes];
            GrassBlade* w[kGrassLanes];
            GrassBlade* p[kGrassLanes];
            for (int k = 0; k < kGrassLanes; ++k) {
                const int i = first + k;
                const bool calm = i == 12 && step < 40;
                forces[k] = calm ? Vec3{} : Vec3{300 * std::sin(0.3 * step + i), 40.0, 250 * std::cos(0.17 * step), 0};
                moveGrassBladeFromRest(alone[i], forces[k], kTimeStep);
                w[k] = &wide[i];
                p[k] = &portable[i];
            }
            moveGrassLanesFromRest(w, forces, kTimeStep);
            moveGrassLanesFromRest(p, forces, kTimeStep, true);
        }
    }
    for (int i = 0; i < kBlades; ++i) {
        for (const std::vector<GrassBlade>* lanes : {&wide, &portable}) {
            const GrassBlade& b = (*lanes)[i];
            for (int j = 0; j < kGrassLevels; ++j) {
                EXPECT_TRUE(bitsEqual(b.centre[j], alone[i].centre[j])) << i << ' ' << j;
                EXPECT_TRUE(bitsEqual(b.edge[j], alone[i].edge[j])) << i << ' ' << j;
            }
            EXPECT_EQ(std::memcmp(b.bendPosition, alone[i].bendPosition, sizeof b.bendPosition), 0) << i;
        }
    }
    EXPECT_GT(distance(alone[0].centre[4], alone[0].restCentre[4]), 0.1); // it did bend
}

TEST(LeafDynamics, SideBySideMatchesOneAtATime)
{
    // Each leaf on its own branch tip; one group has a short petiole and so goes one by one.
    auto s = smallScene(8, 0);
    stepWind(*s, true, 400.0, kAlongX, false);
    std::vector<Leaf> alone;
    std::vector<const Mat4*> tips;
    for (int i = 0; i < 4 && i < s->tree.branchCount; ++i) {
        for (const Leaf& leaf : s->tree.branches[i].leaves) {
            alone.push_back(leaf);
            tips.push_back(&s->tree.branches[i].tipTransform);
        }
    }
    ASSERT_EQ(alone.size(), 24u);
    alone[21].pointCount = 4;
    std::vector<Leaf> wide = alone, portable = alone;
    for (int step = 0; step < 60; ++step) {
        for (size_t first = 0; first < alone.size(); first += kLeafLanes) {
            Vec3 forces[kLeafLanes];
            Leaf* w[kLeafLanes];
            Leaf* p[kLeafLanes];
            for (int k = 0; k < kLeafLanes; ++k) {
                const size_t i = first + k;
                forces[k] = {90 * std::sin(0.3 * step + i), 20.0, 70 * std::cos(0.2 * step), 0};
                for (std::vector<Leaf>* set : {&alone, &wide, &portable}) restoreLeaf((*set)[i]);
                moveLeaf(alone[i], *tips[i], forces[k], kTimeStep);
                w[k] = &wide[i];
                p[k] = &portable[i];
            }
            moveLeafLanes(w, &tips[first], forces, kTimeStep);
            moveLeafLanes(p, &tips[first], forces, kTimeStep, true);
        }
    }
    for (size_t i = 0; i < alone.size(); ++i) {
        for (const std::vector<Leaf>* set : {&wide, &portable}) {
            const Leaf& leaf = (*set)[i];
            EXPECT_EQ(std::memcmp(leaf.bladeMatrix.m, alone[i].bladeMatrix.m, sizeof leaf.bladeMatrix.m), 0) << i;
            for (int k = 0; k < kPetiolePoints; ++k)
                EXPECT_TRUE(bitsEqual(leaf.petiolePoints[k], alone[i].petiolePoints[k])) << i << ' ' << k;
        }
    }
    EXPECT_GT(distance(alone[0].petiolePoints[5], transformPoint(*tips[0], alone[0].restPetiolePoints[5])), 1e-3);
}

TEST(GrassDynamics, BendsInThePlaneOfTheWind)
{
    GrassBlade blade;
    Random random;
    blade.drawOscillator(random);
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
