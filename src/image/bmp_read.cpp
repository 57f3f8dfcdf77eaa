// Reading of uncompressed 24-bit BMP files. Every size is checked against the
// bytes actually present before anything is allocated, so a hostile header
// cannot make us reserve memory the file does not back.
#include <cstdio>

#include "image/bmp_file.h"
#include "platform/text_file.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kFieldsEnd = 38;     // last field we read, image size, ends here
constexpr int32_t kMaxDimension = 16384;

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t readU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool fail(std::string* error, const char* why)
{
    if (error) *error = why;
    return false;
}

struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;
    size_t dataOffset = 0; // where the pixel rows start
    size_t rowsSize = 0;   // bytes of the padded rows the upload uses
};

// Checks the first kFieldsEnd bytes against the whole file's size.
bool checkHeader(const uint8_t* head, size_t fileSize, BmpLayout& layout, std::string* error)
{
    if (head[0] != 'B' || head[1] != 'M') return fail(error, "not a BMP file (no BM signature)");
    const uint32_t offset = readU32(head + 10);
    if (offset < kFieldsEnd) return fail(error, "pixel data offset inside the headers");
    if (offset > fileSize) return fail(error, "pixel data offset beyond the end of the file");
    const int32_t width = static_cast<int32_t>(readU32(head + 18));
    const int32_t height = static_cast<int32_t>(readU32(head + 22));
    const uint16_t bitsPerPixel = readU16(head + 28);
    const uint32_t compression = readU32(head + 30);
    const uint32_t imageSize = readU32(head + 34);
    if (bitsPerPixel != 24) return fail(error, "not 24 bits per pixel");
    if (compression != 0) return fail(error, "compressed pixel data");
    if (width <= 0 || height <= 0) return fail(error, "zero or negative width or height");
    if (width > kMaxDimension || height > kMaxDimension) return fail(error, "image larger than 16384 pixels");
    const size_t rowsSize = bmpRowStride(width) * static_cast<size_t>(height);
    if (imageSize != 0 && imageSize < rowsSize) return fail(error, "image size smaller than the pixel rows");
    const size_t announced = imageSize != 0 ? imageSize : rowsSize;
    if (announced > fileSize - offset) return fail(error, "pixel data truncated");
    layout.width = width;
    layout.height = height;
    layout.dataOffset = offset;
    layout.rowsSize = rowsSize;
    return true;
}

} // namespace

bool parseBmp(const uint8_t* data, size_t size, BmpImage& image, std::string* error)
{
    if (data == nullptr || size < kFieldsEnd) return fail(error, "file shorter than the BMP headers");
    BmpLayout layout;
    if (!checkHeader(data, size, layout, error)) return false;
    image.width = layout.width;
    image.height = layout.height;
    image.pixels.assign(data + layout.dataOffset, data + layout.dataOffset + layout.rowsSize);
    return true;
}

bool readBmpFile(const char* path, BmpImage& image, std::string* error)
{
    std::string why;
    FILE* file = openDataFile(path, why); // a FIFO or a directory is refused, not waited on
    if (!file) return fail(error, why.c_str());
    bool ok = false;
    uint8_t head[kFieldsEnd];
    long end = -1;
    BmpLayout layout;
    if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        fail(error, "cannot measure the file");
    } else if (std::fread(head, 1, kFieldsEnd, file) != kFieldsEnd) {
        fail(error, "file shorter than the BMP headers");
    } else if (checkHeader(head, static_cast<size_t>(end), layout, error)) {
        if (std::fseek(file, static_cast<long>(layout.dataOffset), SEEK_SET) != 0) {
            fail(error, "cannot seek to the pixel data");
        } else {
            std::vector<uint8_t> pixels(layout.rowsSize);
            if (std::fread(pixels.data(), 1, layout.rowsSize, file) != layout.rowsSize) {
                fail(error, "pixel data truncated");
            } else {
                image.pixels.swap(pixels);
                image.width = layout.width;
                image.height = layout.height;
                ok = true;
            }
        }
    }
    std::fclose(file);
    return ok;
}
