#include "noise_synthesis.h"

#include <fftw3.h>

#include <cmath>
#include <cstdio>

#include "synth_random.h"
#include "whole_file.h"

std::vector<double> synthesizeNoiseGrid(int n, double beta, uint64_t seed)
{
    const int nz = n / 2 + 1; // c2r keeps only the non-negative kz half
    const size_t modes = static_cast<size_t>(n) * n * nz;
    fftw_complex* spectrum = fftw_alloc_complex(modes);
    std::vector<double> grid(static_cast<size_t>(n) * n * n);
    // FFTW_ESTIMATE: no timing runs, so the plan (and the bits) are the same every run.
    fftw_plan plan = fftw_plan_dft_c2r_3d(n, n, n, spectrum, grid.data(), FFTW_ESTIMATE);

    auto signedK = [n](int i) { return i <= n / 2 ? i : i - n; };
    auto at = [n, nz](int ix, int iy, int iz) { return (static_cast<size_t>(ix) * n + iy) * nz + iz; };
    std::vector<double> amplitude(modes, 0.0);

    synth::Rng rng(seed);
    for (int ix = 0; ix < n; ++ix) {
        for (int iy = 0; iy < n; ++iy) {
            for (int iz = 0; iz < nz; ++iz) {
                const double kx = signedK(ix), ky = signedK(iy), kz = iz;
                const double k = std::sqrt(kx * kx + ky * ky + kz * kz);
                const double phase = 6.283185307179586 * rng.uniform(); // drawn for every mode: fixed stream
                const size_t i = at(ix, iy, iz);
                amplitude[i] = k > 0.0 ? std::pow(k, -0.5 * beta) : 0.0; // no mean
                spectrum[i][0] = amplitude[i] * std::cos(phase);
                spectrum[i][1] = amplitude[i] * std::sin(phase);
            }
        }
    }
    // The kz = 0 and kz = n/2 planes hold both k and -k: make them conjugate
    // pairs, and the self-conjugate modes real with their full amplitude.
    for (int iz : {0, n / 2}) {
        for (int ix = 0; ix < n; ++ix) {
            for (int iy = 0; iy < n; ++iy) {
                const int mx = (n - ix) % n, my = (n - iy) % n;
                const size_t self = at(ix, iy, iz), mirror = at(mx, my, iz);
                if (self == mirror) {
                    spectrum[self][0] = spectrum[self][0] >= 0.0 ? amplitude[self] : -amplitude[self];
                    spectrum[self][1] = 0.0;
                } else if (self > mirror) {
                    spectrum[self][0] = spectrum[mirror][0];
                    spectrum[self][1] = -spectrum[mirror][1];
                }
            }
        }
    }
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    fftw_free(spectrum);

    double sum = 0.0, sumSq = 0.0;
    for (double v : grid) {
        sum += v;
        sumSq += v * v;
    }
    const double mean = sum / grid.size();
    const double deviation = std::sqrt(sumSq / grid.size() - mean * mean);
    for (double& v : grid) v = (v - mean) / deviation;
    return grid;
}

bool writeNoiseGrid(const std::string& path, int n, const std::vector<double>& values)
{
    TextOut out;
    FILE* file = out.file();
    std::fprintf(file, "%d %d %d\n", n, n, n);
    for (size_t i = 0; i < values.size(); ++i) {
        std::fprintf(file, (i % 8 == 7) ? "%.6f\n" : "%.6f ", values[i]);
    }
    return out.save(path);
}
