#include "texture_image.h"

#include <cmath>
#include <cstdio>

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

uint8_t toByte(double v)
{
    const double s = std::floor(v * 255.0 + 0.5);
    return static_cast<uint8_t>(s < 0.0 ? 0.0 : (s > 255.0 ? 255.0 : s));
}

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFFu);
    put16(out, v >> 16);
}

} // namespace

bool writeBmp24(const std::string& path, const TextureImage& image)
{
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3u + 3u) & ~3u;
    const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + dataSize); // file size
    put32(out, 0);             // reserved
    put32(out, 54);            // pixel data offset
    put32(out, 40);            // BITMAPINFOHEADER
    put32(out, static_cast<uint32_t>(image.width));
    put32(out, static_cast<uint32_t>(image.height)); // positive: bottom-up
    put16(out, 1);             // planes
    put16(out, 24);            // bits per pixel
    put32(out, 0);             // no compression
    put32(out, dataSize);
    put32(out, 2835);          // 72 dpi, both ways
    put32(out, 2835);
    put32(out, 0);             // no palette
    put32(out, 0);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb& c = image.at(x, y);
            out.push_back(toByte(c.b));
            out.push_back(toByte(c.g));
            out.push_back(toByte(c.r));
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3u; pad < stride; ++pad) out.push_back(0);
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}
