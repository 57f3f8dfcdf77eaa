#include "dynamics/oscillators.h"

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
