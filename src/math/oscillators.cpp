#include "math/oscillators.h"

#include <cmath>

void stepOscillators(double x[3], double v[3], const double f[3], const double zeta[3], const double force[3],
                     double dt, double y[3])
{
    for (int i = 0; i < 3; ++i) {
        const double a = force[i] - 12.5663706152 * zeta[i] * f[i] * v[i] - 39.47841760964051 * f[i] * f[i] * x[i];
        v[i] = v[i] + a * dt;
        x[i] = x[i] + v[i] * dt;
    }
    for (int i = 0; i < 3; ++i) y[i] = f[i] * f[i] * x[i];
}

double solveBendAngle(double theta0, double load, double arm, double phi, double k, int maxIterations)
{
    const double big = load * arm;
    double theta = theta0;
    int count = 0;
    for (;;) {
        const double g = -big * std::sin(theta + phi) - k * theta;
        const double dg = -big * std::cos(theta + phi) - k;
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
