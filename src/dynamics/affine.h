// Inline forms of the vector and matrix helpers for the joint loops. Each
// gives the same bits as the general helper it stands for, for finite
// values: products with a known 0 or 1 factor are left out where leaving
// them out cannot change the sum (a sum started at +0.0 is never -0.0, so
// adding a signed zero to it is exact), and w is only divided out when it
// is not exactly 1.
#pragma once
#include <cmath>

#include "math/mat4.h"
#include "math/vec3.h"

namespace affine {

inline Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.status | b.status}; }

inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    if ((a.status | b.status) != 0) return {};
    return {a.y * b.z - b.y * a.z, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0};
}

inline double norm(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// length(v) then normalize(v), sharing the one square root.
inline double lengthAndNormalize(Vec3& v)
{
    if (v.status != 0) {
        v = {0.0, 0.0, 0.0, 2};
        return 0.0;
    }
    const double len = norm(v);
    if (len == 0.0) {
        v = {0.0, 0.0, 0.0, 1};
        return 0.0;
    }
    v.x /= len;
    v.y /= len;
    v.z /= len;
    return len;
}

// A direction held for many angleBetween calls: its length and unit copy.
struct Direction {
    Vec3 v;
    double len = 0.0; // length(v)
    Vec3 unit;        // normalized copy of v, when len >= 1e-10
};

inline Direction direction(const Vec3& v)
{
    Direction d;
    d.v = v;
    d.len = v.status != 0 ? 0.0 : norm(v);
    if (d.len >= 1e-10) d.unit = {v.x / d.len, v.y / d.len, v.z / d.len, 0};
    return d;
}

// angleBetween(a, b.v).
inline double angleBetween(const Vec3& a, const Direction& b)
{
    if (a.status != 0 || b.v.status != 0) return 0.0;
    const double la = norm(a);
    if (la < 1e-10) return 0.0;
    if (b.len < 1e-10) return 0.0;
    double d;
    if (la == 1.0) { // a was just normalised: dividing by exactly 1 changes nothing
        d = a.x * b.unit.x + a.y * b.unit.y + a.z * b.unit.z;
    } else {
        const Vec3 na{a.x / la, a.y / la, a.z / la, 0};
        d = na.x * b.unit.x + na.y * b.unit.y + na.z * b.unit.z;
    }
    if (d < -1.0) d = -1.0;
    if (d > 1.0) d = 1.0;
    return std::acos(d);
}

// cross(a, b), then made unit length if non-zero.
inline Vec3 unitCross(const Vec3& a, const Vec3& b)
{
    Vec3 c = affine::cross(a, b);
    const double len = norm(c);
    if (len != 0.0) {
        c.x /= len;
        c.y /= len;
        c.z /= len;
    }
    return c;
}

// transformPoint(m, p).
inline Vec3 transform(const Mat4& mat, const Vec3& p)
{
    const double* m = mat.m;
    const Vec3 v{m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                 m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11], 0};
    const double w = m[12] * p.x + m[13] * p.y + m[14] * p.z + m[15];
    if (w == 1.0) return v;
    return divide(v, w);
}

inline bool lastRowIsUnit(const Mat4& m) { return m.m[12] == 0.0 && m.m[13] == 0.0 && m.m[14] == 0.0 && m.m[15] == 1.0; }

// multiply(a, b) for an a whose last row is (0, 0, 0, 1); b is general.
inline Mat4 multiplyAffine(const Mat4& a, const Mat4& b)
{
    Mat4 out;
    const double* m = b.m;
    for (int r = 0; r < 3; ++r) {
        const double a0 = a.m[4 * r], a1 = a.m[4 * r + 1], a2 = a.m[4 * r + 2], a3 = a.m[4 * r + 3];
        double* o = out.m + 4 * r;
        o[0] = (((0.0 + a0 * m[0]) + a1 * m[4]) + a2 * m[8]) + a3 * m[12];
        o[1] = (((0.0 + a0 * m[1]) + a1 * m[5]) + a2 * m[9]) + a3 * m[13];
        o[2] = (((0.0 + a0 * m[2]) + a1 * m[6]) + a2 * m[10]) + a3 * m[14];
        o[3] = (((0.0 + a0 * m[3]) + a1 * m[7]) + a2 * m[11]) + a3 * m[15];
    }
    out.m[12] = 0.0 + m[12];
    out.m[13] = 0.0 + m[13];
    out.m[14] = 0.0 + m[14];
    out.m[15] = 0.0 + m[15];
    return out;
}

