// Plain vector arithmetic on Vec3: no status word is read or set, results
// carry status 0. For code whose vectors never carry one (the exporter's rig,
// the batch builder's placements, the data generator). Code that must notice
// a degenerate direction uses the status-tracking functions of vec3.h.
//
// Each formula is the one its callers always used, operation for operation:
// their output (generated data, exported files, drawn frames) is pinned.
#pragma once
#include <cmath>

#include "math/mat4.h"
#include "math/vec3.h"

namespace plain {

inline Vec3 add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, 0}; }

inline Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, 0}; }

inline Vec3 scale(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s, 0}; }

inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0};
}

inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// a divided by its length, component by component; the zero vector for a zero a.
inline Vec3 unit(const Vec3& a)
{
    const double n = norm(a);
    return n > 0 ? Vec3{a.x / n, a.y / n, a.z / n, 0} : Vec3{};
}

// a times the reciprocal of its length (rounds unlike unit()); ifZero for a zero a.
inline Vec3 unitByReciprocal(const Vec3& a, const Vec3& ifZero)
{
    const double n = norm(a);
    return n > 0 ? plain::scale(a, 1.0 / n) : ifZero;
}

// Row-major m times (p, 1), the last row left out: for affine transforms.
inline Vec3 transformAffine(const Mat4& m, const Vec3& p)
{
    const double* a = m.m;
    return {a[0] * p.x + a[1] * p.y + a[2] * p.z + a[3], a[4] * p.x + a[5] * p.y + a[6] * p.z + a[7],
            a[8] * p.x + a[9] * p.y + a[10] * p.z + a[11], 0};
}

} // namespace plain
