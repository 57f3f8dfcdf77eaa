// Operators on the program's Vec3 for the generator's geometry. The
// generator never sets a status word, so these are plain arithmetic.
#pragma once
#include "math/vec_plain.h"

inline Vec3 operator+(Vec3 a, Vec3 b) { return plain::add(a, b); }
inline Vec3 operator-(Vec3 a, Vec3 b) { return plain::sub(a, b); }
inline Vec3 operator*(Vec3 a, double s) { return plain::scale(a, s); }
// Unit vector; straight up for a zero vector, so growth never stalls on one.
inline Vec3 unit(Vec3 a) { return plain::unitByReciprocal(a, Vec3{0, 1, 0}); }
