#include <gtest/gtest.h>

#include <cmath>

#include "motion_scene.h"
#include "scene/bounds.h"

namespace {

constexpr double kProfileSum161 = 0x1.07c15d3eb3578p+7;

void straightBranch(Branch& b, std::initializer_list<Vec3> points)
{
    const int n = static_cast<int>(points.size());
    b.pointCount = n;
    b.points.reset(new Vec3[2 * n - 1]);
    b.radii.reset(new double[2 * n - 1]);
    int k = 0;
    for (const Vec3& p : points) {
        b.points[k] = p;
        b.radii[k++] = 0.1;
    }
    // Leaf tips at the branch base so they do not widen the box.
    for (Leaf& leaf : b.leaves) leaf.petiolePoints[5] = b.points[0];
}

// A scene of one straight branch, or two; the box is computed by the caller.
std::unique_ptr<Scene> sceneOf(std::initializer_list<Vec3> trunk, std::initializer_list<Vec3> second = {})
{
    auto s = motion_scene::makeScene();
    s->tree.branchCount = second.size() ? 2 : 1;
    straightBranch(s->tree.branches[0], trunk);
    if (second.size()) straightBranch(s->tree.branches[1], second);
    return s;
}

} // namespace

// The profile is 1.25 ln(10 i) at i = 0.5, 1..15 sixteenths of the height,
// over its top value, straight between those points, flat outside them.
TEST(HeightProfile, LogProfile)
{
    auto logWind = [](double i) { return std::log(10.0 * (i == 0 ? 0.5 : i)) / std::log(150.0); };
    for (int i = 0; i < 16; ++i) {
        const double at = heightProfile(i / 16.0);
        EXPECT_NEAR(at, logWind(i), 2e-10) << i; // the table holds 10 digits
        if (i < 15) {
            EXPECT_NEAR(heightProfile((i + 0.5) / 16.0), (at + heightProfile((i + 1) / 16.0)) / 2, 1e-15) << i;
        }
    }
    EXPECT_EQ(heightProfile(15.0 / 16.0), 1.0);
    EXPECT_EQ(heightProfile(0.95), 1.0);
    EXPECT_EQ(heightProfile(3.0), 1.0);
    EXPECT_EQ(heightProfile(-0.01), heightProfile(0.0));
    EXPECT_EQ(heightProfile(std::nan("")), heightProfile(0.0));
    double last = 0.0, sum = 0.0;
    for (int i = 0; i <= 160; ++i) {
        EXPECT_GE(heightProfile(i / 160.0), last) << i;
        last = heightProfile(i / 160.0);
        sum += last;
    }
    // Every bit of the profile at 161 heights, summed once when it was last changed on purpose.
    EXPECT_EQ(sum, kProfileSum161) << std::hexfloat << sum;
}

TEST(TreeBounds, BoxMiddlePointsAndNoisePositions)
{
    auto model = sceneOf({{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}, {0, 4, 0, 0}},
                         {{-2, 1, -1, 0}, {-1, 2, 0, 0}, {1, 3, 1, 0}, {2, 3, 2, 0}, {2, 4, 3, 0}});
    Scene& sc = *model;
    TreeModel& m = sc.tree;
    m.branches[1].leaves[3].petiolePoints[5] = {0, 4.5, 0, 0}; // a leaf tip above everything
    measureAndPlaceScene(m, sc.grass);
    EXPECT_EQ(m.boundsMin.x, -2.0);
    EXPECT_EQ(m.boundsMin.y, 0.0);
    EXPECT_EQ(m.boundsMin.z, -1.0);
    EXPECT_EQ(m.boundsMax.x, 2.0);
    EXPECT_EQ(m.boundsMax.y, 4.5);
    EXPECT_EQ(m.boundsMax.z, 3.0);
    // Four points: the middle is points[2] = (0, 2, 0).
    const double h0 = 2.0 / 4.5;
    EXPECT_EQ(m.branches[0].windScale, heightProfile(h0));
    EXPECT_EQ(m.branches[0].noisePosition.x, h0 * 0.125);
    EXPECT_EQ(m.branches[0].noisePosition.y, 0.25);
    EXPECT_EQ(m.branches[0].noisePosition.z, 0.5);
    // Five points: points[2] = (1, 3, 1).
    EXPECT_EQ(m.branches[1].noisePosition.x, 3.0 / 4.5 * 0.125);
    EXPECT_EQ(m.branches[1].noisePosition.y, 0.5);
    EXPECT_EQ(m.branches[1].noisePosition.z, 0.75);
    // Leaves use their tip; the top leaf gets the full factor.
    EXPECT_EQ(m.branches[1].leaves[3].windScale, 1.0);
    EXPECT_EQ(m.branches[1].leaves[3].noisePosition.x, 0.125);
    EXPECT_EQ(m.branches[0].leaves[0].windScale, heightProfile(0.0)); // the ground value
}

