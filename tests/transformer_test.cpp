#include <gtest/gtest.h>

#include <cmath>

#include "view/transformer.h"

namespace {

void expectIdentity(const Mat4& m)
{
    const Mat4 id = identity();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i], id.m[i], 1e-12) << "index " << i;
}

// Rotation part times its transpose, in OpenGL order.
double orthonormalityError(const Mat4& m)
{
    double worst = 0.0;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k) s += m.m[4 * a + k] * m.m[4 * b + k];
            worst = std::fmax(worst, std::fabs(s - (a == b ? 1.0 : 0.0)));
        }
    return worst;
}

// Only a translation by (x, y, z); a zero part is held to the identity's tolerance.
void expectTranslation(Mat4 m, double x, double y, double z, double eps = 1e-6)
{
    const double t[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(m.m[12 + i], t[i], eps) << "index " << 12 + i;
        if (t[i] != 0.0) m.m[12 + i] = 0.0;
    }
    expectIdentity(m);
}

} // namespace

TEST(ArcBall, CentreAndRadiusFromWindowSize)
{
    TransformerArcBall ball(800, 600);
    EXPECT_EQ(ball.centreX, 400.0f);
    EXPECT_EQ(ball.centreY, 300.0f);
    EXPECT_EQ(ball.radius, 500.0f);
    EXPECT_EQ(ball.startPoint.x, 0.0);
    EXPECT_EQ(ball.startPoint.z, 0.0);
    EXPECT_EQ(ball.startPoint.status, 0);

    // sqrt(290000) = 538.5..., rounded up; the start point survives a resize.
    ball.begin(200.0f, 150.0f);
    EXPECT_EQ(ball.startPoint.y, 150.0);
    ball.resize(1000, 400);
    EXPECT_EQ(ball.centreX, 500.0f);
    EXPECT_EQ(ball.centreY, 200.0f);
    EXPECT_EQ(ball.radius, 539.0f);
    EXPECT_EQ(ball.startPoint.x, 200.0);
    EXPECT_NEAR(ball.startPoint.z, 433.0127, 1e-4);
}

TEST(ArcBall, SmallDragToTheRightTurnsMostlyAboutTheVerticalAxis)
{
    TransformerArcBall ball(800, 600);
    ball.begin(200.0f, 150.0f); // start point checked in CentreAndRadiusFromWindowSize
    const Mat4 m = ball.transform(210.0f, 150.0f);
    EXPECT_NEAR(m.m[0], 0.99957, 1e-5);
    EXPECT_NEAR(m.m[1], -0.01174, 1e-5);
    EXPECT_NEAR(m.m[2], -0.02707, 1e-5);
    EXPECT_NEAR(m.m[4], 0.01188, 1e-5);
    EXPECT_NEAR(m.m[5], 0.99992, 1e-5);
    EXPECT_NEAR(m.m[6], 0.00513, 1e-5);
    for (int i : {3, 7, 11, 12, 13, 14}) EXPECT_EQ(m.m[i], 0.0) << "index " << i;
    EXPECT_EQ(m.m[15], 1.0);
    EXPECT_LT(orthonormalityError(m), 1e-6);

    // Rotation angle from the trace: 2 * 0.029983 rad.
    const double angle = std::acos((m.m[0] + m.m[5] + m.m[10] - 1.0) * 0.5);
    EXPECT_NEAR(angle, 0.029983, 2e-5);
    // Axis from the antisymmetric part, compared with (0.1765, 0.9020, -0.3940).
    const double ax = m.m[6] - m.m[9], ay = m.m[8] - m.m[2], az = m.m[1] - m.m[4];
    const double n = std::sqrt(ax * ax + ay * ay + az * az);
    EXPECT_NEAR(ax / n, 0.1765, 2e-4);
    EXPECT_NEAR(ay / n, 0.9020, 2e-4);
    EXPECT_NEAR(az / n, -0.3940, 2e-4);
    // transform leaves the manipulator as it was.
    EXPECT_NEAR(ball.startPoint.z, 433.0127, 1e-4);
}

TEST(ArcBall, NoMoveOrAStartOnTheRimGivesTheIdentity)
{
    TransformerArcBall ball(800, 600);
    ball.begin(123.0f, 77.0f);
    expectIdentity(ball.transform(123.0f, 77.0f));
    ball.begin(0.0f, 0.0f); // the lower left corner lies on the rim
    EXPECT_EQ(ball.startPoint.x, 0.0);
    EXPECT_EQ(ball.startPoint.y, 0.0);
    EXPECT_EQ(ball.startPoint.z, 0.0);
    expectIdentity(ball.transform(50.0f, 20.0f));
    expectIdentity(ball.transform(264.0f, 198.0f));
}

