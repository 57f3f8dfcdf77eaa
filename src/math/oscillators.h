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
//  composed from sin and cos of theta, which the bend rotation then reuses,
//  and the trigonometry is inline. Deterministic, within rounding of Plain.
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
    // mt := R (mt - p) + p and q := R (q - p) + p. Written out: the loops
    // and arrays of the general helpers cost more than the arithmetic.
    [[gnu::always_inline]] static void turnAbout(const Vec3& p, const Rotation& a, const Rotation* b, Mat4& mt,
                                                 Vec3& q)
    {
        const double* A = a.r;
        double r0, r1, r2, r3, r4, r5, r6, r7, r8;
        if (b) {
            const double* B = b->r;
            r0 = A[0] * B[0] + A[1] * B[3] + A[2] * B[6];
            r1 = A[0] * B[1] + A[1] * B[4] + A[2] * B[7];
            r2 = A[0] * B[2] + A[1] * B[5] + A[2] * B[8];
            r3 = A[3] * B[0] + A[4] * B[3] + A[5] * B[6];
            r4 = A[3] * B[1] + A[4] * B[4] + A[5] * B[7];
            r5 = A[3] * B[2] + A[4] * B[5] + A[5] * B[8];
            r6 = A[6] * B[0] + A[7] * B[3] + A[8] * B[6];
            r7 = A[6] * B[1] + A[7] * B[4] + A[8] * B[7];
            r8 = A[6] * B[2] + A[7] * B[5] + A[8] * B[8];
        } else {
            r0 = A[0]; r1 = A[1]; r2 = A[2]; r3 = A[3]; r4 = A[4]; r5 = A[5]; r6 = A[6]; r7 = A[7]; r8 = A[8];
        }
        double* m = mt.m;
        const double t0 = m[3] - p.x, t1 = m[7] - p.y, t2 = m[11] - p.z;
        const double d0 = q.x - p.x, d1 = q.y - p.y, d2 = q.z - p.z;
        const double m0 = m[0], m1 = m[1], m2 = m[2], m4 = m[4], m5 = m[5], m6 = m[6], m8 = m[8], m9 = m[9], m10 = m[10];
        m[0] = r0 * m0 + r1 * m4 + r2 * m8;
        m[1] = r0 * m1 + r1 * m5 + r2 * m9;
        m[2] = r0 * m2 + r1 * m6 + r2 * m10;
        m[3] = r0 * t0 + r1 * t1 + r2 * t2 + p.x;
        m[4] = r3 * m0 + r4 * m4 + r5 * m8;
        m[5] = r3 * m1 + r4 * m5 + r5 * m9;
        m[6] = r3 * m2 + r4 * m6 + r5 * m10;
        m[7] = r3 * t0 + r4 * t1 + r5 * t2 + p.y;
        m[8] = r6 * m0 + r7 * m4 + r8 * m8;
        m[9] = r6 * m1 + r7 * m5 + r8 * m9;
        m[10] = r6 * m2 + r7 * m6 + r8 * m10;
        m[11] = r6 * t0 + r7 * t1 + r8 * t2 + p.z;
        q = {r0 * d0 + r1 * d1 + r2 * d2 + p.x, r3 * d0 + r4 * d1 + r5 * d2 + p.y, r6 * d0 + r7 * d1 + r8 * d2 + p.z, 0};
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
inline double twistAngle(double yy, double arm, double stiffness)
{
    constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3
    const double e = yy * arm / stiffness;
    if (yy > 0.0) return -kMaxTwist * (1.0 - std::exp(-e));
    return kMaxTwist * (1.0 - std::exp(e));
}
