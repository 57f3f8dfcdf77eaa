// Rotation that turns the +z arrow model onto a direction.
#pragma once
#include "math/vec3.h"

struct ArrowRotation {
    double degrees = 0.0; // angle between +z and the direction
    Vec3 axis;            // unit rotation axis
};

// For a direction along -z (or +z) the cross product with +z vanishes; the x
// axis then serves, which still turns +z onto -z.
ArrowRotation arrowRotation(const Vec3& direction);
