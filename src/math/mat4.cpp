#include "math/mat4.h"

#include <cmath>

Mat4 identity()
{
    Mat4 r;
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}

Mat4 translation(const Vec3& t)
{
    Mat4 r = identity();
    r.m[3] = t.x;
    r.m[7] = t.y;
    r.m[11] = t.z;
    return r;
}

Mat4 multiply(const Mat4& a, const Mat4& b)
{
    Mat4 out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * r + k] * b.m[4 * k + c];
            out.m[4 * r + c] = sum;
        }
    }
    return out;
}

void postMultiply(Mat4& t, const Mat4& m) { t = multiply(t, m); }

Vec3 transformPoint(const Mat4& m, const Vec3& p)
{
    const double* a = m.m;
    const Vec3 v{a[0] * p.x + a[1] * p.y + a[2] * p.z + a[3],
                 a[4] * p.x + a[5] * p.y + a[6] * p.z + a[7],
                 a[8] * p.x + a[9] * p.y + a[10] * p.z + a[11], 0};
    const double w = a[12] * p.x + a[13] * p.y + a[14] * p.z + a[15];
    return divide(v, w);
}

void rotate(Mat4& t, double angle, const Vec3& axis)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double x = axis.x;
    const double y = axis.y;
    const double z = axis.z;
    const double k = 1.0 - c;
    Mat4 r;
    r.m[0] = c + k * x * x;
    r.m[1] = k * x * y + s * z;
    r.m[2] = k * x * z - s * y;
    r.m[4] = k * x * y - s * z;
    r.m[5] = c + k * y * y;
    r.m[6] = k * y * z + s * x;
    r.m[8] = k * x * z + s * y;
    r.m[9] = k * y * z - s * x;
    r.m[10] = c + k * z * z;
    r.m[15] = 1.0;
    postMultiply(t, r);
}

Mat4 transpose(const Mat4& m)
{
    Mat4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.m[4 * i + j] = m.m[4 * j + i];
    return out;
}
