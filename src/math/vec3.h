// Double-precision vector with a status word instead of errors. The small
// helpers are inline: the joint loops of the dynamics call them millions of
// times a second.
#pragma once
#include <cmath>
#include <cstdint>

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    int32_t status = 0; // 0 valid, 1 zero length met, 2 invalid vector normalised
};

inline Vec3 add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.status | b.status}; }

inline Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.status | b.status}; }

inline Vec3 scale(const Vec3& v, double s) { return {v.x * s, v.y * s, v.z * s, v.status}; }

inline Vec3 divide(const Vec3& v, double s)
{
    if (s == 0.0) return {0.0, 0.0, 0.0, 1};
    return {v.x / s, v.y / s, v.z / s, v.status};
}

inline Vec3 cross(const Vec3& a, const Vec3& b)
{
    if ((a.status | b.status) != 0) return {};
    return {a.y * b.z - b.y * a.z, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0};
}

// Euclidean length, ignoring the status word.
inline double norm(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

inline double length(const Vec3& v) { return v.status != 0 ? 0.0 : norm(v); }

// Only u's status is tested: u is always the normalised direction.
inline double dot(const Vec3& v, const Vec3& u)
{
    if (u.status != 0) return 0.0;
    return v.x * u.x + v.y * u.y + v.z * u.z;
}

// Makes v unit length and returns its former length, sharing the one square
// root; an invalid vector becomes zero with status 2, a zero one status 1.
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

inline void normalize(Vec3& v) { (void)lengthAndNormalize(v); }

// Copy with status 0; marks the source's status on failure.
Vec3 normalized(Vec3& v);

// cross(a, b), made unit length unless it is zero.
inline Vec3 unitCross(const Vec3& a, const Vec3& b)
{
    Vec3 c = cross(a, b);
    const double len = norm(c);
    if (len != 0.0) {
        c.x /= len;
        c.y /= len;
        c.z /= len;
    }
    return c;
}

// A direction measured against many times: its length and unit copy.
struct Direction {
    Vec3 v;
    double len = 0.0; // length(v)
    Vec3 unit;        // v / len, when len >= 1e-10
};

inline Direction direction(const Vec3& v)
{
    Direction d;
    d.v = v;
    d.len = length(v);
    if (d.len >= 1e-10) d.unit = {v.x / d.len, v.y / d.len, v.z / d.len, 0};
    return d;
}

// Angle in [0, pi] between a and b; 0 when either is invalid or shorter than 1e-10.
inline double angleBetween(const Vec3& a, const Direction& b)
{
    if (a.status != 0 || b.v.status != 0) return 0.0;
    const double la = norm(a);
    if (la < 1e-10 || b.len < 1e-10) return 0.0;
    double d;
    if (la == 1.0) { // dividing by exactly 1 would change nothing
        d = a.x * b.unit.x + a.y * b.unit.y + a.z * b.unit.z;
    } else {
        d = (a.x / la) * b.unit.x + (a.y / la) * b.unit.y + (a.z / la) * b.unit.z;
    }
    if (d < -1.0) d = -1.0;
    if (d > 1.0) d = 1.0;
    return std::acos(d);
}

inline double angleBetween(const Vec3& a, const Vec3& b) { return angleBetween(a, direction(b)); }
