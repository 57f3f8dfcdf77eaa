// The oscillators and the bend-angle solve of the dynamics, and their fast
// forms: sines, lanes and joints against the plain formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dynamics/oscillators.h"
#include "math/mat4.h"
#include "math/vec3.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}

TEST(Oscillators, OneUndampedStep)
{
    double x[3] = {1, 0, 0}, v[3] = {0, 0, 0}, f[3] = {1, 1, 1}, zeta[3] = {0, 0, 0}, force[3] = {0, 0, 0}, y[3];
    stepOscillators(x, v, f, zeta, force, 0.05, y);
    EXPECT_DOUBLE_EQ(v[0], -1.9739208804820256);
    EXPECT_DOUBLE_EQ(x[0], 0.9013039559758987);
    EXPECT_DOUBLE_EQ(y[0], 0.9013039559758987);
    // Untouched axes at rest stay exactly at rest.
    EXPECT_EQ(x[1], 0.0);
    EXPECT_EQ(v[2], 0.0);
    EXPECT_EQ(y[1], 0.0);
}

TEST(Oscillators, SettleAtForceOverFourPiSquaredForAnyFrequency)
{
    const double force[3] = {3.0, -1.5, 0.25};
    const double zeta[3] = {0.12, 0.13, 0.14};
    for (double freq : {0.4, 0.5, 2.0}) {
        double x[3] = {}, v[3] = {}, y[3] = {};
        const double f[3] = {freq, freq, freq};
        for (int step = 0; step < 20000; ++step) stepOscillators(x, v, f, zeta, force, 0.05, y);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(y[i], force[i] / 39.47841760964051, 1e-9) << "f=" << freq;
    }
}

TEST(BendAngle, ZeroLoad)
{
    EXPECT_EQ(solveBendAngle(0.00005, 0.0, 1.0, 0.3, 1.0, 1000), 0.00005);
    EXPECT_NEAR(solveBendAngle(0.5, 0.0, 1.0, 0.3, 2.0, 1000), 0.0, 1e-4);
}

TEST(BendAngle, ConvergesToTheRoot)
{
    const double load = 2.0, arm = 0.5, phi = 0.7, k = 10.0;
    const double theta = solveBendAngle(0.0, load, arm, phi, k, 1000);
    EXPECT_LE(std::fabs(-load * arm * std::sin(theta + phi) - k * theta), 0.0001);
    EXPECT_LT(theta, 0.0);
}

TEST(BendAngle, ZeroDerivativeKeepsAFiniteAngle)
{
    // L = k = 1 and theta0 + phi = pi: g = -0.5 but g' = -L cos(pi) - k = 0 exactly,
    // so a plain Newton step would divide by zero.
    const double theta0 = 0.5, phi = kPi - 0.5;
    ASSERT_EQ(std::cos(theta0 + phi), -1.0);
    const double theta = solveBendAngle(theta0, 1.0, 1.0, phi, 1.0, 1000);
    EXPECT_TRUE(std::isfinite(theta));
    EXPECT_EQ(theta, theta0);
    // Other starts on the same curve, and with L > k, stay finite as well.
    for (double start : {-3.0, -1.0, 0.5, 2.0, 6.0}) {
        EXPECT_TRUE(std::isfinite(solveBendAngle(start, 1.0, 1.0, kPi, 1.0, 1000))) << start;
        EXPECT_TRUE(std::isfinite(solveBendAngle(start, 3.0, 1.0, 0.0, 1.0, 10))) << start;
    }
}

TEST(FastTrig, MatchesTheLibraryToAnUlpOrTwo)
{
    double worst = 0.0;
    for (double x = -40.0; x <= 40.0; x += 0.0137) {
        double s, c;
        fastSinCos(x, s, c);
        worst = std::max({worst, std::fabs(s - std::sin(x)), std::fabs(c - std::cos(x))});
    }
    EXPECT_LT(worst, 4e-16);
    for (double x : {0.0, -0.0, 1e-300, kPi / 4, kPi / 2, 3 * kPi / 4, -kPi, 99999.5, 1e6, 1e300}) {
        double s, c;
        fastSinCos(x, s, c);
        EXPECT_NEAR(s, std::sin(x), 1e-15 * std::max(1.0, std::fabs(x) * 1e-5)) << x;
        EXPECT_NEAR(c, std::cos(x), 1e-15 * std::max(1.0, std::fabs(x) * 1e-5)) << x;
    }
    double s, c;
    fastSinCos(std::nan(""), s, c);
    EXPECT_TRUE(std::isnan(s) && std::isnan(c));
}

TEST(BendAngle, FastPhaseSolvesTheSameEquation)
{
    // phi given by its cosine and sine instead of its value: the same root.
    for (double phi : {0.0, 0.3, 1.2, 2.9}) {
        for (double load : {0.5, 3.0, 40.0}) {
            FastMath::Turn turn;
            const double fast =
                solveBendAngle(0.0, load, 0.8, FastMath::Phase{std::cos(phi), std::sin(phi)}, 12.0, 1000, &turn);
            const double plain = solveBendAngle(0.0, load, 0.8, phi, 12.0, 1000);
            EXPECT_NEAR(fast, plain, 1e-12) << phi << " " << load;
            EXPECT_NEAR(turn.sine, std::sin(fast), 1e-15);
            EXPECT_NEAR(turn.cosine, std::cos(fast), 1e-15);
        }
    }
}

