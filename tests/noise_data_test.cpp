// The generated wind grids: format, power-law spectrum, periodic wrap.
#include <fftw3.h>
#include <gtest/gtest.h>

#include "data_constants/data_folder.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <numeric>
#include <vector>

#include "tree/tree_model.h"
#include "wind/noise_field.h"

namespace {

constexpr int kN = 32;

struct Grid {
    int dims[3] = {0, 0, 0};
    std::vector<double> values;
    bool trailing = false; // anything left after n^3 values
};

Grid readGrid(const std::string& path)
{
    Grid grid;
    std::ifstream in(path);
    in >> grid.dims[0] >> grid.dims[1] >> grid.dims[2];
    double v;
    while (in >> v) grid.values.push_back(v);
    grid.trailing = !in.eof();
    return grid;
}

struct Component {
    std::string path;
    double beta;
};
const Component kComponents[] = {{dataPath(kDefaultDataDir, kNoiseFileNames[0]), 1.67},
                                 {dataPath(kDefaultDataDir, kNoiseFileNames[1]), 1.33},
                                 {dataPath(kDefaultDataDir, kNoiseFileNames[2]), 1.33}};

size_t at(int ix, int iy, int iz) { return (static_cast<size_t>(ix) * kN + iy) * kN + iz; }

// Least-squares slope of log(mean power per mode) over shells |k| = 1..15.
double spectralSlope(const std::vector<double>& values)
{
    const int nz = kN / 2 + 1;
    std::vector<double> input(values);
    fftw_complex* spectrum = fftw_alloc_complex(static_cast<size_t>(kN) * kN * nz);
    fftw_plan plan = fftw_plan_dft_r2c_3d(kN, kN, kN, input.data(), spectrum, FFTW_ESTIMATE);
    fftw_execute(plan);
    std::vector<double> power(16, 0.0), count(16, 0.0);
    for (int ix = 0; ix < kN; ++ix) {
        for (int iy = 0; iy < kN; ++iy) {
            for (int iz = 0; iz < nz; ++iz) {
                const double kx = ix <= kN / 2 ? ix : ix - kN, ky = iy <= kN / 2 ? iy : iy - kN;
                const int shell = static_cast<int>(std::lround(std::sqrt(kx * kx + ky * ky + iz * iz)));
                if (shell < 1 || shell > 15) continue;
                const fftw_complex& c = spectrum[(static_cast<size_t>(ix) * kN + iy) * nz + iz];
                power[shell] += c[0] * c[0] + c[1] * c[1];
                count[shell] += 1.0;
            }
        }
    }
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int k = 1; k <= 15; ++k) {
        const double x = std::log(k), y = std::log(power[k] / count[k]);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    return (15 * sxy - sx * sy) / (15 * sxx - sx * sx);
}

} // namespace

TEST(NoiseData, EachGridHoldsNCubedFiniteSamplesTheLoaderSpansZeroToOne)
{
    for (const Component& c : kComponents) {
        SCOPED_TRACE(c.path);
        const Grid grid = readGrid(c.path);
        EXPECT_EQ(grid.dims[0], kN);
        EXPECT_EQ(grid.dims[1], kN);
        EXPECT_EQ(grid.dims[2], kN);
        ASSERT_EQ(grid.values.size(), static_cast<size_t>(kN * kN * kN));
        EXPECT_FALSE(grid.trailing);
        double lo = 1e9, hi = -1e9;
        for (double v : grid.values) {
            ASSERT_TRUE(std::isfinite(v));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        EXPECT_GT(hi - lo, 1.0); // not flat: the loader divides by the range
        // The program's loader maps the grid onto 0..1.
        std::unique_ptr<double[]> values;
        int32_t size = 0;
        ASSERT_TRUE(loadNoiseFile(c.path.c_str(), values, size));
        EXPECT_EQ(size, kN);
        EXPECT_NEAR(*std::min_element(values.get(), values.get() + kN * kN * kN), 0.0, 1e-6);
        EXPECT_NEAR(*std::max_element(values.get(), values.get() + kN * kN * kN), 1.0, 1e-6);
    }
}

TEST(NoiseData, PowerPerModeFallsAsOneOverKToTheBeta)
{
    for (const Component& c : kComponents) {
        SCOPED_TRACE(c.path);
        const Grid grid = readGrid(c.path);
        ASSERT_EQ(grid.values.size(), static_cast<size_t>(kN * kN * kN));
        const double slope = spectralSlope(grid.values);
        std::printf("%s: log-log slope %.4f (target %.2f)\n", c.path.c_str(), slope, -c.beta);
        EXPECT_NEAR(slope, -c.beta, 0.15);
    }
}

TEST(NoiseData, WrapsAcrossEveryFaceAsSmoothlyAsInside)
{
    for (const Component& c : kComponents) {
        SCOPED_TRACE(c.path);
        const Grid grid = readGrid(c.path);
        ASSERT_EQ(grid.values.size(), static_cast<size_t>(kN * kN * kN));
        const auto& g = grid.values;
        for (int axis = 0; axis < 3; ++axis) {
            double inner = 0.0, face = 0.0;
            for (int a = 0; a < kN; ++a) {
                for (int b = 0; b < kN; ++b) {
                    auto index = [&](int i) { return axis == 0 ? at(i, a, b) : axis == 1 ? at(a, i, b) : at(a, b, i); };
                    for (int i = 0; i + 1 < kN; ++i) inner += std::fabs(g[index(i + 1)] - g[index(i)]);
                    face += std::fabs(g[index(0)] - g[index(kN - 1)]);
                }
            }
            inner /= (kN - 1);
            EXPECT_LE(face, 1.2 * inner) << "axis " << axis;
        }
    }
}

TEST(NoiseData, ComponentsAreIndependent)
{
    const Grid u = readGrid(kComponents[0].path), v = readGrid(kComponents[1].path), w = readGrid(kComponents[2].path);
    ASSERT_EQ(u.values.size(), v.values.size());
    ASSERT_EQ(v.values.size(), w.values.size());
    auto correlation = [](const std::vector<double>& a, const std::vector<double>& b) {
        const double ma = std::accumulate(a.begin(), a.end(), 0.0) / a.size();
        const double mb = std::accumulate(b.begin(), b.end(), 0.0) / b.size();
        double ab = 0, aa = 0, bb = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            ab += (a[i] - ma) * (b[i] - mb);
            aa += (a[i] - ma) * (a[i] - ma);
            bb += (b[i] - mb) * (b[i] - mb);
        }
        return ab / std::sqrt(aa * bb);
    };
    EXPECT_LT(std::fabs(correlation(u.values, v.values)), 0.1);
    EXPECT_LT(std::fabs(correlation(v.values, w.values)), 0.1);
}
