// Periodic noise grids, one per wind component, and their trilinear sampler.
#pragma once
#include <cstdint>
#include <memory>

struct NoiseField {
    int32_t size = 0;                    // n: the grid is n x n x n
    std::unique_ptr<double[]> values;    // n^3 samples rescaled to 0..1, [(ix*n+iy)*n+iz]
    double speed[3] = {0.0, 0.0, 0.0};   // cursor advance per frame (x, y, z)
    double offset[3] = {0.0, 0.0, 0.0};  // cursor position (x, y, z)
};

struct WindField {
    NoiseField u; // along-wind
    NoiseField v; // horizontal cross-wind
    NoiseField w; // third axis
};

inline constexpr const char* kNoisePathU = "./data/noise/n32_3Du_beta1dot67.txt";
inline constexpr const char* kNoisePathV = "./data/noise/n32_3Dv_beta1dot33.txt";
inline constexpr const char* kNoisePathW = "./data/noise/n32_3Dw_beta1dot33.txt";
