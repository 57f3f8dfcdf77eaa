#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "image/bmp_file.h"
#include "support/bmp_bytes.h"
#include "support/scratch_file.h"

namespace {

// Pixel (x, y) of a test pattern, rows bottom-up, RGB.
std::vector<uint8_t> pattern(int width, int height)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x ^ y ^ 0x5a);
        }
    return rgb;
}

} // namespace

TEST(BmpWrite, WindowSizedFrameHasTheFullHeaders)
{
    const std::vector<uint8_t> rgb = pattern(800, 600);
    const std::vector<uint8_t> b = encodeBmp(800, 600, rgb.data());
    ASSERT_EQ(b.size(), 1440054u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(get32(b, 2), 1440054u);
    EXPECT_EQ(get32(b, 6), 0u);   // both reserved words
    EXPECT_EQ(get32(b, 10), 54u);
    EXPECT_EQ(get32(b, 14), 40u);
    EXPECT_EQ(get32(b, 18), 800u);
    EXPECT_EQ(get32(b, 22), 600u);
    EXPECT_EQ(get16(b, 26), 1u);
    EXPECT_EQ(get16(b, 28), 24u);
    for (size_t at = 30; at < 54; at += 4) EXPECT_EQ(get32(b, at), 0u) << "offset " << at;

    // Rows stay bottom-up, pixels become BGR.
    const size_t px = 54 + 599 * 2400 + 3 * 17;
    EXPECT_EQ(b[px + 0], static_cast<uint8_t>(17 ^ 599 ^ 0x5a));
    EXPECT_EQ(b[px + 1], static_cast<uint8_t>(599));
    EXPECT_EQ(b[px + 2], 17);
}

TEST(BmpWrite, OddWidthRowsArePaddedWithZeros)
{
    const std::vector<uint8_t> rgb = pattern(801, 3);
    const std::vector<uint8_t> b = encodeBmp(801, 3, rgb.data());
    EXPECT_EQ(bmpRowStride(801), 2404u);
    ASSERT_EQ(b.size(), 54u + 3 * 2404);
    EXPECT_EQ(get32(b, 2), b.size());
    for (int row = 0; row < 3; ++row) {
        const size_t start = 54 + static_cast<size_t>(row) * 2404;
        EXPECT_EQ(b[start + 2403], 0) << "row " << row;
        // Last pixel of the row, x = 800.
        EXPECT_EQ(b[start + 2400 + 2], static_cast<uint8_t>(800));
        EXPECT_EQ(b[start + 2400 + 1], row);
    }
}

// A negative size writes the empty image of that side, headers only; no pixel is read.
TEST(BmpWrite, NegativeSizesWriteAnEmptyImage)
{
    const std::vector<uint8_t> empty = encodeBmp(0, 0, nullptr);
    ASSERT_EQ(empty.size(), 54u);
    EXPECT_EQ(encodeBmp(-4, 0, nullptr), empty);
    EXPECT_EQ(encodeBmp(0, -4, nullptr), empty);
    const std::vector<uint8_t> rgb = pattern(3, 1);
    EXPECT_EQ(encodeBmp(3, -1, rgb.data()), encodeBmp(3, 0, rgb.data()));
}

// The generated textures carry the pixel block size and 72 dpi; only those
// three header words differ from a frame capture's bytes.
TEST(BmpWrite, ResolutionFillsSizeAndBothResolutionsOnly)
{
    const std::vector<uint8_t> rgb = pattern(5, 3);
    const std::vector<uint8_t> plain = encodeBmp(5, 3, rgb.data());
    const std::vector<uint8_t> stamped = encodeBmp(5, 3, rgb.data(), 2835);
    ASSERT_EQ(stamped.size(), plain.size());
    EXPECT_EQ(get32(stamped, 34), 3u * 16u);
    EXPECT_EQ(get32(stamped, 38), 2835u);
    EXPECT_EQ(get32(stamped, 42), 2835u);
    for (size_t at = 0; at < plain.size(); ++at)
        if (at < 34 || at >= 46) {
            EXPECT_EQ(stamped[at], plain[at]) << "offset " << at;
        }
    BmpImage image;
    EXPECT_TRUE(parseBmp(stamped.data(), stamped.size(), image, nullptr));
}

TEST(BmpWrite, WrittenFileReadsBackAndAnUnwritablePathSaysWhy)
{
    const std::vector<uint8_t> rgb = pattern(5, 4);
    const ScratchPath path(".bmp");
    std::string error;
    ASSERT_TRUE(writeBmpFile(path.c_str(), 5, 4, rgb.data(), &error)) << error;

    const std::vector<uint8_t> onDisk = readFileBytes(path.path());
    EXPECT_EQ(onDisk, encodeBmp(5, 4, rgb.data()));

    BmpImage image;
    ASSERT_TRUE(readBmpFile(path.c_str(), image, &error)) << error;
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 4);
    ASSERT_EQ(image.pixels.size(), 4 * bmpRowStride(5));
    EXPECT_EQ(image.pixels[bmpRowStride(5) * 3 + 3 * 4 + 2], 4); // red of (4, 3)

    EXPECT_FALSE(writeBmpFile("/nonexistent-arborvane-dir/snap000.bmp", 5, 4, rgb.data(), &error));
    EXPECT_EQ(error, "No such file or directory");
}
