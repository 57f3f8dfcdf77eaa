#include "image/png_encode.h"

#include <stb/stb_image_write.h>

std::vector<uint8_t> bmpToTopDownRgb(const BmpImage& image)
{
    const int w = image.width, h = image.height < 0 ? -image.height : image.height;
    const size_t stride = bmpRowStride(w);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        // Positive heights store the bottom row first.
        const int src = image.height > 0 ? h - 1 - y : y;
        const uint8_t* row = image.pixels.data() + stride * src;
        for (int x = 0; x < w; ++x) {
            uint8_t* o = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            o[0] = row[3 * x + 2];
            o[1] = row[3 * x + 1];
            o[2] = row[3 * x];
        }
    }
    return rgb;
}

bool encodePng(const BmpImage& image, std::vector<uint8_t>& png)
{
    const int h = image.height < 0 ? -image.height : image.height;
    if (image.width <= 0 || h <= 0 || image.pixels.size() < bmpRowStride(image.width) * h) return false;
    const std::vector<uint8_t> rgb = bmpToTopDownRgb(image);
    png.clear();
    auto sink = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    return stbi_write_png_to_func(sink, &png, image.width, h, 3, rgb.data(), image.width * 3) != 0;
}