TEST(Lanes, EachLaneKeepsTheBitsOfOneDouble)
{
    // Sine and cosine past pi/4, huge and not finite, and Newton solves that
    // stop at different evaluations (tolerance met, flat g', a runaway step,
    // the evaluation cap), four at once against one at a time.
    auto sameBits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    const double xs[3][kLanes] = {{0.5, -0.0, 1.04, -7.5}, {1e6, NAN, INFINITY, 0.77}, {-0.78, 3.2, 1e-300, 2e5}};
    for (const auto& x : xs) {
        Lanes lx, s, c;
        for (int i = 0; i < kLanes; ++i) lx[i] = x[i];
        fastSinCos(lx, s, c);
        for (int i = 0; i < kLanes; ++i) {
            double si, ci;
            fastSinCos(x[i], si, ci);
            EXPECT_TRUE(sameBits(s[i], si) && sameBits(c[i], ci)) << x[i];
        }
    }
    const double theta0[kLanes] = {0.1, 0.0, 0.0, 2.0};
    const double load[kLanes] = {3.0, 0.0, 1e308, 40.0};
    const double k[kLanes] = {12.0, 0.0, 1.0, 0.5};
    const int caps[2] = {1000, 3};
    for (int cap : caps) {
        Lanes t0, l, kk;
        for (int i = 0; i < kLanes; ++i) {
            t0[i] = theta0[i];
            l[i] = load[i];
            kk[i] = k[i];
        }
        LaneMath::Turn laneTurn;
        const LaneMath::Phase lanePhi{Lanes{} + std::cos(0.4), Lanes{} + std::sin(0.4)};
        const Lanes theta = solveBendAngle(t0, l, Lanes{} + 0.8, lanePhi, kk, cap, &laneTurn);
        for (int i = 0; i < kLanes; ++i) {
            FastMath::Turn turn;
            const double one =
                solveBendAngle(theta0[i], load[i], 0.8, FastMath::Phase{std::cos(0.4), std::sin(0.4)}, k[i], cap, &turn);
            EXPECT_TRUE(sameBits(theta[i], one)) << i << ' ' << cap;
            EXPECT_TRUE(sameBits(laneTurn.sine[i], turn.sine) && sameBits(laneTurn.cosine[i], turn.cosine)) << i;
        }
    }
}

TEST(FastJoint, AgreesWithThePlainFormulas)
{
    // Segments of many lengths and directions, one along the bend and the two
    // degenerate ones (zero, invalid): the same frame, axis and phase as Plain,
    // and the same joint turn of the chain's matrix and of the next point.
    Vec3 bend{0.3, -0.2, 0.9, 0};
    const Vec3 bendDir = normalized(bend);
    auto distance = [](const Vec3& u, const Vec3& v) { return norm(sub(u, v)); };
    const Direction towards = direction(bendDir);
    const Vec3 segs[] = {{0.01, 0.2, -0.03, 0}, {3.0, 1.0, 2.0, 0}, scale(bendDir, 0.5), {0, 0, 0, 0}, {1, 1, 1, 2}};
    for (const Vec3& s : segs) {
        Vec3 plainSeg = s, fastSeg = s, plainAxis, fastAxis;
        double phi;
        FastMath::Phase fastPhi;
        const double plainArm = PlainMath::jointFrame(plainSeg, bendDir, towards, plainAxis, phi);
        const double fastArm = FastMath::jointFrame(fastSeg, bendDir, towards, fastAxis, fastPhi);
        EXPECT_NEAR(fastArm, plainArm, 1e-15 * plainArm);
        EXPECT_EQ(fastSeg.status, plainSeg.status);
        EXPECT_LT(distance(fastSeg, plainSeg), 1e-15);
        EXPECT_LT(distance(fastAxis, plainAxis), 1e-15);
        EXPECT_NEAR(fastPhi.cosine, std::cos(phi), 1e-15);
        EXPECT_NEAR(fastPhi.sine, std::sin(phi), 1e-15);
    }
    Mat4 plainMt = multiplyAffine(translation({1, 2, 3, 0}), toMat4(rotation(0.4, Vec3{0, 0.6, 0.8, 0})));
    Mat4 fastMt = plainMt;
    Vec3 plainQ{0.5, 4.0, -1.0, 0}, fastQ = plainQ;
    const Vec3 p{-0.7, 2.5, 0.3, 0};
    const Rotation a = rotation(0.9, Vec3{0.8, 0, 0.6, 0}), b = rotation(-0.3, Vec3{0, 1, 0, 0});
    for (const Rotation* second : {&b, static_cast<const Rotation*>(nullptr)}) {
        PlainMath::turnAbout(p, a, second, plainMt, plainQ);
        FastMath::turnAbout(p, a, second, fastMt, fastQ);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(fastMt.m[i], plainMt.m[i], 1e-14) << i;
        EXPECT_LT(distance(fastQ, plainQ), 1e-14);
        EXPECT_LT(distance(FastMath::place(fastMt, p), PlainMath::place(plainMt, p)), 1e-14);
    }
}
