// Numerical helpers of the dynamics.
#pragma once
#include <cmath>

#include "math/fast_trig.h"
#include "math/mat4.h"
#include "math/vec3.h"

// Three damped oscillators, one semi-implicit Euler step each; x and v are
// updated in place and y receives f^2 * x (the new position).
void stepOscillators(double x[3], double v[3], const double f[3], const double zeta[3], const double force[3],
                     double dt, double y[3]);

// How a joint's angles are computed.
//  Plain: the textbook formulas with the C library's functions: the angle
//  phi between segment and bend by acos, sin(theta + phi) per Newton step,
//  sin and cos again for each rotation.
//  Fast: phi is kept as its cosine (the dot product) and sine (the length of
//  the cross product the rotation axis comes from), sin(theta + phi) is
//  composed from sin and cos of theta, which the bend rotation then reuses,
//  and the trigonometry is inline. Deterministic, within rounding of Plain.
enum class Arithmetic { Plain, Fast };

struct PlainMath {
    using Phase = double; // phi
    struct Turn {         // nothing kept for the rotation
        void shifted(double theta, Phase phi, double& sine, double& cosine) const
        {
            ::sincos(theta + phi, &sine, &cosine); // the same values as sin and cos, in one call
        }
    };
    static Phase phase(const Vec3& seg, const Direction& towards, double /*crossLength*/)
    {
        return angleBetween(seg, towards);
    }
    static Rotation bend(double theta, const Turn&, const Vec3& axis) { return rotation(-theta, axis); }
    static Rotation turn(double angle, const Vec3& axis) { return rotation(angle, axis); }
};

struct FastMath {
    struct Phase {
        double cosine = 1.0, sine = 0.0;
    };
    struct Turn {
        double sine = 0.0, cosine = 1.0; // of the last theta evaluated
        void shifted(double theta, const Phase& phi, double& s, double& c)
        {
            fastSinCos(theta, sine, cosine);
            s = sine * phi.cosine + cosine * phi.sine;
            c = cosine * phi.cosine - sine * phi.sine;
        }
    };
    // The cases where the plain angle is 0 give (1, 0).
    static Phase phase(const Vec3& seg, const Direction& towards, double crossLength)
    {
        if (seg.status != 0 || towards.v.status != 0 || towards.len < 1e-10) return {};
        double d = seg.x * towards.unit.x + seg.y * towards.unit.y + seg.z * towards.unit.z;
        if (d < -1.0) d = -1.0;
        if (d > 1.0) d = 1.0;
        return {d, crossLength};
    }
    static Rotation bend(double, const Turn& t, const Vec3& axis) { return rotation(-t.sine, t.cosine, axis); }
    static Rotation turn(double angle, const Vec3& axis)
    {
        double s, c;
        fastSinCos(angle, s, c);
        return rotation(s, c, axis);
    }
};

// Newton iteration for the root of -L sin(theta + phi) - k theta, L = load * arm.
// Returns the last point at which g was evaluated; *turn, when given, gets
// what the rotation by that angle can reuse.
template <class Phase, class Turn = PlainMath::Turn>
inline double solveBendAngle(double theta0, double load, double arm, const Phase& phi, double k, int maxIterations,
                             Turn* turn = nullptr)
{
    const double big = load * arm;
    double theta = theta0;
    Turn last;
    int count = 0;
    for (;;) {
        double sine, cosine;
        last.shifted(theta, phi, sine, cosine);
        const double g = -big * sine - k * theta;
        const double dg = -big * cosine - k;
        ++count;
        // A flat g' would throw the angle to infinity: stay at the last finite point.
        const bool done = std::fabs(g) <= 0.0001 || count >= maxIterations || dg == 0.0;
        const double next = done ? theta : theta - g / dg;
        if (done || !std::isfinite(next)) {
            if (turn) *turn = last;
            return theta;
        }
        theta = next;
    }
}

// Twist of a petiole or blade segment from the y oscillator: opposite in sign
// to yy, saturating below pi/3.
inline double twistAngle(double yy, double arm, double stiffness)
{
    constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3
    const double e = yy * arm / stiffness;
    if (yy > 0.0) return -kMaxTwist * (1.0 - std::exp(-e));
    return kMaxTwist * (1.0 - std::exp(e));
}
