#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "grass/grass_shade.h"
#include "support/geometry.h"
#include "tree/tree_model.h"

namespace {

const Vec3 kBoxMin = {-3.0, -1.0, -1.0, 0}, kBoxMax = {3.0, 9.0, 5.0, 0};

} // namespace

TEST(GrassShadeCells, MappingAtTheEdges)
{
    const double extent = 6.0;
    EXPECT_EQ(shadeCellCoordinate(-3.0, -3.0, 3.0), 0);
    EXPECT_EQ(shadeCellCoordinate(3.0, -3.0, 3.0), 39);
    EXPECT_EQ(shadeCellCoordinate(0.0, -3.0, 3.0), 20);
    // Just below the minimum by less than 1.5/39 of the extent: still cell 0.
    EXPECT_EQ(shadeCellCoordinate(-3.0 - 1.49 / 39.0 * extent, -3.0, 3.0), 0);
    EXPECT_EQ(shadeCellCoordinate(-3.0 - 1.51 / 39.0 * extent, -3.0, 3.0), -1);
    // Above the maximum by half a cell reaches 40: outside.
    EXPECT_EQ(shadeCellCoordinate(3.0 + 0.49 / 39.0 * extent, -3.0, 3.0), 39);
    EXPECT_EQ(shadeCellCoordinate(3.0 + 0.51 / 39.0 * extent, -3.0, 3.0), -1);
    // Far outside, empty extent and non-finite values never map.
    EXPECT_EQ(shadeCellCoordinate(1e300, -3.0, 3.0), -1);
    EXPECT_EQ(shadeCellCoordinate(-1e300, -3.0, 3.0), -1);
    EXPECT_EQ(shadeCellCoordinate(1.0, 2.0, 2.0), -1);
    EXPECT_EQ(shadeCellCoordinate(std::nan(""), -3.0, 3.0), -1);
    EXPECT_EQ(shadeCellCoordinate(0.0, -std::numeric_limits<double>::infinity(), 3.0), -1);
}

TEST(GrassShadeCells, RootReadsTheMarkedCell)
{
    auto model = boxedModel(kBoxMin, kBoxMax);
    const Vec3 root = {0.0, -1.0, 2.0, 0}; // cells (20, 20)
    EXPECT_FALSE(grassRootShaded(*model, root));
    model->cells[20 * 40 + 20] = 1;
    EXPECT_TRUE(grassRootShaded(*model, root));
    // Transposed index is another cell.
    EXPECT_FALSE(grassRootShaded(*model, {0.0, 0.0, 2.0 + 6.0 / 39.0, 0}));
    // Reading is not strict: a root on the box edge reads the edge cell.
    model->cells[0] = 1;
    EXPECT_TRUE(grassRootShaded(*model, {-3.0, 0.0, -1.0, 0}));
    EXPECT_TRUE(grassRootShaded(*model, {-3.1, 0.0, -1.1, 0}));
    EXPECT_FALSE(grassRootShaded(*model, {-30.0, 0.0, -1.0, 0}));
    clearShadeGrid(*model);
    EXPECT_FALSE(grassRootShaded(*model, root));
    EXPECT_FALSE(grassRootShaded(*model, {-3.0, 0.0, -1.0, 0}));
}

TEST(GrassColour, UnshadedConvergesAsPowersOfPointSix)
{
    Vec3 colour = {1.0, 0.0, 1.0, 0};
    const double start = distance(colour, kGrassLightColour);
    for (int n = 1; n <= 20; ++n) {
        easeGrassColour(colour, false);
        EXPECT_NEAR(distance(colour, kGrassLightColour), start * std::pow(0.6, n), 1e-12) << n;
    }
    // 0.6^20 of the start distance: within 0.01 of a colour step.
    EXPECT_NEAR(colour.x * 255.0, 81.0, 0.01);
    EXPECT_NEAR(colour.y * 255.0, 126.0, 0.01);
    EXPECT_NEAR(colour.z * 255.0, 41.0, 0.01);
}

TEST(GrassColour, ShadedMovesFortyPercentTowardsDarkGreen)
{
    Vec3 colour = kGrassLightColour;
    easeGrassColour(colour, true);
    // On the straight way from light to dark green, two fifths along it.
    const double way = distance(kGrassLightColour, kGrassShadeColour);
    EXPECT_NEAR(distance(colour, kGrassLightColour), 0.4 * way, 1e-15);
    EXPECT_NEAR(distance(colour, kGrassShadeColour), 0.6 * way, 1e-15);
    EXPECT_NEAR(colour.y * 255.0, 104.8, 1e-9); // committed: 0.4 * 73 + 0.6 * 126
    const double before = distance(colour, kGrassShadeColour);
    easeGrassColour(colour, true);
    EXPECT_NEAR(distance(colour, kGrassShadeColour), 0.6 * before, 1e-15);
    EXPECT_EQ(colour.status, 0);
}

TEST(GrassColour, ShadeThroughTheGridFollowsTheMarkingOfThePreviousFrame)
{
    // Frame loop as the display runs it: read the grid, ease, clear; then mark.
    auto model = boxedModel(kBoxMin, kBoxMax);
    const Vec3 root = {0.0, -1.0, 2.0, 0};
    Vec3 colour = kGrassLightColour;
    for (int frame = 0; frame < 10; ++frame) {
        easeGrassColour(colour, grassRootShaded(*model, root));
        clearShadeGrid(*model);
        markShadeCell(*model, root.x, root.z);
    }
    // The first frame found the grid clear: nine shaded steps.
    const double expected = distance(kGrassLightColour, kGrassShadeColour) * std::pow(0.6, 9);
    EXPECT_NEAR(distance(colour, kGrassShadeColour), expected, 1e-12);
}
