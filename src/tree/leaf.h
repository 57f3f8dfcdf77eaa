// One leaf: a six-point petiole and a blade placed by a matrix.
#pragma once
#include <cstdint>

#include "data_constants/leaf_file.h"
#include "math/mat4.h"


struct Leaf {
    int32_t pointCount = kPetiolePoints;    // petiole points
    Mat4 bladeMatrix = identity();          // template -> tree space, current
    Mat4 restBladeMatrix = identity();      // rest copy
    Vec3 petiolePoints[kPetiolePoints];     // current petiole centre line
    Vec3 restPetiolePoints[kPetiolePoints]; // rest copy
    double petioleRadii[kPetiolePoints] = {}; // template radii, unscaled
    Vec3 frameX, frameY, frameZ;            // base point + unit axes
    Vec3 restFrameX, restFrameY, restFrameZ; // rest copies
    double bendVelocity[3] = {};            // oscillator velocities
    double bendPosition[3] = {};            // oscillator states
    double stiffness = 0.0;                 /// 0.9..1.1 force units per radian
    double frequency = 0.0;                 /// 1.3..1.7 Hz
    double dampingRatio = 0.0;              /// 0.07..0.09 of critical damping
    double windScale = 0.0;                 /// height factor of the petiole tip, 0.32..1
    Vec3 noisePosition;                     // where the wind is sampled
};