// The rotation block of rotate(identity(), angle, axis): 3x3, row-major.
struct Rotation {
    double r[9];
};

inline Rotation rotation(double angle, const Vec3& axis)
{
    double s, c;
    ::sincos(angle, &s, &c); // glibc gives the same values as sin and cos
    const double x = axis.x;
    const double y = axis.y;
    const double z = axis.z;
    const double k = 1.0 - c;
    // identity * R adds each entry to +0.0.
    return {{0.0 + (c + k * x * x), 0.0 + (k * x * y + s * z), 0.0 + (k * x * z - s * y),
             0.0 + (k * x * y - s * z), 0.0 + (c + k * y * y), 0.0 + (k * y * z + s * x),
             0.0 + (k * x * z + s * y), 0.0 + (k * y * z - s * x), 0.0 + (c + k * z * z)}};
}

// multiply(translation(p), multiply(R, translation(-p))).
inline Mat4 jointTransform(const Vec3& p, const Rotation& rot)
{
    const double* r = rot.r;
    const double nx = -p.x, ny = -p.y, nz = -p.z;
    const double pr[3] = {p.x, p.y, p.z};
    Mat4 out;
    for (int row = 0; row < 3; ++row) {
        const double* q = r + 3 * row;
        out.m[4 * row] = q[0];
        out.m[4 * row + 1] = q[1];
        out.m[4 * row + 2] = q[2];
        const double shift = ((0.0 + q[0] * nx) + q[1] * ny) + q[2] * nz;
        out.m[4 * row + 3] = shift + pr[row];
    }
    out.m[15] = 1.0;
    return out;
}

// multiply(multiply(multiply(translation(p), A), B), translation(-p)).
inline Mat4 twistedJointTransform(const Vec3& p, const Rotation& bend, const Rotation& twist)
{
    const double* b = twist.r;
    const double nx = -p.x, ny = -p.y, nz = -p.z;
    const double pr[3] = {p.x, p.y, p.z};
    Mat4 out;
    for (int row = 0; row < 3; ++row) {
        const double q0 = bend.r[3 * row], q1 = bend.r[3 * row + 1], q2 = bend.r[3 * row + 2];
        const double m0 = ((0.0 + q0 * b[0]) + q1 * b[3]) + q2 * b[6];
        const double m1 = ((0.0 + q0 * b[1]) + q1 * b[4]) + q2 * b[7];
        const double m2 = ((0.0 + q0 * b[2]) + q1 * b[5]) + q2 * b[8];
        double* o = out.m + 4 * row;
        o[0] = m0;
        o[1] = m1;
        o[2] = m2;
        o[3] = (((0.0 + m0 * nx) + m1 * ny) + m2 * nz) + (0.0 + pr[row]);
    }
    out.m[15] = 1.0;
    return out;
}

} // namespace affine

namespace affine {

// Twist of a petiole or blade segment from the y oscillator: opposite in sign
// to yy, saturating below pi/3.
inline double twistAngle(double yy, double arm, double stiffness)
{
    constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3
    const double e = yy * arm / stiffness;
    if (yy > 0.0) return -kMaxTwist * (1.0 - std::exp(-e));
    return kMaxTwist * (1.0 - std::exp(e));
}

} // namespace affine

namespace affine {

// solveBendAngle inlined, with sin and cos of one argument taken by one sincos.
inline double solveBendAngle(double theta0, double load, double arm, double phi, double k, int maxIterations)
{
    const double big = load * arm;
    double theta = theta0;
    int count = 0;
    for (;;) {
        double sine, cosine;
        ::sincos(theta + phi, &sine, &cosine); // the same values as sin and cos, in one call
        const double g = -big * sine - k * theta;
        const double dg = -big * cosine - k;
        ++count;
        if (std::fabs(g) <= 0.0001) return theta;
        if (count >= maxIterations) return theta;
        if (dg == 0.0) return theta;
        const double next = theta - g / dg;
        if (!std::isfinite(next)) return theta;
        theta = next;
    }
}

} // namespace affine
