// The three wind noise grids: read from their files, sampled trilinearly
// with wrap-around at the cursor.
//
// Sections, in order:
//   Loading: readDimensions, readSamples, loadNoiseFile, loadWindField
//   Interpolation: noiseValue, noiseCell, interpolateNoise
//   Sampling at the cursor: wrapCoordinate, gridPoint, sampleNoise, sampleWind
#include "wind/noise_field.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <new>

#include "platform/platform.h"
#include "platform/text_file.h"

// ---- Loading

namespace {

// The three dimensions; all equal, within 1..kMaxNoiseSize. Prints the
// failure (the fixed first line, then file, line and reason).
bool readDimensions(TextTokens& tokens, const char* path, int32_t& size)
{
    int d[3] = {};
    std::string why;
    for (int& dim : d) {
        if (!tokens.next()) why = "the file ends before the three dimensions";
        else parseIntToken(tokens.text, dim, why);
        if (why.empty()) continue;
        consolePrintf("Dimension error!\n");
        reportFileLine(path, tokens.tokenLine, why);
        return false;
    }
    size = d[0];
    if (d[0] != d[1] || d[0] != d[2]) {
        consolePrintf("Dimension error!\n");
        reportFileLine(path, tokens.tokenLine,
                       "dimensions " + std::to_string(d[0]) + " " + std::to_string(d[1]) + " " + std::to_string(d[2]) +
                           " are not all equal");
        return false;
    }
    if (d[0] < 1 || d[0] > kMaxNoiseSize) {
        consolePrintf("Noise grid size %d is outside 1..%d!\n", d[0], kMaxNoiseSize);
        reportFileLine(path, tokens.tokenLine, "grid size out of range");
        return false;
    }
    return true;
}

// n^3 values in file order; the extremes are kept as floats, as the rescale uses them.
bool readSamples(TextTokens& tokens, const char* path, double* data, long total, float& minValue, float& maxValue)
{
    std::string why;
    for (long count = 0; count < total; ++count) {
        double v = 0.0;
        if (!tokens.next())
            why = "the file ends after " + std::to_string(count) + " values, " + std::to_string(total) + " expected";
        else if (parseRealToken(tokens.text, v, why))
            why.clear();
        if (!why.empty()) {
            reportFileLine(path, tokens.tokenLine, why);
            return false;
        }
        data[count] = v;
        if (v > maxValue) maxValue = static_cast<float>(v);
        if (v < minValue) minValue = static_cast<float>(v);
    }
    return true;
}

} // namespace

bool loadNoiseFile(const char* path, std::unique_ptr<double[]>& values, int32_t& size)
{
    if (!path) path = "";
    std::string why;
    FILE* file = openDataFile(path, why);
    if (!file) {
        consolePrintf("File was not found!\n");
        reportFile(path, why);
        return false;
    }
    TextTokens tokens;
    tokens.file = file;
    int32_t n = 0;
    const bool sized = readDimensions(tokens, path, n);
    if (n != 0) size = n;
    std::unique_ptr<double[]> data;
    const long total = sized ? static_cast<long>(n) * n * n : 0; // n is within 1..kMaxNoiseSize only when sized
    if (sized) data.reset(new (std::nothrow) double[total]);
    if (sized && !data) consolePrintf("Noise grid allocation failed!\n");
    float maxValue = -9999.0f;
    float minValue = 9999.0f;
    const bool read = data && readSamples(tokens, path, data.get(), total, minValue, maxValue);
    std::fclose(file);
    if (!read) return false;
    const float range = maxValue - minValue;
    if (!(range > 0.0f) || !std::isfinite(range)) {
        consolePrintf("Noise file %s has no spread of values!\n", path);
        return false;
    }
    for (long i = 0; i < total; ++i) data[i] = (data[i] - minValue) / range;
    values = std::move(data);
    return true;
}

bool loadWindField(WindField& wind, const char* pathU, const char* pathV, const char* pathW, std::string* failed)
{
    std::unique_ptr<double[]> u, v, w;
    int32_t sizeU = 0, sizeV = 0, sizeW = 0;
    auto fault = [failed](const char* path) {
        if (failed) *failed = path ? path : "";
        return false;
    };
    if (!loadNoiseFile(pathU, u, sizeU)) return fault(pathU);
    if (!loadNoiseFile(pathV, v, sizeV)) return fault(pathV);
    if (!loadNoiseFile(pathW, w, sizeW)) return fault(pathW);
    // One size for all three: the sampler uses each field's own size, but the
    // grids are meant as one wind, so unequal grids are refused.
    if (sizeU != sizeV || sizeU != sizeW) {
        consolePrintf("Dimension error!\n");
        const bool vDiffers = sizeV != sizeU;
        reportFile(vDiffers ? pathV : pathW, "grid size " + std::to_string(vDiffers ? sizeV : sizeW) + ", but " +
                                                 pathU + " has " + std::to_string(sizeU));
        return fault(vDiffers ? pathV : pathW);
    }
    NoiseField* fields[3] = {&wind.u, &wind.v, &wind.w};
    std::unique_ptr<double[]>* arrays[3] = {&u, &v, &w};
    for (int i = 0; i < 3; ++i) {
        fields[i]->size = sizeU;
        fields[i]->values = std::move(*arrays[i]);
        fields[i]->speed[0] = 0.1;
        fields[i]->speed[1] = 1.0;
        fields[i]->speed[2] = 0.3;
    }
    return true;
}

// ---- Interpolation

double noiseValue(const NoiseField& field, int ix, int iy, int iz)
{
    const int n = field.size;
    if (ix < 0 || ix >= n) ix = 0;
    if (iy < 0 || iy >= n) iy = 0;
    if (iz < 0 || iz >= n) iz = 0;
    return field.values[(static_cast<long>(ix) * n + iy) * n + iz];
}

