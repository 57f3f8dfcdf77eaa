#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "image/bmp_file.h"

namespace {

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = v & 0xff;
    b[at + 1] = (v >> 8) & 0xff;
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xff;
}

// A 54-byte-header 24-bit file with numbered pixel bytes.
std::vector<uint8_t> makeBmp(int32_t width, int32_t height, uint32_t imageSize, size_t pixelBytes)
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

bool parse(const std::vector<uint8_t>& b, BmpImage& image, std::string* why = nullptr)
{
    return parseBmp(b.data(), b.size(), image, why);
}

std::string tempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("arborvane_bmp_") + name)).string();
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

} // namespace

TEST(BmpRead, ZeroImageSizeReadsPaddedRows)
{
    // 3 pixels = 9 bytes, padded to 12 per row: 24 bytes for 2 rows.
    const auto b = makeBmp(3, 2, 0, 24);
    BmpImage image;
    ASSERT_TRUE(parse(b, image));
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    ASSERT_EQ(image.pixels.size(), 24u);
    EXPECT_EQ(image.pixels.front(), 1);
    EXPECT_EQ(image.pixels.back(), 24);
}

TEST(BmpRead, PixelDataFollowsTheAnnouncedOffset)
{
    // Offset 60: six unused bytes (a palette, say) before the pixels.
    auto b = makeBmp(1, 1, 4, 10);
    put32(b, 10, 60);
    BmpImage image;
    ASSERT_TRUE(parse(b, image));
    ASSERT_EQ(image.pixels.size(), 4u);
    EXPECT_EQ(image.pixels[0], 7); // byte 60 of the file
}

TEST(BmpRead, LargerImageSizeFieldIsAcceptedWhenPresent)
{
    BmpImage image;
    ASSERT_TRUE(parse(makeBmp(3, 2, 26, 26), image));
    EXPECT_EQ(image.pixels.size(), 24u);
}

TEST(BmpRead, RejectsBadSignatureAndKeepsTheImage)
{
    auto b = makeBmp(3, 2, 0, 24);
    b[0] = 'M';
    b[1] = 'B';
    BmpImage image;
    image.width = 7;
    image.height = 9;
    std::string why;
    EXPECT_FALSE(parse(b, image, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 9);
}

TEST(BmpRead, RejectsTruncatedFiles)
{
    BmpImage image;
    EXPECT_FALSE(parse(makeBmp(3, 2, 0, 23), image)) << "one pixel byte short";
    EXPECT_FALSE(parse(makeBmp(3, 2, 24, 20), image)) << "announced image size beyond the end";
    const auto full = makeBmp(3, 2, 0, 24);
    for (size_t size : {0, 1, 13, 14, 37, 53}) {
        EXPECT_FALSE(parseBmp(full.data(), size, image, nullptr)) << size;
    }
    EXPECT_FALSE(parseBmp(nullptr, 0, image, nullptr));
}

TEST(BmpRead, RejectsUnsupportedOrHostileHeaders)
{
    struct Case {
        const char* what;
        size_t at;
        int bytes;
        uint32_t value;
    };
    const Case cases[] = {
        {"8 bits per pixel", 28, 2, 8},
        {"32 bits per pixel", 28, 2, 32},
        {"compressed", 30, 4, 1},
        {"zero width", 18, 4, 0},
        {"zero height", 22, 4, 0},
        {"negative width", 18, 4, static_cast<uint32_t>(-3)},
        {"negative (top-down) height", 22, 4, static_cast<uint32_t>(-2)},
        {"width over 16384", 18, 4, 16385},
        {"height over 16384", 22, 4, 16385},
        {"huge width", 18, 4, 0x7fffffff},
        {"offset inside the headers", 10, 4, 37},
        {"offset zero", 10, 4, 0},
        {"offset beyond the file", 10, 4, 1000},
        {"offset near 4 GiB", 10, 4, 0xfffffff0u},
        {"image size smaller than the rows", 34, 4, 23},
        {"image size near 4 GiB", 34, 4, 0xffffffffu},
    };
    for (const Case& c : cases) {
        auto b = makeBmp(3, 2, 0, 24);
        if (c.bytes == 2) put16(b, c.at, c.value);
        else put32(b, c.at, c.value);
        BmpImage image;
        std::string why;
        EXPECT_FALSE(parse(b, image, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        EXPECT_TRUE(image.pixels.empty()) << c.what;
    }
}

TEST(BmpRead, DimensionsUpTo16384AreAllowedWhenTheFileHoldsThem)
{
    // 16384 x 1: 49152 bytes of pixels.
    BmpImage image;
    EXPECT_TRUE(parse(makeBmp(16384, 1, 0, 49152), image));
    // Announced but not present: rejected without reading.
    EXPECT_FALSE(parse(makeBmp(16384, 16384, 0, 16), image));
}

TEST(BmpRead, ReadsFilesFromDisk)
{
    const std::string good = tempPath("good.bmp");
    writeFile(good, makeBmp(3, 2, 0, 24));
    BmpImage image;
    std::string why;
    ASSERT_TRUE(readBmpFile(good.c_str(), image, &why)) << why;
    EXPECT_EQ(image.width, 3);
    ASSERT_EQ(image.pixels.size(), 24u);
    EXPECT_EQ(image.pixels[23], 24);

    const std::string truncated = tempPath("truncated.bmp");
    writeFile(truncated, makeBmp(3, 2, 0, 20));
    BmpImage other;
    EXPECT_FALSE(readBmpFile(truncated.c_str(), other, &why));
    EXPECT_TRUE(other.pixels.empty());

    const std::string shortHeader = tempPath("short.bmp");
    writeFile(shortHeader, {'B', 'M', 0, 0});
    EXPECT_FALSE(readBmpFile(shortHeader.c_str(), other, &why));

    EXPECT_FALSE(readBmpFile(tempPath("missing.bmp").c_str(), other, &why));
    EXPECT_FALSE(why.empty());
    std::filesystem::remove(good);
    std::filesystem::remove(truncated);
    std::filesystem::remove(shortHeader);
}
