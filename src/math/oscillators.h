// Numerical helpers of the dynamics.
#pragma once

// Three damped oscillators, one semi-implicit Euler step each; x and v are
// updated in place and y receives f^2 * x (the new position).
void stepOscillators(double x[3], double v[3], const double f[3], const double zeta[3], const double force[3],
                     double dt, double y[3]);

// Newton iteration for the root of -L sin(theta + phi) - k theta, L = load * arm.
// Returns the last point at which g was evaluated.
double solveBendAngle(double theta0, double load, double arm, double phi, double k, int maxIterations);
