// Operators on the program's Vec3 for the generator's geometry. The
// generator never sets a status word, so these are plain arithmetic.
#pragma once
#include <cmath>

#include "math/vec3.h"

inline Vec3 operator+(Vec3 a, Vec3 b) { return add(a, b); }
inline Vec3 operator-(Vec3 a, Vec3 b) { return sub(a, b); }
inline Vec3 operator*(Vec3 a, double s) { return scale(a, s); }
// Unit vector; straight up for a zero vector, so growth never stalls on one.
inline Vec3 unit(Vec3 a)
{
    const double n = norm(a);
    return n > 0 ? a * (1.0 / n) : Vec3{0, 1, 0};
}
