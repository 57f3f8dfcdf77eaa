// RGB PNG files for the previews and contact sheets (stb's writer: the same
// pixels always give the same bytes).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// rgb holds width*height*3 bytes, top row first. Written whole or not at
// all; false after printing why.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
