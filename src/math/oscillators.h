// Numerical helpers of the dynamics.
#pragma once
#include <cmath>

#include "math/fast_trig.h"
#include "math/mat4.h"
#include "math/vec3.h"

// Three damped oscillators, one semi-implicit Euler step each; x and v are
// updated in place and y receives f^2 * x (the new position).
void stepOscillators(double x[3], double v[3], const double f[3], const double zeta[3], const double force[3],
                     double dt, double y[3]);

// How a joint's angles are computed.
//  Plain: the textbook formulas with the C library's functions: the angle
//  phi between segment and bend by acos, sin(theta + phi) per Newton step,
//  sin and cos again for each rotation.
//  Fast: phi is kept as its cosine (the dot product) and sine (the length of
//  the cross product the rotation axis comes from), sin(theta + phi) is
//  composed from sin and cos of theta, which the bend rotation then reuses
//  and the next joint's solve starts from, and the trigonometry is inline;
//  divisions become reciprocals and the joint turns only the affine part of
//  the chain's matrix. Deterministic, within rounding of Plain.
enum class Arithmetic { Plain, Fast };

struct PlainMath {
    using Phase = double; // phi
    struct Turn {         // nothing kept for the rotation
        void shifted(double theta, Phase phi, double& sine, double& cosine) const
        {
            ::sincos(theta + phi, &sine, &cosine); // the same values as sin and cos, in one call
        }
    };
    static Rotation bend(double theta, const Turn&, const Vec3& axis) { return rotation(-theta, axis); }
    static Rotation turn(double angle, const Vec3& axis) { return rotation(angle, axis); }
    // A joint's segment made unit (returns its length), the bend axis bendDir x seg
    // made unit, and the angle between segment and bend.
    static double jointFrame(Vec3& seg, const Vec3& bendDir, const Direction& towards, Vec3& axis, Phase& phi)
    {
        const double arm = lengthAndNormalize(seg);
        axis = unitCross(bendDir, seg);
        phi = angleBetween(seg, towards);
        return arm;
    }
    // The bend's size and direction, and the direction as measured against.
    static void bendOf(Vec3 bending, double& size, Vec3& unit, Direction& towards)
    {
        size = length(bending);
        unit = normalized(bending);
        towards = direction(unit);
    }
    static Vec3 place(const Mat4& m, const Vec3& p) { return transformPoint(m, p); }
    // The joint turn J = T(p) a b T(-p) (b may be null): mt := J mt, q := J q.
    static void turnAbout(const Vec3& p, const Rotation& a, const Rotation* b, Mat4& mt, Vec3& q)
    {
        const Mat4 joint = b ? ::turnAbout(p, a, *b) : ::turnAbout(p, a);
        mt = multiplyAffine(joint, mt);
        q = transformPoint(joint, q);
    }
};

