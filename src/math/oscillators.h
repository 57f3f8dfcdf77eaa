// Numerical helpers of the dynamics.
#pragma once
#include <cmath>

// Three damped oscillators, one semi-implicit Euler step each; x and v are
// updated in place and y receives f^2 * x (the new position).
void stepOscillators(double x[3], double v[3], const double f[3], const double zeta[3], const double force[3],
                     double dt, double y[3]);

// Newton iteration for the root of -L sin(theta + phi) - k theta, L = load * arm.
// Returns the last point at which g was evaluated. Inline: it runs once per
// joint of every branch, leaf and blade.
inline double solveBendAngle(double theta0, double load, double arm, double phi, double k, int maxIterations)
{
    const double big = load * arm;
    double theta = theta0;
    int count = 0;
    for (;;) {
        double sine, cosine;
        ::sincos(theta + phi, &sine, &cosine); // the same values as sin and cos, in one call
        const double g = -big * sine - k * theta;
        const double dg = -big * cosine - k;
        ++count;
        if (std::fabs(g) <= 0.0001) return theta;
        if (count >= maxIterations) return theta;
        // A flat g' would throw the angle to infinity: stay at the last finite point.
        if (dg == 0.0) return theta;
        const double next = theta - g / dg;
        if (!std::isfinite(next)) return theta;
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