TEST(TreeBounds, GrassSetOnLowestPointAndWidensOnlyXZ)
{
    auto model = sceneOf({{0, -0.1, 0, 0}, {0, 2, 0, 0}, {1, 3, 1, 0}});
    Scene& sc = *model;
    TreeModel& m = sc.tree;
    sc.grass.blades.reset(new GrassBlade[2]);
    sc.grass.bladeCount = 2;
    for (int j = 0; j < kGrassLevels; ++j) {
        sc.grass.blades[0].centre[j] = {0.5, 0.3 + j, 0.5, 0};
        sc.grass.blades[0].edge[j] = {0.6, 0.35 + j, 0.5, 0};
        sc.grass.blades[1].centre[j] = {-9, -7.0 + j, 4, 0}; // outside in x, z and below in y
        sc.grass.blades[1].edge[j] = {-9, -7.0 + j, 4.1, 0};
    }
    measureAndPlaceScene(m, sc.grass);
    EXPECT_EQ(m.boundsMin.x, -9.0);
    EXPECT_EQ(m.boundsMax.z, 4.0);
    EXPECT_EQ(m.boundsMin.y, -0.1);
    EXPECT_EQ(m.boundsMax.y, 3.0);
    const GrassBlade& g = sc.grass.blades[0];
    for (int j = 0; j < kGrassLevels; ++j) {
        EXPECT_NEAR(g.centre[j].y, 0.3 + j - 0.4, 1e-12);
        EXPECT_NEAR(g.edge[j].y, 0.35 + j - 0.4, 1e-12);
        EXPECT_EQ(g.restCentre[j].y, g.centre[j].y);
        EXPECT_EQ(g.restEdge[j].z, g.edge[j].z);
    }
    EXPECT_EQ(g.centre[0].y, -0.1);
    EXPECT_EQ(g.noisePosition.x, 0.0);
    EXPECT_EQ(g.noisePosition.y, 0.5 / 4.0);
    EXPECT_EQ(g.noisePosition.z, (0.5 + 9.0) / 10.0);
    EXPECT_EQ(sc.grass.blades[1].centre[0].y, -0.1);
}

TEST(TreeBounds, FlatAxesGiveZero)
{
    auto flat = sceneOf({{0, 0, 2, 0}, {1, 1, 2, 0}, {2, 2, 2, 0}}); // in the x/y plane: no extent in z
    measureAndPlaceScene(flat->tree, flat->grass);
    const Branch& b = flat->tree.branches[0];
    EXPECT_EQ(b.noisePosition.y, 0.0);
    EXPECT_EQ(b.noisePosition.z, 0.5);
    EXPECT_TRUE(std::isfinite(b.windScale));

    // Grass and no tree: the y box collapses to 0 instead of 9999.
    auto grassOnly = motion_scene::makeScene();
    grassOnly->grass.blades.reset(new GrassBlade[1]);
    grassOnly->grass.bladeCount = 1;
    for (int j = 0; j < kGrassLevels; ++j) grassOnly->grass.blades[0].centre[j] = {1, 0.5 + j, 1, 0};
    measureAndPlaceScene(grassOnly->tree, grassOnly->grass);
    EXPECT_EQ(grassOnly->grass.blades[0].centre[0].y, 0.0);
    EXPECT_EQ(grassOnly->grass.blades[0].noisePosition.y, 0.0);
    // A count without an array is an empty field.
    auto stale = motion_scene::makeScene();
    stale->grass.bladeCount = 40;
    measureAndPlaceScene(stale->tree, stale->grass);
    EXPECT_EQ(stale->tree.boundsMin.x, 0.0);
}
