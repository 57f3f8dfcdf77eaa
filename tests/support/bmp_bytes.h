// BMP files built byte by byte, little-endian as the format has it, so a
// reader is tried on files no writer of ours would make.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Into a std::string or a std::vector<uint8_t>.
template <class Bytes>
void put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = static_cast<typename Bytes::value_type>(v & 0xff);
    b[at + 1] = static_cast<typename Bytes::value_type>(v >> 8);
}

template <class Bytes>
void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<typename Bytes::value_type>((v >> (8 * i)) & 0xff);
}

inline uint16_t get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

inline uint32_t get32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// A 24-bit file with the 54 bytes of headers (pixels at 54), the given
// image-size field, and pixelBytes bytes numbered 1, 2, ... after them.
std::vector<uint8_t> bmpBytes(int32_t width, int32_t height, uint32_t imageSize, size_t pixelBytes);
