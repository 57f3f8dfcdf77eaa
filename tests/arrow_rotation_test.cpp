#include <gtest/gtest.h>

#include "math/arrow_rotation.h"
#include "math/mat4.h"

namespace {

// Turns +z by the rotation the way glRotate would (right-handed, degrees).
Vec3 turnZ(const ArrowRotation& r)
{
    Mat4 m = identity();
    // rotate() turns points by -angle; pass -angle for glRotate's sense.
    rotate(m, -r.degrees * 3.1415926538 / 180.0, r.axis);
    return transformPoint(m, {0.0, 0.0, 1.0, 0});
}

void expectNear(const Vec3& a, const Vec3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-6);
    EXPECT_NEAR(a.y, b.y, 1e-6);
    EXPECT_NEAR(a.z, b.z, 1e-6);
}

} // namespace

// Straight back along -z too, and +z itself.
TEST(ArrowRotation, TurnsPlusZOntoTheDirection)
{
    for (const Vec3& d : {Vec3{1, 0, 0, 0}, Vec3{0, 1, 0, 0}, Vec3{0.6, 0, -0.8, 0}, Vec3{-2, 1, 0.5, 0}, Vec3{0, 0, -1, 0},
                          Vec3{0, 0, 3, 0}}) {
        Vec3 unit = d;
        normalize(unit);
        expectNear(turnZ(arrowRotation(d)), unit);
    }
    EXPECT_NEAR(arrowRotation({1, 0, 0, 0}).degrees, 90.0, 1e-6);
    const ArrowRotation back = arrowRotation({0, 0, -1, 0});
    EXPECT_EQ(back.axis.status, 0);
    EXPECT_NEAR(back.degrees, 180.0, 1e-6);
    expectNear(back.axis, {1, 0, 0, 0});
}

TEST(ArrowRotation, AlongPlusZOrInvalidNeedsNoTurn)
{
    EXPECT_NEAR(arrowRotation({0, 0, 3, 0}).degrees, 0.0, 1e-9);
    const ArrowRotation invalid = arrowRotation({0, 0, 0, 1});
    EXPECT_EQ(invalid.degrees, 0.0);
    EXPECT_EQ(invalid.axis.status, 0);
}
