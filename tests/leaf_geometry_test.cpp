#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "tree/leaf_geometry.h"

namespace {

constexpr double kOutlineColourSum = 0x1.7cfcfcep+5;

// A template with distinct, non-zero vertices and a face list that uses
// every vertex.
std::unique_ptr<LeafTemplate> makeTemplate()
{
    auto t = std::make_unique<LeafTemplate>();
    for (int k = 0; k < kBladeVertices; ++k) {
        const double a = 0.1 * k;
        t->bladeVertices[k] = {std::cos(a) * (1 + 0.01 * k), 0.02 * k, std::sin(a) * 0.5, 0};
        t->bladeTexCoords[k][0] = k / 76.0;
        t->bladeTexCoords[k][1] = 1.0 - k / 76.0;
    }
    for (int f = 0; f < kBladeFaces; ++f) {
        t->bladeFaces[f][0] = f % kBladeVertices;
        t->bladeFaces[f][1] = (f + 1) % kBladeVertices;
        t->bladeFaces[f][2] = (f + 2) % kBladeVertices;
    }
    return t;
}

struct TexturedVertex {
    float u, v, x, y, z;
};
struct TexturedRecorder {
    std::vector<TexturedVertex> vertices;
    void vertex(float u, float v, float x, float y, float z) { vertices.push_back({u, v, x, y, z}); }
};

struct ColouredVertex {
    float r, g, b, x, y, z;
};
struct ColouredRecorder {
    std::vector<ColouredVertex> vertices;
    void vertex(const float* rgb, float x, float y, float z) { vertices.push_back({rgb[0], rgb[1], rgb[2], x, y, z}); }
};

} // namespace

TEST(LeafGeometry, BladeEmitsEveryFaceWithItsTexCoords)
{
    const auto t = makeTemplate();
    TexturedRecorder r;
    emitBladeTriangles(*t, r);
    // One pass: 95 triangles; the blade list draws two passes, 190 in all.
    ASSERT_EQ(r.vertices.size(), static_cast<size_t>(3 * kBladeFaces));
    for (int f = 0; f < kBladeFaces; ++f) {
        for (int i = 0; i < 3; ++i) {
            const int k = t->bladeFaces[f][i];
            const TexturedVertex& e = r.vertices[3 * f + i];
            EXPECT_EQ(e.x, static_cast<float>(t->bladeVertices[k].x));
            EXPECT_EQ(e.y, static_cast<float>(t->bladeVertices[k].y));
            EXPECT_EQ(e.u, static_cast<float>(t->bladeTexCoords[k][0]));
            EXPECT_EQ(e.v, static_cast<float>(t->bladeTexCoords[k][1]));
        }
    }
}

TEST(LeafGeometry, BladeSkipsFacesOutsideTheTemplate)
{
    auto t = makeTemplate();
    t->bladeFaces[3][1] = kBladeVertices;
    t->bladeFaces[7][2] = -1;
    TexturedRecorder r;
    emitBladeTriangles(*t, r);
    EXPECT_EQ(r.vertices.size(), static_cast<size_t>(3 * (kBladeFaces - 2)));
}

TEST(LeafGeometry, ShadowOutlineIs16TrianglesAt1Point2TimesTheBlade)
{
    const auto t = makeTemplate();
    ColouredRecorder r;
    emitShadowOutline(*t, r);
    ASSERT_EQ(r.vertices.size(), static_cast<size_t>(3 * kShadowOutlineFaces));
    ASSERT_EQ(shadowOutlineFaces[0][2], 2);
    double colourSum = 0.0;
    for (int f = 0; f < kShadowOutlineFaces; ++f) {
        for (int i = 0; i < 3; ++i) {
            const int k = shadowOutlineFaces[f][i];
            const ColouredVertex& e = r.vertices[3 * f + i];
            const Vec3& p = t->bladeVertices[k];
            const double blade = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
            const double outline = std::sqrt(double(e.x) * e.x + double(e.y) * e.y + double(e.z) * e.z);
            EXPECT_NEAR(outline / blade, 1.2, 1e-6) << "vertex " << k;
            EXPECT_NEAR(e.x, p.x * 1.2, 1e-6);
            // Byte colours; the tip and stem corners darker than the rest on every channel.
            for (const float c : {e.r, e.g, e.b}) EXPECT_NEAR(c * 255.0, std::round(c * 255.0), 1e-4) << "vertex " << k;
            const bool corner = k == 0 || k == 54 || k == 56;
            const ColouredVertex& plain = r.vertices[2]; // vertex 2, not a corner
            if (corner) {
                EXPECT_TRUE(e.r < plain.r && e.g < plain.g && e.b < plain.b) << "vertex " << k;
            } else {
                EXPECT_TRUE(e.r == plain.r && e.g == plain.g && e.b == plain.b) << "vertex " << k;
            }
            colourSum += e.r + 2.0 * e.g + 4.0 * e.b;
        }
    }
    // The colours of the whole outline, weighted by channel, summed once when they were chosen.
    EXPECT_EQ(colourSum, kOutlineColourSum) << std::hexfloat << colourSum;
    // The first outline face is (54, 0, 2).
    EXPECT_EQ(r.vertices[0].y, static_cast<float>(t->bladeVertices[54].y * 1.2));
    EXPECT_EQ(r.vertices[2].y, static_cast<float>(t->bladeVertices[2].y * 1.2));
}
