// Damaged BMP files: every hostile header and every cut is refused with its
// reason by both readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "dynamics/simulation.h"
#include "motion_scene.h"
#include "image/bmp_file.h"
#include "support/bmp_bytes.h"
#include "support/console.h"
#include "support/hostile_input.h"
#include "support/scratch_file.h"
#include "tree/leaf_template.h"
#include "tree_rows.h"

namespace {

// ---- BMP --------------------------------------------------------------------

// A 2 x 2 24-bit file with 54 bytes of headers and an image-size field.
std::string validBmp()
{
    const std::vector<uint8_t> b = bmpBytes(2, 2, 16, 16);
    return std::string(b.begin(), b.end());
}

struct BmpCase {
    const char* name;
    std::function<void(std::string&)> edit;
    const char* expected;
};

class BadBmp : public testing::TestWithParam<BmpCase> {};

TEST_P(BadBmp, RefusedWithAReasonByBothReaders)
{
    const BmpCase& c = GetParam();
    std::string bytes = validBmp();
    c.edit(bytes);
    BmpImage image;
    image.width = 123;
    image.height = 456;
    std::string error;
    EXPECT_FALSE(parseBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    EXPECT_EQ(image.width, 123);
    EXPECT_EQ(image.height, 456);
    EXPECT_TRUE(image.pixels.empty());

    const ScratchFile path(bytes);
    std::string fileError;
    EXPECT_FALSE(readBmpFile(path.c_str(), image, &fileError));
    EXPECT_EQ(fileError, error);
    EXPECT_TRUE(image.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadBmp,
    testing::Values(
        BmpCase{"Empty", [](std::string& b) { b.clear(); }, "shorter than the BMP headers"},
        BmpCase{"Garbage", [](std::string& b) { b = kGarbage; }, "no BM signature"},
        BmpCase{"WrongSignature", [](std::string& b) { b[0] = 'M', b[1] = 'B'; }, "no BM signature"},
        BmpCase{"WidthHuge", [](std::string& b) { put32(b, 18, 1u << 30); }, "larger than 16384"},
        BmpCase{"WidthMostPositive", [](std::string& b) { put32(b, 18, 0x7fffffff); }, "larger than 16384"},
        BmpCase{"HeightHuge", [](std::string& b) { put32(b, 22, 0x7fffffff); }, "larger than 16384"},
        BmpCase{"WidthOneOver", [](std::string& b) { put32(b, 18, 16385); }, "larger than 16384"},
        BmpCase{"HeightOneOver", [](std::string& b) { put32(b, 22, 16385); }, "larger than 16384"},
        BmpCase{"WidthMost", [](std::string& b) { put32(b, 18, 0x80000000u); }, "zero or negative"},
        BmpCase{"WidthNegative", [](std::string& b) { put32(b, 18, static_cast<uint32_t>(-3)); }, "zero or negative"},
        BmpCase{"WidthZero", [](std::string& b) { put32(b, 18, 0); }, "zero or negative"},
        BmpCase{"HeightZero", [](std::string& b) { put32(b, 22, 0); }, "zero or negative"},
        BmpCase{"TopDown", [](std::string& b) { put32(b, 22, static_cast<uint32_t>(-2)); }, "zero or negative"},
        BmpCase{"EightBits", [](std::string& b) { put16(b, 28, 8); }, "not 24 bits"},
        BmpCase{"ThirtyTwoBits", [](std::string& b) { put16(b, 28, 32); }, "not 24 bits"},
        BmpCase{"Compressed", [](std::string& b) { put32(b, 30, 1); }, "compressed"},
        BmpCase{"OffsetZero", [](std::string& b) { put32(b, 10, 0); }, "offset inside the headers"},
        BmpCase{"OffsetInsideHeaders", [](std::string& b) { put32(b, 10, 37); }, "offset inside the headers"},
        BmpCase{"OffsetPastEnd", [](std::string& b) { put32(b, 10, 1000); }, "beyond the end"},
        BmpCase{"OffsetNear4GiB", [](std::string& b) { put32(b, 10, 0xfffffff0u); }, "beyond the end"},
        BmpCase{"OffsetBeyondEnd", [](std::string& b) { put32(b, 10, 0xffffffffu); }, "beyond the end"},
        BmpCase{"ImageSizeHuge", [](std::string& b) { put32(b, 34, 0xffffffffu); }, "pixel data truncated"},
        BmpCase{"ImageSizeTooSmall", [](std::string& b) { put32(b, 34, 15); }, "smaller than the pixel rows"},
        BmpCase{"RowsMissing", [](std::string& b) { b.resize(b.size() - 1); }, "pixel data truncated"},
        BmpCase{"SizeZeroRowsMissing", [](std::string& b) { put32(b, 34, 0), b.resize(b.size() - 1); },
                "pixel data truncated"}),
    caseName<BmpCase>);

// Every cut of the valid file short of the last byte, and no buffer at all, is refused.
TEST(BadBmpCut, EveryCutIsRefused)
{
    BmpImage none;
    EXPECT_FALSE(parseBmp(nullptr, 0, none, nullptr));
    const std::string full = validBmp();
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const std::string bytes = full.substr(0, cut);
        BmpImage image;
        std::string error;
        ASSERT_FALSE(parseBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image, &error)) << cut;
        ASSERT_FALSE(error.empty()) << cut;
    }
    BmpImage image;
    EXPECT_TRUE(parseBmp(reinterpret_cast<const uint8_t*>(full.data()), full.size(), image, nullptr));
    std::string error;
    EXPECT_FALSE(readBmpFile("./no/such/file.bmp", image, &error));
    EXPECT_EQ(error, "No such file or directory");
}

} // namespace
