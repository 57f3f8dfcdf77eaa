#include "view/transformer.h"

#include <cmath>

// Height of a window point above the ball's centre plane. Points on the rim
// can come out a rounding step outside the ball; they get height 0 instead
// of a NaN that would poison the dragged matrix for good.
static float sphereHeight(float radius, float dx, float dy)
{
    const float h2 = radius * radius - (dx * dx + dy * dy);
    return h2 > 0.0f ? std::sqrt(h2) : 0.0f;
}

TransformerArcBall::TransformerArcBall(int width, int height)
{
    resize(width, height);
    startPoint = Vec3{0.0, 0.0, 0.0, 0};
}

void TransformerArcBall::resize(int width, int height)
{
    centreX = static_cast<float>(width) * 0.5f;
    centreY = static_cast<float>(height) * 0.5f;
    const float s = centreX * centreX + centreY * centreY;
    radius = std::ceil(std::sqrt(s));
}

void TransformerArcBall::begin(float x, float y)
{
    const float dx = x - centreX;
    const float dy = y - centreY;
    // x and y themselves, not their offsets: the sphere vectors start at the window origin.
    startPoint = Vec3{x, y, sphereHeight(radius, dx, dy), 0};
}

Mat4 TransformerArcBall::transform(float x, float y)
{
    float dx = x - centreX;
    float dy = y - centreY;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d > radius) {
        x = centreX + dx * (radius / d);
        y = centreY + dy * (radius / d);
        dx = x - centreX;
        dy = y - centreY;
    }
    const Vec3 current{x, y, sphereHeight(radius, dx, dy), 0};

    const float angle = static_cast<float>(2.0 * angleBetween(current, startPoint));
    Vec3 axis = cross(startPoint, current);
    normalize(axis);

    const float h = angle * 0.5f;
    const float c = static_cast<float>(std::cos(static_cast<double>(h)));
    const float s = static_cast<float>(std::sin(static_cast<double>(h)));
    float qx = static_cast<float>(s * axis.x);
    float qy = static_cast<float>(s * axis.y);
    float qz = static_cast<float>(s * axis.z);
    float qw = c;
    const float n = std::sqrt(qx * qx + qy * qy + qz * qz + qw * qw);
    if (!(n > 0.0f)) return identity(); // half turn about a zero axis: no rotation to give
    qx /= n;
    qy /= n;
    qz /= n;
    qw /= n;
    return quaternionToMatrix(qx, qy, qz, qw);
}

Mat4 TransformerPan::transform(float x, float y)
{
    Mat4 r = identity();
    r.m[12] = (x - startX) * gain;
    r.m[13] = (y - startY) * gain;
    r.m[14] = 0.0;
    return r;
}

Mat4 TransformerZoom::transform(float, float y)
{
    Mat4 r = identity();
    r.m[14] = (y - startY) * gain;
    return r;
}

Mat4 quaternionToMatrix(float x, float y, float z, float w)
{
    const double qx = x;
    const double qy = y;
    const double qz = z;
    const double qw = w;
    Mat4 r;
    r.m[0] = 1.0 - 2.0 * qy * qy - 2.0 * qz * qz;
    r.m[1] = 2.0 * qx * qy + 2.0 * qw * qz;
    r.m[2] = 2.0 * qx * qz - 2.0 * qw * qy;
    r.m[3] = 0.0;
    r.m[4] = 2.0 * qx * qy - 2.0 * qw * qz;
    r.m[5] = 1.0 - 2.0 * qx * qx - 2.0 * qz * qz;
    r.m[6] = 2.0 * qy * qz + 2.0 * qw * qx;
    r.m[7] = 0.0;
    r.m[8] = 2.0 * qx * qz + 2.0 * qw * qy;
    r.m[9] = 2.0 * qy * qz - 2.0 * qw * qx;
    r.m[10] = 1.0 - 2.0 * qx * qx - 2.0 * qy * qy;
    r.m[11] = 0.0;
    r.m[12] = 0.0;
    r.m[13] = 0.0;
    r.m[14] = 0.0;
    r.m[15] = 1.0;
    return r;
}
