// The generator's one colour type: linear 0..1 components, turned into bytes
// only where an image is written.
#pragma once
#include <cmath>
#include <cstdint>

struct Rgb {
    double r, g, b;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mixRgb(Rgb a, Rgb b, double t) { return a + (b + a * -1.0) * t; }
// Colour from 0..255 components; toByte gives the same integers back.
inline Rgb rgb255(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

// Rounded and clamped to 0..255.
inline uint8_t toByte(double v)
{
    const double s = std::floor(v * 255.0 + 0.5);
    return static_cast<uint8_t>(s < 0.0 ? 0.0 : (s > 255.0 ? 255.0 : s));
}
