#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "math/planar_shadow.h"
#include "grass/grass_shade.h"
#include "support/geometry.h"
#include "tree/tree_model.h"

namespace {

const Vec3 kLight = {-10.0, 12.0, 5.0, 0};

// What OpenGL does with a matrix in its element order: column-major product,
// then the homogeneous divide.
Vec3 applyGlMatrix(const Mat4& m, const Vec3& p)
{
    const double* a = m.m;
    const double x = a[0] * p.x + a[4] * p.y + a[8] * p.z + a[12];
    const double y = a[1] * p.x + a[5] * p.y + a[9] * p.z + a[13];
    const double z = a[2] * p.x + a[6] * p.y + a[10] * p.z + a[14];
    const double w = a[3] * p.x + a[7] * p.y + a[11] * p.z + a[15];
    return {x / w, y / w, z / w, 0};
}

Vec3 travelDirection(const Vec3& light)
{
    Vec3 d = scale(light, -1.0);
    normalize(d);
    return d;
}

const Vec3 kBoxMin = {-2.0, 0.0, -4.0, 0}, kBoxMax = {2.0, 10.0, 4.0, 0};

int markedCells(const ShadeGrid& model)
{
    int count = 0;
    for (uint8_t cell : model.cells) count += cell != 0;
    return count;
}

} // namespace

TEST(ShadowProjection, MatrixAndDirectProjectionAgree)
{
    const Vec3 top = {0.0, 12.0, 0.0, 0};
    const Vec3 viaMatrix = applyGlMatrix(shadowMatrix(kLight, 0.0), top);
    EXPECT_NEAR(viaMatrix.x, 10.0, 1e-12);
    EXPECT_NEAR(viaMatrix.y, 0.0, 1e-12);
    EXPECT_NEAR(viaMatrix.z, -5.0, 1e-12);

    const Vec3 direct = projectAlongLight(top, travelDirection(kLight), 0.051);
    EXPECT_NEAR(direct.x, 10.0, 1e-12);
    EXPECT_DOUBLE_EQ(direct.y, 0.051);
    EXPECT_NEAR(direct.z, -5.0, 1e-12);

    // Arbitrary points: both routes land on the same ground position.
    for (const Vec3& p : {Vec3{1.5, 3.0, -2.0, 0}, Vec3{-0.7, 0.2, 4.1, 0}, Vec3{3.0, -1.0, 0.5, 0}}) {
        const Vec3 m = applyGlMatrix(shadowMatrix(kLight, 0.0), p);
        const Vec3 d = projectAlongLight(p, travelDirection(kLight), 0.0);
        EXPECT_NEAR(m.x, d.x, 1e-12);
        EXPECT_NEAR(m.z, d.z, 1e-12);
    }
}

TEST(ShadowProjection, MatrixLiftIsDividedByLightHeight)
{
    const Vec3 p = {0.3, 2.0, -1.0, 0};
    // Grass shadows at lift 0.05 lie at 0.05/Ly; leaf shadows of branch b at 0.05*b/(count*Ly).
    EXPECT_NEAR(applyGlMatrix(shadowMatrix(kLight, 0.05), p).y, 0.05 / 12.0, 1e-15);
    const double leafLift = 0.05 * 321 / 322;
    EXPECT_NEAR(applyGlMatrix(shadowMatrix(kLight, leafLift), p).y, leafLift / 12.0, 1e-15);
    const Mat4 m = shadowMatrix(kLight, 0.05);
    for (int i : {1, 2, 3, 5, 7, 8, 9, 11, 12, 14}) EXPECT_EQ(m.m[i], 0.0) << i;
}

TEST(ShadowProjection, LightBelowTheGroundKeepsTheMappingWithPositiveW)
{
    const Vec3 below = {-10.0, -12.0, 5.0, 0};
    const Mat4 m = shadowMatrix(below, 0.05);
    EXPECT_GT(m.m[15], 0.0); // a negative w would be clipped away by OpenGL
    const Vec3 p = {1.0, 3.0, -2.0, 0};
    const Vec3 flat = applyGlMatrix(m, p);
    EXPECT_NEAR(flat.x, 1.0 - 3.0 * -10.0 / -12.0, 1e-12);
    EXPECT_NEAR(flat.y, 0.05 / -12.0, 1e-15);
    EXPECT_NEAR(flat.z, -2.0 - 3.0 * 5.0 / -12.0, 1e-12);
    const Vec3 direct = projectAlongLight(p, travelDirection(below), 0.0);
    EXPECT_NEAR(flat.x, direct.x, 1e-12);
    EXPECT_NEAR(flat.z, direct.z, 1e-12);
}

