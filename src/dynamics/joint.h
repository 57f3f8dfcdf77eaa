// Pieces shared by the branch, leaf and grass joint loops.
#pragma once
#include "math/mat4.h"
#include "math/vec3.h"

// Twist of a petiole or blade segment from the y oscillator: opposite in sign
// to yy, saturating below pi/3.
double twistAngle(double yy, double arm, double stiffness);

// translation(p) * R(-theta, c) * R(-tau, s) * translation(-p), multiplied left to right.
Mat4 twistedJointTransform(const Vec3& p, double theta, const Vec3& c, double tau, const Vec3& s);
// translation(p) * (R(-theta, c) * translation(-p)).
Mat4 jointTransform(const Vec3& p, double theta, const Vec3& c);
