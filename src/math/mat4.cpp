#include "math/mat4.h"

Mat4 translation(const Vec3& t)
{
    Mat4 r = identity();
    r.m[3] = t.x;
    r.m[7] = t.y;
    r.m[11] = t.z;
    return r;
}

Mat4 multiplyGeneral(const Mat4& a, const Mat4& b)
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

Mat4 toMat4(const Rotation& rot)
{
    Mat4 out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out.m[4 * r + c] = rot.r[3 * r + c];
    out.m[15] = 1.0;
    return out;
}

Mat4 transpose(const Mat4& m)
{
    Mat4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out.m[4 * i + j] = m.m[4 * j + i];
    return out;
}
