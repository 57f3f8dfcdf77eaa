#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "math/mat4.h"
#include "dynamics/oscillators.h"
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
