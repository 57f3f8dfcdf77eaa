// The wind frame of a step and the force rule shared by branches, leaves and grass.
#pragma once
#include "math/vec3.h"

struct NoiseField;
struct WindField;

struct WindInput {
    Vec3 along;       // D: the wind direction as passed
    Vec3 across;      // G: unit D x up, horizontal cross-wind
    Vec3 third;       // H: unit G x D, upward for a horizontal wind
    bool gale = true; // true: moderate gale, false: light breeze
    double magnitude = 0.0; // gale strength
};

WindInput makeWindInput(bool gale, double magnitude, const Vec3& direction);
// Force from the three samples; scale is windScale (0.3 for grass), unused in a breeze.
Vec3 windForce(const WindInput& wind, double u, double v, double w, double scale);
// Samples u, v, w at the position, then windForce.
Vec3 sampleWindForce(const WindField& field, const WindInput& wind, const Vec3& noisePosition, double scale);
