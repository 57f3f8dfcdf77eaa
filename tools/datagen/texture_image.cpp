#include "texture_image.h"

#include <cmath>
#include <cstdio>

#include "image/bmp_file.h"
#include "whole_file.h"

Rgb TextureImage::sample(double u, double v) const
{
    const double x = u * width - 0.5;
    const double y = v * height - 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    const double tx = x - fx, ty = y - fy;
    auto wrapped = [](int i, int n) { return ((i % n) + n) % n; };
    const int x0 = wrapped(static_cast<int>(fx), width), x1 = wrapped(static_cast<int>(fx) + 1, width);
    const int y0 = wrapped(static_cast<int>(fy), height), y1 = wrapped(static_cast<int>(fy) + 1, height);
    return mixRgb(mixRgb(at(x0, y0), at(x1, y0), tx), mixRgb(at(x0, y1), at(x1, y1), tx), ty);
}

bool writeTextureBmp(const std::string& path, const TextureImage& image)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (const Rgb& c : image.pixels) { // already bottom row first
        rgb.push_back(toByte(c.r));
        rgb.push_back(toByte(c.g));
        rgb.push_back(toByte(c.b));
    }
    constexpr uint32_t k72Dpi = 2835; // pixels per metre
    const std::vector<uint8_t> bytes = encodeBmp(image.width, image.height, rgb.data(), k72Dpi);
    return saveWhole(path, bytes.data(), bytes.size());
}
