#include "support/bmp_bytes.h"

std::vector<uint8_t> bmpBytes(int32_t width, int32_t height, uint32_t imageSize, size_t pixelBytes)
{
    std::vector<uint8_t> b(54 + pixelBytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(height));
    put16(b, 26, 1);
    put16(b, 28, 24);
    put32(b, 30, 0);
    put32(b, 34, imageSize);
    for (size_t i = 0; i < pixelBytes; ++i) b[54 + i] = static_cast<uint8_t>(i + 1);
    return b;
}