TEST(ShadowProjection, BranchHeightsStackByIndex)
{
    EXPECT_DOUBLE_EQ(branchShadowHeight(0, 322), 0.051);
    EXPECT_DOUBLE_EQ(branchShadowHeight(321, 322), 0.051 + 0.02 * 321 / 322);
}

TEST(ShadowProjection, ThinSegmentsBecomeLinesByClass)
{
    const Vec3 points[2] = {{0.0, 1.0, 0.0, 0}, {0.0, 2.0, 0.0, 0}};
    ShadowSegment segment{};
    const double thin[2] = {0.0249, 0.02};
    ASSERT_EQ(projectBranchShadow(points, thin, 2, travelDirection(kLight), 0.051, &segment), 1);
    EXPECT_TRUE(segment.thin);
    EXPECT_EQ(thinShadowLineWidth(0), 3.0f);
    EXPECT_EQ(thinShadowLineWidth(1), 2.0f);
    EXPECT_EQ(thinShadowLineWidth(2), 1.0f);
    EXPECT_EQ(thinShadowLineWidth(7), 1.0f);

    // Only the start radius decides.
    const double thick[2] = {0.025, 0.001};
    projectBranchShadow(points, thick, 2, travelDirection(kLight), 0.051, &segment);
    EXPECT_FALSE(segment.thin);
}

TEST(ShadowProjection, SegmentCornersAreChainedAndSpanTheRadius)
{
    // A vertical trunk of three points: the shadow is a strip away from the light.
    const Vec3 points[3] = {{0.0, 0.0, 0.0, 0}, {0.0, 6.0, 0.0, 0}, {0.0, 12.0, 0.0, 0}};
    const double radii[3] = {0.4, 0.3, 0.2};
    ShadowSegment s[2];
    const Vec3 dir = travelDirection(kLight);
    ASSERT_EQ(projectBranchShadow(points, radii, 3, dir, 0.06, s), 2);

    // The second segment starts exactly where the first ended.
    EXPECT_EQ(s[1].a.x, s[0].c.x);
    EXPECT_EQ(s[1].a.z, s[0].c.z);
    EXPECT_EQ(s[1].b.x, s[0].d.x);
    EXPECT_EQ(s[1].b.z, s[0].d.z);
    for (const ShadowSegment& seg : s) {
        for (const Vec3* p : {&seg.a, &seg.b, &seg.c, &seg.d}) EXPECT_DOUBLE_EQ(p->y, 0.06);
    }
    // Root corners are R apart (half a radius each side), tip midpoint at (10, -5).
    EXPECT_NEAR(std::hypot(s[0].a.x - s[0].b.x, s[0].a.z - s[0].b.z), 0.4, 1e-12);
    EXPECT_NEAR((s[1].c.x + s[1].d.x) * 0.5, 10.0, 1e-12);
    EXPECT_NEAR((s[1].c.z + s[1].d.z) * 0.5, -5.0, 1e-12);
    // The side vector is perpendicular to the light: corners differ only across the shadow.
    const double acrossX = s[0].a.x - s[0].b.x;
    const double acrossZ = s[0].a.z - s[0].b.z;
    EXPECT_NEAR(acrossX * 10.0 + acrossZ * -5.0, 0.0, 1e-12);
}

TEST(ShadowProjection, DegenerateSegmentCollapsesToCentreLine)
{
    const Vec3 points[2] = {{1.0, 2.0, 3.0, 0}, {1.0, 2.0, 3.0, 0}};
    const double radii[2] = {0.5, 0.5};
    ShadowSegment s{};
    projectBranchShadow(points, radii, 2, travelDirection(kLight), 0.051, &s);
    EXPECT_DOUBLE_EQ(s.a.x, s.b.x);
    EXPECT_DOUBLE_EQ(s.a.z, s.b.z);
    EXPECT_TRUE(std::isfinite(s.a.x));
    EXPECT_EQ(projectBranchShadow(points, radii, 1, travelDirection(kLight), 0.051, &s), 0);
}

