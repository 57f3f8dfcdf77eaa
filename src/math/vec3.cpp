#include "math/vec3.h"

#include <cmath>

Vec3 add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.status | b.status}; }

Vec3 sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.status | b.status}; }

Vec3 scale(const Vec3& v, double s) { return {v.x * s, v.y * s, v.z * s, v.status}; }

Vec3 divide(const Vec3& v, double s)
{
    if (s == 0.0) return {0.0, 0.0, 0.0, 1};
    return {v.x / s, v.y / s, v.z / s, v.status};
}

Vec3 cross(const Vec3& a, const Vec3& b)
{
    if ((a.status | b.status) != 0) return {};
    return {a.y * b.z - b.y * a.z, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0};
}

double length(const Vec3& v)
{
    if (v.status != 0) return 0.0;
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

double dot(const Vec3& v, const Vec3& u)
{
    if (u.status != 0) return 0.0;
    return v.x * u.x + v.y * u.y + v.z * u.z;
}

void normalize(Vec3& v)
{
    if (v.status != 0) {
        v = {0.0, 0.0, 0.0, 2};
        return;
    }
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0.0) {
        v = {0.0, 0.0, 0.0, 1};
        return;
    }
    v.x /= len;
    v.y /= len;
    v.z /= len;
}

Vec3 normalized(Vec3& v)
{
    if (v.status != 0) {
        v.status = 2;
        return {};
    }
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len == 0.0) {
        v.status = 1;
        return {};
    }
    return {v.x / len, v.y / len, v.z / len, 0};
}

double angleBetween(const Vec3& a, const Vec3& b)
{
    if (a.status != 0 || b.status != 0) return 0.0;
    if (length(a) < 1e-10) return 0.0;
    if (length(b) < 1e-10) return 0.0;
    Vec3 ac = a;
    Vec3 bc = b;
    double d = dot(normalized(ac), normalized(bc));
    if (d < -1.0) d = -1.0;
    if (d > 1.0) d = 1.0;
    return std::acos(d);
}