namespace {

// Where a trilinear sample reads and how it weighs what it reads; one cell
// serves every grid of the same size.
struct NoiseCell {
    long corner[8]; // x0y1z0, x0y0z0, x0y0z1, x0y1z1, then the same at x1
    double w[4];    // the weights of the four corners of each x plane
    double fx;      // the blend between the planes
};

// Grid coordinates in [0, n) to a cell; the neighbour past the last cell
// reads cell 0, as noiseValue does.
NoiseCell noiseCell(int n, double x, double y, double z)
{
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const int iz = static_cast<int>(z);
    NoiseCell cell;
    cell.fx = x - ix;
    const double fy = y - iy;
    const double fz = z - iz;
    cell.w[0] = fy * (1.0 - fz);
    cell.w[1] = (1.0 - fy) * (1.0 - fz);
    cell.w[2] = (1.0 - fy) * fz;
    cell.w[3] = fy * fz;
    const long x0 = static_cast<long>(ix) * n;
    const long x1 = static_cast<long>(ix + 1 < n ? ix + 1 : 0) * n;
    const long y0 = iy;
    const long y1 = iy + 1 < n ? iy + 1 : 0;
    const long z0 = iz;
    const long z1 = iz + 1 < n ? iz + 1 : 0;
    const long xs[2] = {x0, x1};
    for (int i = 0; i < 2; ++i) {
        cell.corner[4 * i] = (xs[i] + y1) * n + z0;
        cell.corner[4 * i + 1] = (xs[i] + y0) * n + z0;
        cell.corner[4 * i + 2] = (xs[i] + y0) * n + z1;
        cell.corner[4 * i + 3] = (xs[i] + y1) * n + z1;
    }
    return cell;
}

double blend(const double* v, const NoiseCell& cell)
{
    const long* c = cell.corner;
    const double* w = cell.w;
    const double a = ((v[c[0]] * w[0] + v[c[1]] * w[1]) + v[c[2]] * w[2]) + v[c[3]] * w[3];
    const double b = ((v[c[4]] * w[0] + v[c[5]] * w[1]) + v[c[6]] * w[2]) + v[c[7]] * w[3];
    return a + (b - a) * cell.fx;
}

bool insideGrid(double x, double y, double z, double size)
{
    // Written as !(v >= 0) so a NaN coordinate is refused too.
    return !(!(x >= 0.0) || !(y >= 0.0) || !(z >= 0.0) || x >= size || y >= size || z >= size);
}

} // namespace

double interpolateNoise(const NoiseField& field, double x, double y, double z)
{
    if (!insideGrid(x, y, z, field.size) || !field.values) {
        consolePrintf("Out of bounding 1!\n");
        return 0.0;
    }
    return blend(field.values.get(), noiseCell(field.size, x, y, z));
}

// ---- Sampling at the cursor

namespace {

// Keeps the fraction and reduces the integer part modulo n.
double wrapCoordinate(double g, int n)
{
    // Cursor-shifted points land below 2n: one subtraction, exact (g / 2 <= n <= g),
    // and the same double as the general form.
    if (g < 2.0 * n) return g - n;
    if (g < 9.0e15) {
        const long long t = static_cast<long long>(g);
        return g - static_cast<double>(t) + static_cast<double>(t % n);
    }
    // Beyond 2^53 every double is whole: the fraction is 0.
    return std::fmod(g, static_cast<double>(n));
}

// The cursor-shifted grid coordinates of normalised (a, b, c), wrapped into
// range; false, with g as computed, when one of them is negative or NaN.
bool gridPoint(const NoiseField& field, double a, double b, double c, double g[3])
{
    const int n = field.size;
    const double p[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) g[i] = n + (n - 1) * p[i] - field.offset[i];
    if (!(g[0] >= 0.0) || !(g[1] >= 0.0) || !(g[2] >= 0.0)) return false;
    for (int i = 0; i < 3; ++i)
        if (g[i] >= n) g[i] = wrapCoordinate(g[i], n);
    return true;
}

} // namespace

double sampleNoise(const NoiseField& field, double a, double b, double c)
{
    const int n = field.size;
    if (n <= 0 || !field.values) return 0.0;
    double g[3];
    if (!gridPoint(field, a, b, c, g)) {
        std::cout << g[0] << '\t' << g[1] << '\t' << g[2] << '\t' << "Out of bounding 2" << std::endl;
        return 0.0;
    }
    return interpolateNoise(field, g[0], g[1], g[2]);
}

void sampleWind(const WindField& wind, double a, double b, double c, double out[3])
{
    const NoiseField& u = wind.u;
    const int n = u.size;
    // The three grids nearly always share size and cursor: then one cell
    // serves all three. Anything else, faults included, goes one by one.
    const bool shared = n > 0 && u.values && wind.v.values && wind.w.values && wind.v.size == n &&
                        wind.w.size == n;
    bool sameCursor = shared;
    for (int i = 0; i < 3 && sameCursor; ++i)
        sameCursor = wind.v.offset[i] == u.offset[i] && wind.w.offset[i] == u.offset[i];
    double g[3];
    if (sameCursor && gridPoint(u, a, b, c, g) && insideGrid(g[0], g[1], g[2], n)) {
        const NoiseCell cell = noiseCell(n, g[0], g[1], g[2]);
        out[0] = blend(u.values.get(), cell);
        out[1] = blend(wind.v.values.get(), cell);
        out[2] = blend(wind.w.values.get(), cell);
        return;
    }
    out[0] = sampleNoise(u, a, b, c);
    out[1] = sampleNoise(wind.v, a, b, c);
    out[2] = sampleNoise(wind.w, a, b, c);
}
