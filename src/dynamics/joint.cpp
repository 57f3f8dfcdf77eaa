#include "dynamics/joint.h"

#include <cmath>

namespace {
constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3
}

double twistAngle(double yy, double arm, double stiffness)
{
    const double e = yy * arm / stiffness;
    if (yy > 0.0) return -kMaxTwist * (1.0 - std::exp(-e));
    return kMaxTwist * (1.0 - std::exp(e));
}

Mat4 twistedJointTransform(const Vec3& p, double theta, const Vec3& c, double tau, const Vec3& s)
{
    Mat4 bend = identity();
    rotate(bend, -theta, c);
    Mat4 twist = identity();
    rotate(twist, -tau, s);
    const Vec3 back{-p.x, -p.y, -p.z, 0};
    return multiply(multiply(multiply(translation(p), bend), twist), translation(back));
}

Mat4 jointTransform(const Vec3& p, double theta, const Vec3& c)
{
    Mat4 bend = identity();
    rotate(bend, -theta, c);
    const Vec3 back{-p.x, -p.y, -p.z, 0};
    return multiply(translation(p), multiply(bend, translation(back)));
}
