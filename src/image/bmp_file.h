// 24-bit BMP files without OpenGL: parsing for the texture loader, tests and
// fuzzers, and writing for frame capture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BmpImage {
    int32_t width = 0;            // pixels, as stored in the file
    int32_t height = 0;           // pixels, as stored (positive: bottom-up)
    std::vector<uint8_t> pixels;  // the pixel data block as read (BGR rows, 4-byte padded)
};

// Parses a whole file held in memory. On failure returns false and, when
// error is given, says why in a few words.
bool parseBmp(const uint8_t* data, size_t size, BmpImage& image, std::string* error);
bool readBmpFile(const char* path, BmpImage& image, std::string* error);

// Size in bytes of one stored row of 24-bit pixels.
inline size_t bmpRowStride(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3); }

// Encodes rgb (width*height*3 bytes, bottom row first, tightly packed RGB)
// as a 24-bit BMP with 54 bytes of headers. A non-zero pixelsPerMetre also
// fills in the pixel block size and both resolutions (2835 is 72 dpi), as the
// generated textures carry them; frame captures leave those words 0.
std::vector<uint8_t> encodeBmp(int width, int height, const uint8_t* rgb, uint32_t pixelsPerMetre = 0);
// Writes encodeBmp's bytes whole or not at all (platform/atomic_file.h);
// false with the system's reason in error on failure.
bool writeBmpFile(const char* path, int width, int height, const uint8_t* rgb, std::string* error,
                  uint32_t pixelsPerMetre = 0);