TEST(ShadowLight, GroundLevelOrBrokenLightSkipsTheShadows)
{
    for (const Vec3& light : {kLight, Vec3{-10.0, -12.0, 5.0, 0}, Vec3{-10.0, 0.01, 5.0, 0}})
        EXPECT_TRUE(shadowLightUsable(light)) << light.y;
    const double inf = std::numeric_limits<double>::infinity();
    const Vec3 unusable[] = {{-10.0, 0.0, 5.0, 0}, {-10.0, -0.0, 5.0, 0}, {-10.0, 1e-12, 5.0, 0},
                             {0.0, 0.0, 0.0, 0},   {inf, 12.0, 5.0, 0},   {-10.0, std::nan(""), 5.0, 0}};
    for (const Vec3& light : unusable) EXPECT_FALSE(shadowLightUsable(light)) << light.x << " " << light.y;
}

TEST(ShadeGridMarking, StrictlyInsideTheBoxOnly)
{
    auto model = boxedModel(kBoxMin, kBoxMax);
    EXPECT_FALSE(markShadeCell(*model, -2.0, 0.0)); // exactly on boundsMin.x
    EXPECT_FALSE(markShadeCell(*model, 2.0, 0.0));  // exactly on boundsMax.x
    EXPECT_FALSE(markShadeCell(*model, 0.0, -4.0));
    EXPECT_FALSE(markShadeCell(*model, std::nan(""), 0.0));
    EXPECT_FALSE(markShadeCell(*model, 0.0, std::numeric_limits<double>::infinity()));
    EXPECT_EQ(markedCells(*model), 0);

    EXPECT_TRUE(markShadeCell(*model, -2.0 + 1e-9, -4.0 + 1e-9));
    EXPECT_EQ(model->cells[0], 1);
    EXPECT_TRUE(markShadeCell(*model, 2.0 - 1e-9, 4.0 - 1e-9));
    EXPECT_EQ(model->cells[39 * 40 + 39], 1);
    EXPECT_EQ(markedCells(*model), 2);
}

TEST(ShadeGridMarking, RoundsHalfUpAndIndexesXMajor)
{
    auto model = boxedModel(kBoxMin, kBoxMax);
    // x extent 4, z extent 8: cell width 4/39 and 8/39; half a cell rounds up.
    const double halfX = 0.5 * 4.0 / 39.0;
    markShadeCell(*model, -2.0 + halfX * 1.0001, -4.0 + 3.0 * 8.0 / 39.0);
    EXPECT_EQ(model->cells[1 * 40 + 3], 1);
    clearShadeGrid(*model);
    markShadeCell(*model, -2.0 + halfX * 0.9999, 0.0);
    EXPECT_EQ(model->cells[0 * 40 + 20], 1); // z = 0: 19.5 + 0.5 -> 20
    EXPECT_EQ(markedCells(*model), 1);
}

TEST(ShadeGridMarking, DegenerateBoxMarksNothing)
{
    auto model = boxedModel(kBoxMin, kBoxMax);
    model->boundsMax.x = model->boundsMin.x;
    EXPECT_FALSE(markShadeCell(*model, -2.0, 0.0));
    EXPECT_EQ(markedCells(*model), 0);
}

TEST(ShadeGridMarking, TrunkShadowMarksCellsAwayFromTheLight)
{
    // A trunk standing at the centre of a wide box: its shadow cells lie at
    // larger x and smaller z than the trunk cell (light at -x, +z).
    auto model = std::make_unique<ShadeGrid>();
    model->boundsMin = {-20.0, 0.0, -20.0, 0};
    model->boundsMax = {20.0, 12.0, 20.0, 0};
    Vec3 points[5];
    double radii[5];
    for (int i = 0; i < 5; ++i) {
        points[i] = {0.0, 3.0 * i, 0.0, 0};
        radii[i] = 0.5 - 0.1 * i;
    }
    ShadowSegment s[4];
    const int count = projectBranchShadow(points, radii, 5, travelDirection(kLight), 0.051, s);
    for (int k = 0; k < count; ++k) markShadeCell(*model, s[k].a.x, s[k].a.z);
    EXPECT_EQ(markedCells(*model), 4);
    // The root corner lies half a radius beside the trunk cell (20, 20); the
    // last segment starts at y = 9, projected to (7.5, -3.75), cell (27, 16).
    int farthestX = 0;
    for (int ix = 0; ix < 40; ++ix) {
        for (int iz = 0; iz < 40; ++iz) {
            if (model->cells[ix * 40 + iz] == 0) continue;
            EXPECT_GE(ix, 19);
            EXPECT_LE(iz, 20);
            farthestX = std::max(farthestX, ix);
        }
    }
    EXPECT_EQ(farthestX, 27);
}
