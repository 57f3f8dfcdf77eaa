// 4x4 double matrix. The helpers here build row-major matrices, element (r, c)
// at 4r + c; OpenGL wants the transpose. View matrices of the app are stored
// in OpenGL order and only read through these index formulas.
#pragma once
#include "math/vec3.h"

struct Mat4 {
    double m[16] = {};
};

Mat4 identity();
Mat4 translation(const Vec3& t);
Mat4 multiply(const Mat4& a, const Mat4& b);
void postMultiply(Mat4& t, const Mat4& m);
// Homogeneous: divides by w, so w == 0 gives the zero vector with status 1.
Vec3 transformPoint(const Mat4& m, const Vec3& p);
// T := T * R; applied with transformPoint, R turns points by -angle about axis.
void rotate(Mat4& t, double angle, const Vec3& axis);
Mat4 transpose(const Mat4& m);