struct FastMath {
    struct Phase {
        double cosine = 1.0, sine = 0.0;
    };
    struct Turn {
        double sine = 0.0, cosine = 1.0; // of the last theta evaluated
        double theta = 0.0;              // that theta: the next joint's solve starts there
        void shifted(double t, const Phase& phi, double& s, double& c)
        {
            if (t != theta) {
                fastSinCos(t, sine, cosine);
                theta = t;
            }
            s = sine * phi.cosine + cosine * phi.sine;
            c = cosine * phi.cosine - sine * phi.sine;
        }
    };
    static Rotation bend(double, const Turn& t, const Vec3& axis) { return spin(-t.sine, t.cosine, axis); }
    static Rotation turn(double angle, const Vec3& axis)
    {
        double s, c;
        fastSinCos(angle, s, c);
        return spin(s, c, axis);
    }
    // rotation(sine, cosine, axis) without the additions to +0.0 that keep
    // the plain matrix product's signed zeros.
    static Rotation spin(double s, double c, const Vec3& axis)
    {
        const double x = axis.x, y = axis.y, z = axis.z;
        const double k = 1.0 - c;
        const double kx = k * x, ky = k * y, kz = k * z;
        const double kxy = kx * y, kxz = kx * z, kyz = ky * z;
        const double sx = s * x, sy = s * y, sz = s * z;
        return {{c + kx * x, kxy + sz, kxz - sy, kxy - sz, c + ky * y, kyz + sx, kxz + sy, kyz - sx, c + kz * z}};
    }
    // As the plain one, with the unit direction taken as its own unit copy
    // instead of being measured and divided a second time.
    static void bendOf(const Vec3& bending, double& size, Vec3& unit, Direction& towards)
    {
        size = length(bending);
        unit = {};
        if (bending.status == 0 && size != 0.0) {
            const double inverse = 1.0 / size;
            unit = {bending.x * inverse, bending.y * inverse, bending.z * inverse, 0};
        }
        towards.v = unit;
        towards.len = unit.status == 0 && size != 0.0 ? 1.0 : 0.0;
        towards.unit = towards.len != 0.0 ? unit : Vec3{};
    }
    // The matrices of the chain are affine, last row (0, 0, 0, 1): no w.
    static Vec3 place(const Mat4& mat, const Vec3& p)
    {
        const double* m = mat.m;
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11], 0};
    }
    // The joint turn on the affine parts alone: R = a b, then
    // mt := R (mt - p) + p and q := R (q - p) + p. Rows go two columns at a
    // time (the translation column less p): the same products and sums in the
    // same order as one by one, with half the operations.
    [[gnu::always_inline]] static void turnAbout(const Vec3& p, const Rotation& a, const Rotation* b, Mat4& mt,
                                                 Vec3& q)
    {
        using Pair = DoublePair;
        const double* A = a.r;
        Pair rLo[3]; // R's rows, columns 0 and 1
        double rHi[3]; // and column 2
        if (b) {
            const double* B = b->r;
            const Pair b0{B[0], B[1]}, b1{B[3], B[4]}, b2{B[6], B[7]};
            for (int row = 0; row < 3; ++row) {
                const double x = A[3 * row], y = A[3 * row + 1], z = A[3 * row + 2];
                rLo[row] = x * b0 + y * b1 + z * b2;
                rHi[row] = x * B[2] + y * B[5] + z * B[8];
            }
        } else {
            for (int row = 0; row < 3; ++row) {
                rLo[row] = Pair{A[3 * row], A[3 * row + 1]};
                rHi[row] = A[3 * row + 2];
            }
        }
        double* m = mt.m;
        const Pair mLo[3] = {Pair{m[0], m[1]}, Pair{m[4], m[5]}, Pair{m[8], m[9]}};
        const Pair mHi[3] = {Pair{m[2], m[3] - p.x}, Pair{m[6], m[7] - p.y}, Pair{m[10], m[11] - p.z}};
        const double pr[3] = {p.x, p.y, p.z};
        for (int row = 0; row < 3; ++row) {
            const double x = rLo[row][0], y = rLo[row][1], z = rHi[row];
            const Pair lo = x * mLo[0] + y * mLo[1] + z * mLo[2];
            const Pair hi = x * mHi[0] + y * mHi[1] + z * mHi[2];
            m[4 * row] = lo[0];
            m[4 * row + 1] = lo[1];
            m[4 * row + 2] = hi[0];
            m[4 * row + 3] = hi[1] + pr[row];
        }
        // q by R's columns: rows 0 and 1 together, row 2 alone.
        const double d0 = q.x - p.x, d1 = q.y - p.y, d2 = q.z - p.z;
        const Pair c0{rLo[0][0], rLo[1][0]}, c1{rLo[0][1], rLo[1][1]}, c2{rHi[0], rHi[1]};
        const Pair xy = d0 * c0 + d1 * c1 + d2 * c2 + Pair{p.x, p.y};
        q = {xy[0], xy[1], rLo[2][0] * d0 + rLo[2][1] * d1 + rHi[2] * d2 + p.z, 0};
    }
    // As the plain one, but the cross product is taken with the segment as it
    // is, beside its length rather than after it, and each division becomes
    // one reciprocal and products: the two are the joint loop's longest wait.
    static double jointFrame(Vec3& seg, const Vec3& bendDir, const Direction& towards, Vec3& axis, Phase& phi)
    {
        if (seg.status != 0) {
            seg = {0.0, 0.0, 0.0, 2};
            axis = {};
            phi = {};
            return 0.0;
        }
        const Vec3 raw = seg;
        const double arm = norm(raw);
        const Vec3 c = cross(bendDir, raw);
        const double crossLength = norm(c);
        if (arm == 0.0) {
            seg = {0.0, 0.0, 0.0, 1};
            axis = {};
            phi = {};
            return 0.0;
        }
        const double inverse = 1.0 / arm;
        seg = {raw.x * inverse, raw.y * inverse, raw.z * inverse, 0};
        axis = c;
        if (crossLength != 0.0) {
            const double across = 1.0 / crossLength;
            axis = {c.x * across, c.y * across, c.z * across, c.status};
        }
        phi = {};
        if (towards.v.status != 0 || towards.len < 1e-10) return arm;
        double d = (raw.x * towards.unit.x + raw.y * towards.unit.y + raw.z * towards.unit.z) * inverse;
        if (d < -1.0) d = -1.0;
        if (d > 1.0) d = 1.0;
        phi = {d, crossLength * inverse};
        return arm;
    }
};

// Newton iteration for the root of -L sin(theta + phi) - k theta, L = load * arm.
// Returns the last point at which g was evaluated; *turn, when given, gets
// what the rotation by that angle can reuse, and what it holds on entry
// serves the first evaluation when that is at the same angle.
template <class Phase, class Turn = PlainMath::Turn>
inline double solveBendAngle(double theta0, double load, double arm, const Phase& phi, double k, int maxIterations,
                             Turn* turn = nullptr)
{
    const double big = load * arm;
    double theta = theta0;
    Turn last = turn ? *turn : Turn{};
    int count = 0;
    for (;;) {
        double sine, cosine;
        last.shifted(theta, phi, sine, cosine);
        const double g = -big * sine - k * theta;
        const double dg = -big * cosine - k;
        ++count;
        // A flat g' would throw the angle to infinity: stay at the last finite point.
        const bool done = std::fabs(g) <= 0.0001 || count >= maxIterations || dg == 0.0;
        const double next = done ? theta : theta - g / dg;
        if (done || !std::isfinite(next)) {
            if (turn) *turn = last;
            return theta;
        }
        theta = next;
    }
}

// Twist of a petiole or blade segment from the y oscillator: opposite in sign
// to yy, saturating below pi/3.
constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3
inline double twistAngle(double yy, double arm, double stiffness)
{
    const double e = yy * arm / stiffness;
    if (yy > 0.0) return -kMaxTwist * (1.0 - std::exp(-e));
    return kMaxTwist * (1.0 - std::exp(e));
}
