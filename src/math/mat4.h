// 4x4 double matrix. The helpers here build row-major matrices, element (r, c)
// at 4r + c; OpenGL wants the transpose. View matrices of the app are stored
// in OpenGL order and only read through these index formulas.
//
// The inline helpers are exact stand-ins for the plain formulas on finite
// values: products with a known 0 or 1 factor are left out only where that
// cannot change the sum (a sum started at +0.0 is never -0.0, so adding a
// signed zero to it is exact), and w is only divided out when it is not 1.
#pragma once
#include <cmath>

#include "math/vec3.h"

struct Mat4 {
    double m[16] = {};
};

inline Mat4 identity()
{
    Mat4 r;
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}
Mat4 translation(const Vec3& t);
Mat4 transpose(const Mat4& m);

inline bool lastRowIsUnit(const Mat4& m) { return m.m[12] == 0.0 && m.m[13] == 0.0 && m.m[14] == 0.0 && m.m[15] == 1.0; }

// a * b for an a whose last row is (0, 0, 0, 1); b is general.
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

Mat4 multiplyGeneral(const Mat4& a, const Mat4& b);

inline Mat4 multiply(const Mat4& a, const Mat4& b) { return lastRowIsUnit(a) ? multiplyAffine(a, b) : multiplyGeneral(a, b); }

inline void postMultiply(Mat4& t, const Mat4& m) { t = multiply(t, m); }

// Homogeneous: divides by w, so w == 0 gives the zero vector with status 1.
inline Vec3 transformPoint(const Mat4& mat, const Vec3& p)
{
    const double* m = mat.m;
    const Vec3 v{m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                 m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11], 0};
    const double w = m[12] * p.x + m[13] * p.y + m[14] * p.z + m[15];
    if (w == 1.0) return v;
    return divide(v, w);
}

// A 3x3 rotation block, row-major.
struct Rotation {
    double r[9];
};

// The block of rotate(identity(), angle, axis): turns points by -angle about axis.
inline Rotation rotation(double sine, double cosine, const Vec3& axis)
{
    const double s = sine, c = cosine;
    const double x = axis.x;
    const double y = axis.y;
    const double z = axis.z;
    const double k = 1.0 - c;
    // identity * R adds each entry to +0.0.
    return {{0.0 + (c + k * x * x), 0.0 + (k * x * y + s * z), 0.0 + (k * x * z - s * y),
             0.0 + (k * x * y - s * z), 0.0 + (c + k * y * y), 0.0 + (k * y * z + s * x),
             0.0 + (k * x * z + s * y), 0.0 + (k * y * z - s * x), 0.0 + (c + k * z * z)}};
}

inline Rotation rotation(double angle, const Vec3& axis)
{
    double s, c;
    ::sincos(angle, &s, &c); // glibc gives the same values as sin and cos
    return rotation(s, c, axis);
}

Mat4 toMat4(const Rotation& rot);

// T := T * R; applied with transformPoint, R turns points by -angle about axis.
inline void rotate(Mat4& t, double angle, const Vec3& axis) { postMultiply(t, toMat4(rotation(angle, axis))); }

// translation(p) * R * translation(-p): R applied about the point p.
inline Mat4 turnAbout(const Vec3& p, const Rotation& rot)
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

// translation(p) * A * B * translation(-p): A after B, about the point p.
inline Mat4 turnAbout(const Vec3& p, const Rotation& a, const Rotation& b)
{
    const double* q = b.r;
    const double nx = -p.x, ny = -p.y, nz = -p.z;
    const double pr[3] = {p.x, p.y, p.z};
    Mat4 out;
    for (int row = 0; row < 3; ++row) {
        const double q0 = a.r[3 * row], q1 = a.r[3 * row + 1], q2 = a.r[3 * row + 2];
        const double m0 = ((0.0 + q0 * q[0]) + q1 * q[3]) + q2 * q[6];
        const double m1 = ((0.0 + q0 * q[1]) + q1 * q[4]) + q2 * q[7];
        const double m2 = ((0.0 + q0 * q[2]) + q1 * q[5]) + q2 * q[8];
        double* o = out.m + 4 * row;
        o[0] = m0;
        o[1] = m1;
        o[2] = m2;
        o[3] = (((0.0 + m0 * nx) + m1 * ny) + m2 * nz) + (0.0 + pr[row]);
    }
    out.m[15] = 1.0;
    return out;
}
