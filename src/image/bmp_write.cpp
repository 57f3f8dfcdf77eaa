// Writing of uncompressed 24-bit BMP files (frame capture, generated textures).
#include "image/bmp_file.h"
#include "platform/atomic_file.h"

namespace {

constexpr size_t kHeadersSize = 54; // 14-byte file header + 40-byte info header

void putU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void putU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

} // namespace

std::vector<uint8_t> encodeBmp(int width, int height, const uint8_t* rgb, uint32_t pixelsPerMetre)
{
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const size_t stride = bmpRowStride(width);
    const size_t dataSize = stride * static_cast<size_t>(height);
    std::vector<uint8_t> out(kHeadersSize + dataSize, 0);
    uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    putU32(h + 2, static_cast<uint32_t>(kHeadersSize + dataSize));
    putU32(h + 10, static_cast<uint32_t>(kHeadersSize));
    putU32(h + 14, 40);
    putU32(h + 18, static_cast<uint32_t>(width));
    putU32(h + 22, static_cast<uint32_t>(height));
    putU16(h + 26, 1);
    putU16(h + 28, 24);
    // compression and colour counts stay 0; size and resolutions when asked
    if (pixelsPerMetre != 0) {
        putU32(h + 34, static_cast<uint32_t>(dataSize));
        putU32(h + 38, pixelsPerMetre);
        putU32(h + 42, pixelsPerMetre);
    }

    // Rows keep their bottom-up order; RGB becomes BGR, filler bytes stay 0.
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = rgb + static_cast<size_t>(row) * static_cast<size_t>(width) * 3;
        uint8_t* dst = h + kHeadersSize + static_cast<size_t>(row) * stride;
        for (int col = 0; col < width; ++col) {
            dst[3 * col + 0] = src[3 * col + 2];
            dst[3 * col + 1] = src[3 * col + 1];
            dst[3 * col + 2] = src[3 * col + 0];
        }
    }
    return out;
}

bool writeBmpFile(const char* path, int width, int height, const uint8_t* rgb, std::string* error,
                  uint32_t pixelsPerMetre)
{
    const std::vector<uint8_t> bytes = encodeBmp(width, height, rgb, pixelsPerMetre);
    // Whole or not at all: a full disk or a signal never leaves a cut frame
    // under a real frame name, and an earlier file of that name stays.
    AtomicFile file;
    std::string why;
    if (file.open(path, why) && file.write(bytes.data(), bytes.size(), why) && file.commit(why)) return true;
    // AtomicFile says "cannot write PATH: reason"; callers name the path themselves.
    const size_t colon = why.rfind(": ");
    if (error) *error = colon == std::string::npos ? why : why.substr(colon + 2);
    return false;
}
