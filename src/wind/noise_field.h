// Periodic noise grids, one per wind component, and their trilinear sampler.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "data_constants/noise_file.h"

struct NoiseField {
    int32_t size = 0;                    // n: the grid is n x n x n
    std::unique_ptr<double[]> values;    // n^3 samples rescaled to 0..1, [(ix*n+iy)*n+iz]
    double speed[3] = {0.0, 0.0, 0.0};   /// cursor advance per step, grid cells (x, y, z; y only when x wraps)
    double offset[3] = {0.0, 0.0, 0.0};  /// cursor position, grid cells (x, y, z)
};

struct WindField {
    NoiseField u; // along-wind
    NoiseField v; // horizontal cross-wind
    NoiseField w; // third axis
};


// Reads one grid file into a new n^3 array (rescaled to 0..1); size is the n
// of the header as soon as it is read. Prints the reason and returns false on any fault.
bool loadNoiseFile(const char* path, std::unique_ptr<double[]>& values, int32_t& size);
// Loads u, v, w in that order; stops at the first failure. On success sets
// size, values and speed (0.1, 1.0, 0.3) of the three fields; offsets stay.
// On failure *failed (when given) is the path of the grid at fault.
bool loadWindField(WindField& wind, const char* pathU, const char* pathV, const char* pathW,
                   std::string* failed = nullptr);

// Periodic trilinear sample at normalised (a, b, c), shifted by the cursor.
// A field without a grid gives 0 silently.
double sampleNoise(const NoiseField& field, double a, double b, double c);
// The u, v and w samples at one point: the same values as three sampleNoise
// calls, with the shared cell worked out once.
void sampleWind(const WindField& wind, double a, double b, double c, double out[3]);
// Trilinear interpolation at grid coordinates in [0, n).
double interpolateNoise(const NoiseField& field, double x, double y, double z);
// One sample; any index outside 0..n-1 reads index 0 (periodic wrap).
double noiseValue(const NoiseField& field, int ix, int iy, int iz);
