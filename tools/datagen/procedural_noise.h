// Periodic 2-D noise for the painted textures: gradient noise, fBm and
// Worley cells. Every function tiles with the given integer periods, so an
// image that maps one period onto its width wraps without a seam.
#pragma once
#include <cstdint>

namespace synth {

// Gradient noise in about -1..1 at (x, y) in lattice units; wraps every
// periodX cells along x and periodY along y.
double gradientNoise(double x, double y, int periodX, int periodY, uint32_t seed);

// Sum of `octaves` gradient-noise layers, each at twice the frequency and
// `gain` times the amplitude of the previous; normalised to about -1..1.
double fbm(double x, double y, int periodX, int periodY, int octaves, double gain, uint32_t seed);

// Same, with |noise| folded into ridges: 0 on the creases, about 1 between.
double ridgedFbm(double x, double y, int periodX, int periodY, int octaves, double gain, uint32_t seed);

struct WorleySample {
    double f1;      // distance to the nearest feature point, in cell units
    double f2;      // distance to the second nearest
    uint32_t cell;  // hash of the nearest point's cell, for per-cell colour
};

// One jittered feature point per cell; `jitter` 0..1 (1 = anywhere in the cell).
WorleySample worley(double x, double y, int periodX, int periodY, double jitter, uint32_t seed);

double clamp01(double v);
double smoothstep(double e0, double e1, double v);
double mix(double a, double b, double t);

} // namespace synth
