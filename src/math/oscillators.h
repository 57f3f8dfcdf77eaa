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
        return {{c + k * x * x, k * x * y + s * z, k * x * z - s * y, k * x * y - s * z, c + k * y * y,
                 k * y * z + s * x, k * x * z + s * y, k * y * z - s * x, c + k * z * z}};
    }
    // The matrices of the chain are affine, last row (0, 0, 0, 1): no w.
    static Vec3 place(const Mat4& mat, const Vec3& p)
    {
        const double* m = mat.m;
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11], 0};
    }
    // The joint turn on the affine parts alone: R = a b, then
    // mt := R (mt - p) + p and q := R (q - p) + p.
    [[gnu::always_inline]] static void turnAbout(const Vec3& p, const Rotation& a, const Rotation* b, Mat4& mt,
                                                 Vec3& q)
    {
        double r[9];
        if (b) {
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 3; ++col)
                    r[3 * row + col] = a.r[3 * row] * b->r[col] + a.r[3 * row + 1] * b->r[3 + col] +
                                       a.r[3 * row + 2] * b->r[6 + col];
        } else {
            for (int i = 0; i < 9; ++i) r[i] = a.r[i];
        }
        const double t[3] = {mt.m[3] - p.x, mt.m[7] - p.y, mt.m[11] - p.z};
        const double d[3] = {q.x - p.x, q.y - p.y, q.z - p.z};
        const double pr[3] = {p.x, p.y, p.z};
        double m[12];
        double out[3];
        for (int row = 0; row < 3; ++row) {
            const double r0 = r[3 * row], r1 = r[3 * row + 1], r2 = r[3 * row + 2];
            for (int col = 0; col < 3; ++col) m[4 * row + col] = r0 * mt.m[col] + r1 * mt.m[4 + col] + r2 * mt.m[8 + col];
            m[4 * row + 3] = r0 * t[0] + r1 * t[1] + r2 * t[2] + pr[row];
            out[row] = r0 * d[0] + r1 * d[1] + r2 * d[2] + pr[row];
        }
        for (int i = 0; i < 12; ++i) mt.m[i] = m[i];
        q = {out[0], out[1], out[2], 0};
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