TEST(ArcBall, PointOutsideIsMovedOntoTheRim)
{
    // (1000, 300) moves to (900, 300), height 0; so does (1500, 300).
    TransformerArcBall ball(800, 600);
    ball.begin(200.0f, 150.0f);
    const Mat4 a = ball.transform(1000.0f, 300.0f);
    const Mat4 b = ball.transform(900.0f, 300.0f);
    const Mat4 c = ball.transform(1500.0f, 300.0f);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(a.m[i], b.m[i]) << "index " << i;
        EXPECT_EQ(a.m[i], c.m[i]) << "index " << i;
    }
    EXPECT_LT(orthonormalityError(a), 1e-6);
    // Straight up and on a slant the same: only the way from the centre counts.
    const float rims[2][2] = {{400.0f, 800.0f}, {700.0f, 700.0f}};
    for (const auto& rim : rims) {
        const Mat4 on = ball.transform(rim[0], rim[1]);
        for (const float k : {2.0f, 4.0f}) {
            const Mat4 out = ball.transform(400.0f + k * (rim[0] - 400.0f), 300.0f + k * (rim[1] - 300.0f));
            for (int i = 0; i < 16; ++i) EXPECT_EQ(out.m[i], on.m[i]) << rim[0] << " " << k << " index " << i;
        }
    }
}

TEST(ArcBall, DragsEndingFarOutsideNeverGiveNaN)
{
    // Rim points land a rounding step outside the ball for about a third of
    // the directions; each must still give a finite rotation.
    TransformerArcBall ball(800, 600);
    ball.begin(132.0f, 99.0f);
    for (int i = 0; i < 3600; ++i) {
        const double a = i * 0.1 * 3.1415926538 / 180.0;
        const Mat4 m = ball.transform(static_cast<float>(400.0 + 2000.0 * std::cos(a)),
                                      static_cast<float>(300.0 + 2000.0 * std::sin(a)));
        for (int k = 0; k < 16; ++k) ASSERT_TRUE(std::isfinite(m.m[k])) << "direction " << i << " index " << k;
        ASSERT_LT(orthonormalityError(m), 1e-5) << "direction " << i;
    }
}

TEST(Pan, TranslatesInXAndYByGain)
{
    TransformerPan pan;
    pan.gain = 0.1f;
    pan.resize(1000, 400); // ignored
    pan.begin(10.0f, 20.0f);
    const Mat4 m = pan.transform(20.0f, 40.0f);
    expectTranslation(m, 1.0, 2.0, 0.0);
    EXPECT_EQ(m.m[14], 0.0);
    // Only the motion counts: the same move from elsewhere, or back, pans the same or back.
    pan.begin(-300.0f, 7.0f);
    expectTranslation(pan.transform(-290.0f, 27.0f), m.m[12], m.m[13], 0.0, 1e-5);
    pan.begin(20.0f, 40.0f);
    EXPECT_NEAR(pan.transform(10.0f, 20.0f).m[12], -m.m[12], 1e-6);
}

TEST(Zoom, TranslatesAlongZFromVerticalMotionOnly)
{
    TransformerZoom zoom;
    zoom.gain = 0.1f;
    zoom.resize(1000, 400); // ignored
    zoom.begin(5.0f, 50.0f);
    expectTranslation(zoom.transform(99.0f, 40.0f), 0.0, 0.0, -1.0);
    // Moving the mouse up gives a positive z translation.
    EXPECT_GT(zoom.transform(5.0f, 60.0f).m[14], 0.0);
}

TEST(Quaternion, QuarterTurnAboutZInOpenGLOrder)
{
    const float h = static_cast<float>(std::sqrt(0.5));
    const Mat4 m = quaternionToMatrix(0.0f, 0.0f, h, h);
    // Column 0 (indices 0..2) is the image of x: +y.
    EXPECT_NEAR(m.m[0], 0.0, 1e-7);
    EXPECT_NEAR(m.m[1], 1.0, 1e-7);
    EXPECT_NEAR(m.m[4], -1.0, 1e-7);
    EXPECT_NEAR(m.m[5], 0.0, 1e-7);
    EXPECT_NEAR(m.m[10], 1.0, 1e-7);
    expectIdentity(quaternionToMatrix(0.0f, 0.0f, 0.0f, 1.0f));
}
