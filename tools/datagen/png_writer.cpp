#include "png_writer.h"

#include <stb/stb_image_write.h>

#include <new>

#include "whole_file.h"

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3) return false;
    std::vector<uint8_t> png;
    auto append = [](void* to, void* data, int size) {
        auto* bytes = static_cast<uint8_t*>(data);
        static_cast<std::vector<uint8_t>*>(to)->insert(static_cast<std::vector<uint8_t>*>(to)->end(), bytes, bytes + size);
    };
    if (stbi_write_png_to_func(append, &png, width, height, 3, rgb.data(), width * 3) == 0) throw std::bad_alloc();
    return saveWhole(path, png.data(), png.size());
}
