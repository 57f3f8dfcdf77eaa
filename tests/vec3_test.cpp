#include <gtest/gtest.h>

#include <cmath>

#include "math/mat4.h"
#include "math/oscillators.h"
#include "math/vec3.h"

TEST(Vec3, NormalizeZeroTwiceEscalatesStatus)
{
    Vec3 v;
    normalize(v);
    EXPECT_EQ(v.status, 1);
    normalize(v);
    EXPECT_EQ(v.status, 2);
    EXPECT_EQ(v.x, 0.0);
}

TEST(Oscillators, OneUndampedStep)
{
    double x[3] = {1, 0, 0}, v[3] = {0, 0, 0}, f[3] = {1, 1, 1}, zeta[3] = {0, 0, 0}, force[3] = {0, 0, 0}, y[3];
    stepOscillators(x, v, f, zeta, force, 0.05, y);
    EXPECT_DOUBLE_EQ(v[0], -1.9739208804820256);
    EXPECT_DOUBLE_EQ(x[0], 0.9013039559758987);
}
