// The wind frame of a step and its strength, as the force rule reads them.
#pragma once
#include "math/vec3.h"

struct WindInput {
    Vec3 along;       // D: the wind direction as passed
    Vec3 across;      // G: unit D x up, horizontal cross-wind
    Vec3 third;       // H: unit G x D, upward for a horizontal wind
    bool gale = true; // true: moderate gale, false: light breeze
    double magnitude = 0.0; // gale strength
};
