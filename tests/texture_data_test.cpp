// The ten generated textures: BMP layout, seamless wrap, the features the
// renderer relies on (leaf midrib, darker grass roots).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "data_constants/data_folder.h"
#include "data_constants/texture_files.h"
#include "image/bmp_file.h"
#include "support/bmp_bytes.h"
#include "support/scratch_file.h"

namespace {

// The build's data folder: the ten texture files in the order start-up reads them.
std::string texturePath(const char* name) { return dataPath(kDefaultDataDir, name); }
std::string scenePath(SceneTextureIndex i) { return texturePath(kSceneTextureNames[i]); }
const std::vector<std::string> kTexturePaths = [] {
    std::vector<std::string> paths;
    for (const char* name : kSceneTextureNames) paths.push_back(texturePath(name));
    for (const char* name : kGrassTextureNames) paths.push_back(texturePath(name));
    return paths;
}();

// Pixels as luminance and RGB in 0..1, row 0 at the bottom.
struct Picture {
    int width = 0, height = 0;
    std::vector<double> r, g, b;
    double lum(int x, int y) const
    {
        const size_t i = static_cast<size_t>(y) * width + x;
        return 0.299 * r[i] + 0.587 * g[i] + 0.114 * b[i];
    }
};

Picture decode(const char* path)
{
    const std::vector<uint8_t> d = readFileBytes(path);
    Picture p;
    if (d.size() < 54) return p;
    p.width = static_cast<int>(get32(d, 18));
    p.height = static_cast<int>(get32(d, 22));
    const size_t stride = (static_cast<size_t>(p.width) * 3 + 3) & ~size_t(3);
    if (p.width <= 0 || p.height <= 0 || d.size() < 54 + stride * p.height) return Picture{};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* px = &d[54 + y * stride + x * 3];
            p.b.push_back(px[0] / 255.0);
            p.g.push_back(px[1] / 255.0);
            p.r.push_back(px[2] / 255.0);
        }
    }
    return p;
}

// Mean luminance step across the wrap (last column to first) against the
// mean step between inner neighbours; 1 means the seam is invisible.
double seamRatio(const Picture& p, bool acrossColumns)
{
    const int n = acrossColumns ? p.width : p.height, lines = acrossColumns ? p.height : p.width;
    auto at = [&](int i, int line) { return acrossColumns ? p.lum(i, line) : p.lum(line, i); };
    double inner = 0.0, seam = 0.0;
    for (int line = 0; line < lines; ++line) {
        for (int i = 0; i + 1 < n; ++i) inner += std::fabs(at(i + 1, line) - at(i, line));
        seam += std::fabs(at(0, line) - at(n - 1, line));
    }
    return seam / (inner / (n - 1));
}

// Mean red, green and blue over the picture.
std::array<double, 3> meanRgb(const Picture& p)
{
    std::array<double, 3> sum{};
    for (size_t i = 0; i < p.g.size(); ++i) sum = {sum[0] + p.r[i], sum[1] + p.g[i], sum[2] + p.b[i]};
    for (double& c : sum) c /= static_cast<double>(p.g.size());
    return sum;
}

double meanLum(const Picture& p, int x0, int x1, int y0, int y1)
{
    double sum = 0.0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += p.lum(x, y);
    return sum / ((x1 - x0) * (y1 - y0));
}

} // namespace

