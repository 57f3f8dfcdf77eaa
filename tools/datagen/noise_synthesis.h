// Periodic 3-D noise grids with a power-law spectrum, by spectral synthesis.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// n^3 samples in the order (ix*n + iy)*n + iz, periodic on all three axes,
// power per Fourier mode proportional to |k|^-beta, zero mean, unit
// standard deviation. n must be even.
std::vector<double> synthesizeNoiseGrid(int n, double beta, uint64_t seed);

// Writes "n n n" and the n^3 samples as text; false on an I/O failure.
bool writeNoiseGrid(const std::string& path, int n, const std::vector<double>& values);
