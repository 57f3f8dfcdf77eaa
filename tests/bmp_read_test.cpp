#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/bmp_file.h"
#include "support/bmp_bytes.h"
#include "support/scratch_file.h"

namespace {

bool parse(const std::vector<uint8_t>& b, BmpImage& image, std::string* why = nullptr)
{
    return parseBmp(b.data(), b.size(), image, why);
}

} // namespace

TEST(BmpRead, ZeroImageSizeReadsPaddedRows)
{
    // 3 pixels = 9 bytes, padded to 12 per row: 24 bytes for 2 rows.
    const auto b = bmpBytes(3, 2, 0, 24);
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
    auto b = bmpBytes(1, 1, 4, 10);
    put32(b, 10, 60);
    BmpImage image;
    ASSERT_TRUE(parse(b, image));
    ASSERT_EQ(image.pixels.size(), 4u);
    EXPECT_EQ(image.pixels[0], 7); // byte 60 of the file
}

TEST(BmpRead, LargerImageSizeFieldIsAcceptedWhenPresent)
{
    BmpImage image;
    ASSERT_TRUE(parse(bmpBytes(3, 2, 26, 26), image));
    EXPECT_EQ(image.pixels.size(), 24u);
}

TEST(BmpRead, DimensionsUpTo16384AreAllowedWhenTheFileHoldsThem)
{
    // 16384 x 1: 49152 bytes of pixels.
    BmpImage image;
    EXPECT_TRUE(parse(bmpBytes(16384, 1, 0, 49152), image));
    // Announced but not present: rejected without reading.
    EXPECT_FALSE(parse(bmpBytes(16384, 16384, 0, 16), image));
}

TEST(BmpRead, ReadsFilesFromDisk)
{
    const std::vector<uint8_t> bytes = bmpBytes(3, 2, 0, 24);
    const ScratchFile good(std::string(bytes.begin(), bytes.end()), ".bmp");
    BmpImage image;
    std::string why;
    ASSERT_TRUE(readBmpFile(good.c_str(), image, &why)) << why;
    EXPECT_EQ(image.width, 3);
    ASSERT_EQ(image.pixels.size(), 24u);
    EXPECT_EQ(image.pixels[23], 24);
}
