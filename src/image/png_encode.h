// BMP images as PNG files (the exporter embeds its textures so).
#pragma once
#include <cstdint>
#include <vector>

#include "image/bmp_file.h"

// RGB rows top first (as PNG wants them) from a BMP's bottom-up BGR rows.
std::vector<uint8_t> bmpToTopDownRgb(const BmpImage& image);
// False for an empty image or one whose pixels are shorter than its size says.
bool encodePng(const BmpImage& image, std::vector<uint8_t>& png);
