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
    std::filesystem::remove(good);
}
