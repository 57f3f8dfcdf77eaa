// The wind one step is driven by: regime, magnitude and direction. One record
// for every place that holds them (the flags, the step's input, the window's
// view, the exporter, the wind schedule's output).
#pragma once
#include "math/vec3.h"

struct WindSettings {
    bool gale = true;                  // moderate gale; false: light breeze
    double magnitude = 400.0;          /// wind magnitude, force units per unit noise, 0..800
    Vec3 direction{1.0, 0.0, 0.0, 0};  // unit wind direction in tree space
};
