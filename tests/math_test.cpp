#include <gtest/gtest.h>

#include <cmath>

#include "math/mat4.h"
#include "math/vec3.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}

TEST(Vec3, NormalizeZeroTwiceEscalatesStatus)
{
    Vec3 v;
    normalize(v);
    EXPECT_EQ(v.status, 1);
    normalize(v);
    EXPECT_EQ(v.status, 2);
    EXPECT_TRUE(v.x == 0.0 && v.y == 0.0 && v.z == 0.0);
}

TEST(Vec3, NormalizedCopyMarksOnlyTheSource)
{
    Vec3 zero;
    const Vec3 copy = normalized(zero);
    EXPECT_EQ(copy.status, 0);
    EXPECT_EQ(zero.status, 1);

    Vec3 v{3.0, 0.0, 4.0, 0};
    const Vec3 unit = normalized(v);
    EXPECT_DOUBLE_EQ(unit.x, 0.6);
    EXPECT_DOUBLE_EQ(unit.z, 0.8);
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.x, 3.0);
}

TEST(Vec3, StatusTravelsThroughArithmetic)
{
    const Vec3 bad{1.0, 2.0, 3.0, 2};
    const Vec3 good{1.0, 0.0, 0.0, 0};
    EXPECT_EQ(add(bad, good).status, 2);
    EXPECT_EQ(sub(good, bad).status, 2);
    EXPECT_EQ(length(bad), 0.0);
    const Vec3 d = divide(good, 0.0);
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(d.x, 0.0);
    // Cross never passes a status on: parallel and invalid inputs both give a clean zero.
    const Vec3 parallel = cross(good, scale(good, 3.0));
    EXPECT_EQ(parallel.status, 0);
    EXPECT_EQ(length(parallel), 0.0);
    const Vec3 invalid = cross(bad, Vec3{0.0, 1.0, 0.0, 0});
    EXPECT_EQ(invalid.status, 0);
    EXPECT_TRUE(invalid.x == 0.0 && invalid.y == 0.0 && invalid.z == 0.0);
}

TEST(Vec3, AngleBetween)
{
    EXPECT_DOUBLE_EQ(angleBetween(Vec3{1.0, 0.0, 0.0, 0}, Vec3{-2.0, 0.0, 0.0, 0}), kPi);
    EXPECT_EQ(angleBetween(Vec3{1.0, 0.0, 0.0, 0}, Vec3{0.0, 0.0, 1e-11, 0}), 0.0);
    EXPECT_DOUBLE_EQ(angleBetween(Vec3{1.0, 0.0, 0.0, 0}, Vec3{0.0, 5.0, 0.0, 0}), kPi / 2.0);
    EXPECT_EQ(angleBetween(Vec3{1.0, 0.0, 0.0, 1}, Vec3{0.0, 5.0, 0.0, 0}), 0.0);
}

TEST(Mat4, TransformPoint)
{
    const Vec3 p = transformPoint(identity(), Vec3{1.0, 2.0, 3.0, 2});
    EXPECT_EQ(p.x, 1.0);
    EXPECT_EQ(p.y, 2.0);
    EXPECT_EQ(p.z, 3.0);
    EXPECT_EQ(p.status, 0);

    Mat4 flat = identity();
    flat.m[15] = 0.0; // w = 0 for every point with z = 0
    const Vec3 q = transformPoint(flat, Vec3{1.0, 2.0, 0.0, 0});
    EXPECT_EQ(q.status, 1);
    EXPECT_EQ(q.x, 0.0);

    const Vec3 moved = transformPoint(translation(Vec3{1.0, -2.0, 0.5, 0}), Vec3{1.0, 1.0, 1.0, 0});
    EXPECT_DOUBLE_EQ(moved.x, 2.0);
    EXPECT_DOUBLE_EQ(moved.y, -1.0);
    EXPECT_DOUBLE_EQ(moved.z, 1.5);
}

TEST(Mat4, RotateMultiplyOrderAndTranspose)
{
    // rotate() turns by minus the angle: (0,1,0) goes to (1,0,0). T * R applies
    // R first: (1,0,0) turns to (0,-1,0) and then moves by T.
    Mat4 r = identity();
    rotate(r, kPi / 2.0, Vec3{0.0, 0.0, 1.0, 0});
    const Vec3 b = transformPoint(r, Vec3{0.0, 1.0, 0.0, 0});
    EXPECT_NEAR(b.x, 1.0, 1e-15);
    EXPECT_NEAR(b.y, 0.0, 1e-15);
    EXPECT_NEAR(b.z, 0.0, 1e-15);
    const Mat4 tr = multiply(translation(Vec3{5.0, 0.0, 0.0, 0}), r);
    const Vec3 p = transformPoint(tr, Vec3{1.0, 0.0, 0.0, 0});
    EXPECT_NEAR(p.x, 5.0, 1e-15);
    EXPECT_NEAR(p.y, -1.0, 1e-15);

    Mat4 t = translation(Vec3{5.0, 0.0, 0.0, 0});
    postMultiply(t, r);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(t.m[i], tr.m[i]);

    const Mat4 tt = transpose(tr);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(tt.m[4 * i + j], tr.m[4 * j + i]);
}
