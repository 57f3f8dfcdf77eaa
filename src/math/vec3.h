// Double-precision vector with a status word instead of errors.
#pragma once
#include <cstdint>

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    int32_t status = 0; // 0 valid, 1 zero length met, 2 invalid vector normalised
};

Vec3 add(const Vec3& a, const Vec3& b);
Vec3 sub(const Vec3& a, const Vec3& b);
Vec3 scale(const Vec3& v, double s);
Vec3 divide(const Vec3& v, double s);
Vec3 cross(const Vec3& a, const Vec3& b);
double length(const Vec3& v);
// Only u's status is tested: u is always the normalised direction.
double dot(const Vec3& v, const Vec3& u);
void normalize(Vec3& v);
// Copy with status 0; marks the source's status on failure.
Vec3 normalized(Vec3& v);
double angleBetween(const Vec3& a, const Vec3& b);
