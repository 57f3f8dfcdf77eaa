// The wind frame of a step and the force rule shared by branches, leaves and grass.
#pragma once
#include "math/vec3.h"
#include "wind/wind_input.h"

struct NoiseField;
struct WindField;


WindInput makeWindInput(bool gale, double magnitude, const Vec3& direction);
// Force from the three samples; scale is windScale (0.3 for grass), unused in a breeze.
Vec3 windForce(const WindInput& wind, double u, double v, double w, double scale);
// Samples u, v, w at the position, then windForce.
Vec3 sampleWindForce(const WindField& field, const WindInput& wind, const Vec3& noisePosition, double scale);
