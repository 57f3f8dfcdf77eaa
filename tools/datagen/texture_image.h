// Float RGB images for the texture painters, row 0 at the bottom (v = 0),
// as the BMP rows are stored.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    double r, g, b;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mixRgb(Rgb a, Rgb b, double t) { return a + (b + a * -1.0) * t; }
// Colour from 0..255 components.
inline Rgb rgb255(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

struct TextureImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels; // width*height, row y = 0 at the bottom

    TextureImage(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, Rgb{0, 0, 0}) {}
    Rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Bilinear read at texture coordinates, repeating both ways like GL_REPEAT.
    Rgb sample(double u, double v) const;
};

uint8_t toByte(double v);

// Uncompressed 24-bit BMP: 14 + 40 header bytes, bottom-up rows padded to 4.
bool writeBmp24(const std::string& path, const TextureImage& image);
