// Float RGB images for the texture painters, row 0 at the bottom (v = 0),
// as the BMP rows are stored.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "colour.h"

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

// 24-bit BMP in the program's encoding, saved with the folder's other files
// (whole_file.h); false after printing why.
bool writeTextureBmp(const std::string& path, const TextureImage& image);
