#include "procedural_noise.h"

#include <cmath>

#include "synth_random.h"

namespace synth {
namespace {

int wrap(int i, int period)
{
    const int m = i % period;
    return m < 0 ? m + period : m;
}

// 16 unit gradients, spread evenly around the circle.
struct GradientTable {
    double gx[16];
    double gy[16];
    GradientTable()
    {
        for (int i = 0; i < 16; ++i) {
            const double a = (i + 0.5) * (6.283185307179586 / 16.0);
            gx[i] = std::cos(a);
            gy[i] = std::sin(a);
        }
    }
};
const GradientTable kGradients;

double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

double corner(int ix, int iy, double dx, double dy, int px, int py, uint32_t seed)
{
    const uint32_t h = hash3(wrap(ix, px), wrap(iy, py), seed) & 15u;
    return kGradients.gx[h] * dx + kGradients.gy[h] * dy;
}

} // namespace

double gradientNoise(double x, double y, int periodX, int periodY, uint32_t seed)
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double dx = x - fx;
    const double dy = y - fy;
    const double n00 = corner(ix, iy, dx, dy, periodX, periodY, seed);
    const double n10 = corner(ix + 1, iy, dx - 1.0, dy, periodX, periodY, seed);
    const double n01 = corner(ix, iy + 1, dx, dy - 1.0, periodX, periodY, seed);
    const double n11 = corner(ix + 1, iy + 1, dx - 1.0, dy - 1.0, periodX, periodY, seed);
    const double u = fade(dx);
    const double v = fade(dy);
    // Peak of 2-D gradient noise is about 0.7; scale to about -1..1.
    return 1.4 * mix(mix(n00, n10, u), mix(n01, n11, u), v);
}

double fbm(double x, double y, int periodX, int periodY, int octaves, double gain, uint32_t seed)
{
    double sum = 0.0;
    double amplitude = 1.0;
    double norm = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(x, y, periodX, periodY, seed + 101u * static_cast<uint32_t>(o));
        norm += amplitude;
        amplitude *= gain;
        x *= 2.0;
        y *= 2.0;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / norm;
}

double ridgedFbm(double x, double y, int periodX, int periodY, int octaves, double gain, uint32_t seed)
{
    double sum = 0.0;
    double amplitude = 1.0;
    double norm = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * std::fabs(gradientNoise(x, y, periodX, periodY, seed + 131u * static_cast<uint32_t>(o)));
        norm += amplitude;
        amplitude *= gain;
        x *= 2.0;
        y *= 2.0;
        periodX *= 2;
        periodY *= 2;
    }
    return clamp01(1.6 * sum / norm);
}

WorleySample worley(double x, double y, int periodX, int periodY, double jitter, uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    WorleySample s{1e9, 1e9, 0u};
    for (int oy = -1; oy <= 1; ++oy) {
        for (int ox = -1; ox <= 1; ++ox) {
            const int cx = ix + ox;
            const int cy = iy + oy;
            const int wx = wrap(cx, periodX);
            const int wy = wrap(cy, periodY);
            const double px = cx + 0.5 + jitter * (hashUnit(wx, wy, seed) - 0.5);
            const double py = cy + 0.5 + jitter * (hashUnit(wx, wy, seed ^ 0x5BD1E995u) - 0.5);
            const double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < s.f1) {
                s.f2 = s.f1;
                s.f1 = d;
                s.cell = hash3(wx, wy, seed ^ 0x27D4EB2Fu);
            } else if (d < s.f2) {
                s.f2 = d;
            }
        }
    }
    return s;
}

double clamp01(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

double smoothstep(double e0, double e1, double v)
{
    const double t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0 - 2.0 * t);
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

} // namespace synth