TEST(TextureData, EveryFileIsAnUncompressedBottomUp24BitBmpTheReaderTakes)
{
    for (const std::string& name : kTexturePaths) {
        const char* path = name.c_str();
        SCOPED_TRACE(path);
        const std::vector<uint8_t> d = readFileBytes(path);
        ASSERT_GE(d.size(), 54u);
        EXPECT_EQ(d[0], 'B');
        EXPECT_EQ(d[1], 'M');
        EXPECT_EQ(get32(d, 2), d.size());
        EXPECT_EQ(get32(d, 10), 54u);
        EXPECT_EQ(get32(d, 14), 40u);
        const uint32_t width = get32(d, 18), height = get32(d, 22);
        EXPECT_TRUE(width == 256 || width == 512) << width;
        EXPECT_TRUE(height == 256 || height == 512) << height; // positive: bottom-up
        EXPECT_EQ(get16(d, 26), 1);
        EXPECT_EQ(get16(d, 28), 24);
        EXPECT_EQ(get32(d, 30), 0u);
        const uint32_t stride = (width * 3 + 3) & ~3u;
        EXPECT_EQ(get32(d, 34), stride * height);
        EXPECT_EQ(d.size(), 54u + size_t(stride) * height);
        // The program's reader takes it whole.
        BmpImage image;
        std::string error;
        ASSERT_TRUE(readBmpFile(path, image, &error)) << error;
        EXPECT_EQ(image.pixels.size(), size_t(stride) * height);
    }
}

TEST(TextureData, RepeatingTexturesHaveNoVisibleSeam)
{
    const Picture ground = decode(scenePath(kGroundTexture).c_str());
    ASSERT_GT(ground.width, 0);
    EXPECT_LT(seamRatio(ground, true), 1.3);
    EXPECT_LT(seamRatio(ground, false), 1.3);
    for (const std::string& bark : {scenePath(kTrunkTexture), scenePath(kBranchTexture)}) {
        SCOPED_TRACE(bark);
        const Picture p = decode(bark.c_str());
        ASSERT_GT(p.width, 0);
        EXPECT_LT(seamRatio(p, true), 1.3); // around the tube
    }
}

TEST(TextureData, LeafSidesShowALighterMidribAndDifferInShade)
{
    const Picture up = decode(scenePath(kLeafUpperTexture).c_str());
    const Picture down = decode(scenePath(kLeafLowerTexture).c_str());
    ASSERT_GT(up.width, 0);
    ASSERT_GT(down.width, 0);
    for (const Picture* p : {&up, &down}) {
        const int w = p->width, h = p->height;
        const double midrib = meanLum(*p, w / 2 - 1, w / 2 + 1, h / 10, 9 * h / 10);
        const double beside = 0.5 * (meanLum(*p, w / 2 - 12, w / 2 - 8, h / 10, 9 * h / 10) +
                                     meanLum(*p, w / 2 + 8, w / 2 + 12, h / 10, 9 * h / 10));
        EXPECT_GT(midrib, beside + 0.1);
    }
    // Upper side darker than the underside; both green.
    EXPECT_LT(meanLum(up, 0, up.width, 0, up.height) + 0.1, meanLum(down, 0, down.width, 0, down.height));
    const auto [r, g, b] = meanRgb(up);
    EXPECT_GT(g, 1.3 * r);
    EXPECT_GT(g, 1.3 * b);
}

TEST(TextureData, GrassBladesDarkenTowardTheRootAndStayLight)
{
    for (int i = 1; i <= 4; ++i) {
        const std::string path = texturePath(kGrassTextureNames[i - 1]);
        SCOPED_TRACE(path);
        const Picture p = decode(path.c_str());
        ASSERT_GT(p.width, 0);
        const double root = meanLum(p, 0, p.width, 0, p.height / 20);
        const double upper = meanLum(p, 0, p.width, 6 * p.height / 10, 7 * p.height / 10);
        EXPECT_LT(root + 0.15, upper);
        // The blade colour multiplies the texture: a dark texture would leave the lawn black.
        EXPECT_GT(upper, 0.75);
    }
}

TEST(TextureData, GroundIsGreenBrown)
{
    const Picture p = decode(scenePath(kGroundTexture).c_str());
    ASSERT_GT(p.width, 0);
    const auto [r, g, b] = meanRgb(p);
    EXPECT_GT(g, r);
    EXPECT_GT(r, b);
    EXPECT_GT(g, 0.25);
    EXPECT_LT(g, 0.6);
}
