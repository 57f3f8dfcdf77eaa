// Leaf model reader and the generated poplar leaf template.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "data_constants/data_folder.h"
#include "tree/leaf_template.h"

namespace {

constexpr const char* kHeader = "PetioleVerNum=6 LeafVerNum=77 LeafFacesNum=95\n";

// A well-formed file: blade vertex k at (k, 0, 0), faces (k%77, (k+1)%77, (k+2)%77).
std::string validFileText()
{
    std::string text = kHeader;
    for (int k = 0; k < 6; ++k) text += std::to_string(k) + " 0 " + std::to_string(k) + " 0 0.04\n";
    for (int k = 0; k < 77; ++k) text += std::to_string(k) + " " + std::to_string(k) + " 0 0 0.5 0.5\n";
    for (int k = 0; k < 95; ++k)
        text += std::to_string(k) + " " + std::to_string(k % 77) + " " + std::to_string((k + 1) % 77) + " " +
                std::to_string((k + 2) % 77) + "\n";
    return text;
}

FILE* fileWith(const std::string& text)
{
    FILE* file = std::tmpfile();
    std::fputs(text.c_str(), file);
    std::rewind(file);
    return file;
}

// Replaces line number `line` (0 = header) of the text.
std::string withLine(std::string text, int line, const std::string& replacement)
{
    size_t start = 0;
    for (int k = 0; k < line; ++k) start = text.find('\n', start) + 1;
    const size_t end = text.find('\n', start);
    return text.replace(start, end - start, replacement);
}

// An empty file is BadLeaf Empty in bad_input_test.
TEST(LeafModelReader, RejectsWrongCountsInHeader)
{
    LeafTemplate tmpl;
    tmpl.bladeVertices[3] = {7, 7, 7, 0};
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loadLeafModel(fileWith(withLine(validFileText(), 0, "PetioleVerNum=6 LeafVerNum=77 LeafFacesNum=94")), tmpl));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Loading: File format is error!"), std::string::npos);
    EXPECT_EQ(tmpl.bladeVertices[3].x, 7.0);
}

TEST(LeafModelReader, ScalesPointsByAQuarterAndKeepsTexCoords)
{
    std::string text = withLine(validFileText(), 1, "0 1.0 2.0 3.0 0.04");
    text = withLine(text, 6 + 6, "5 4.0 0 0 0.5 0.25");
    LeafTemplate tmpl;
    ASSERT_TRUE(loadLeafModel(fileWith(text), tmpl));
    EXPECT_DOUBLE_EQ(tmpl.petioleVertices[0].x, 0.25);
    EXPECT_DOUBLE_EQ(tmpl.petioleVertices[0].y, 0.5);
    EXPECT_DOUBLE_EQ(tmpl.petioleVertices[0].z, 0.75);
    EXPECT_EQ(tmpl.petioleVertices[0].status, 0);
    EXPECT_DOUBLE_EQ(tmpl.petioleVertexRadii[0], 0.04f * 0.25);
    EXPECT_NEAR(tmpl.petioleVertexRadii[0], 0.01, 1e-9);
    EXPECT_DOUBLE_EQ(tmpl.bladeVertices[5].x, 1.0);
    EXPECT_DOUBLE_EQ(tmpl.bladeVertices[5].y, 0.0);
    EXPECT_DOUBLE_EQ(tmpl.bladeTexCoords[5][0], 0.5);
    EXPECT_DOUBLE_EQ(tmpl.bladeTexCoords[5][1], 0.25);
    EXPECT_EQ(tmpl.bladeFaces[94][0], 94 % 77);
    EXPECT_EQ(tmpl.bladeFaces[94][2], 96 % 77);
}

TEST(LeafModelReader, MalformedRecordIsRefusedNamingFileAndLine)
{
    const std::string text = withLine(validFileText(), 1 + 6 + 10, "garbage");
    LeafTemplate tmpl;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(loadLeafModel(fileWith(text), tmpl, "leaf.txt"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Leaf model leaf.txt, line 18: \"garbage\" is not a number\n");
}

TEST(LeafModelReader, RejectsFaceIndexOutsideTheBlade)
{
    const int firstFaceLine = 1 + 6 + 77;
    for (const char* bad : {"3 0 77 1", "3 -1 2 1", "3 0 1 1000000"}) {
        LeafTemplate tmpl;
        tmpl.bladeFaces[3][1] = 42;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(loadLeafModel(fileWith(withLine(validFileText(), firstFaceLine + 3, bad)), tmpl)) << bad;
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(out.find("line " + std::to_string(firstFaceLine + 4)), std::string::npos) << out;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_EQ(tmpl.bladeFaces[3][1], 42) << "a rejected file must not change the template";
    }
}

TEST(LeafModelReader, RejectsFileThatEndsEarly)
{
    const std::string full = validFileText();
    for (int keepLines : {1, 5, 50, 1 + 6 + 77 + 94}) {
        size_t cut = 0;
        for (int k = 0; k < keepLines; ++k) cut = full.find('\n', cut) + 1;
        LeafTemplate tmpl;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(loadLeafModel(fileWith(full.substr(0, cut)), tmpl)) << keepLines;
        EXPECT_NE(testing::internal::GetCapturedStdout().find("ends"), std::string::npos);
    }
}

// --- The generated template ---------------------------------------------

struct P2 {
    double x, y;
};

P2 xy(const Vec3& v) { return {v.x, v.y}; }
double cross2(P2 o, P2 a, P2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }
bool inside(P2 p, P2 a, P2 b, P2 c) { return cross2(a, b, p) >= 0 && cross2(b, c, p) >= 0 && cross2(c, a, p) >= 0; }

class GeneratedLeaf : public testing::Test {
protected:
    void SetUp() override
    {
        FILE* file = std::fopen(dataPath(kDefaultDataDir, kLeafFileName).c_str(), "r");
        ASSERT_NE(file, nullptr) << "run from the build directory after the data target";
        testing::internal::CaptureStdout();
        ASSERT_TRUE(loadLeafModel(file, leaf));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
    P2 at(int v) const { return xy(leaf.bladeVertices[v]); }
    double faceArea(const int32_t* f) const { return 0.5 * cross2(at(f[0]), at(f[1]), at(f[2])); }
    LeafTemplate leaf;
};

TEST_F(GeneratedLeaf, BladeIsOneDiskWithConsistentWinding)
{
    std::map<std::pair<int, int>, int> directed;
    std::set<int> used;
    double total = 0.0;
    for (const auto& f : leaf.bladeFaces) {
        EXPECT_GT(faceArea(f), 1e-5) << f[0] << " " << f[1] << " " << f[2];
        total += faceArea(f);
        for (int e = 0; e < 3; ++e) {
            ++directed[{f[e], f[(e + 1) % 3]}];
            used.insert(f[e]);
        }
    }
    EXPECT_EQ(used.size(), 77u);
    // Each directed edge once (same winding everywhere); unmatched edges form one margin loop.
    std::map<int, int> next;
    for (const auto& [edge, count] : directed) {
        EXPECT_EQ(count, 1);
        if (!directed.count({edge.second, edge.first})) {
            EXPECT_FALSE(next.count(edge.first)) << "margin pinched at " << edge.first;
            next[edge.first] = edge.second;
        }
    }
    ASSERT_EQ(next.size(), 57u);
    int v = 0, steps = 0;
    double marginArea = 0.0;
    ASSERT_TRUE(next.count(0)) << "vertex 0 lies on the margin";
    do {
        marginArea += 0.5 * (at(v).x * at(next[v]).y - at(next[v]).x * at(v).y);
        v = next[v];
        ++steps;
    } while (v != 0 && steps < 100);
    EXPECT_EQ(steps, 57) << "the margin is one loop";
    // Positive faces adding up to the area inside the margin cannot overlap.
    EXPECT_NEAR(total, marginArea, 1e-9);
    EXPECT_GT(total, 0.0);
}

TEST_F(GeneratedLeaf, ShadowOutlineCoversTheBlade)
{
    for (const auto& f : shadowOutlineFaces) EXPECT_GT(faceArea(f), 0.0) << f[0] << " " << f[1] << " " << f[2];
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const auto& v : leaf.bladeVertices) {
        minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    }
    const int n = 400;
    int blade = 0, differ = 0;
    for (int iy = 0; iy < n; ++iy)
        for (int ix = 0; ix < n; ++ix) {
            const P2 p{minX + (ix + 0.5) * (maxX - minX) / n, minY + (iy + 0.5) * (maxY - minY) / n};
            bool inBlade = false, inOutline = false;
            for (const auto& f : leaf.bladeFaces) inBlade = inBlade || inside(p, at(f[0]), at(f[1]), at(f[2]));
            for (const auto& f : shadowOutlineFaces) inOutline = inOutline || inside(p, at(f[0]), at(f[1]), at(f[2]));
            blade += inBlade;
            differ += inBlade != inOutline;
        }
    EXPECT_LT(double(differ) / blade, 0.15);
}

TEST_F(GeneratedLeaf, SizeTexCoordsAndPetiole)
{
    const Vec3 base = leaf.bladeVertices[0], tip = leaf.bladeVertices[17];
    const double bladeLength = tip.y - base.y;
    EXPECT_GE(bladeLength, 0.6);
    EXPECT_LE(bladeLength, 0.75);
    for (const auto& v : leaf.bladeVertices) {
        EXPECT_GE(v.y, base.y - 1e-9);
        EXPECT_LE(v.y, tip.y + 1e-9);
    }
    // Petiole: from the origin to the blade base, about a quarter of the blade.
    const Vec3* p = leaf.petioleVertices;
    EXPECT_EQ(p[0].x, 0.0);
    EXPECT_EQ(p[0].y, 0.0);
    EXPECT_EQ(p[0].z, 0.0);
    EXPECT_NEAR(p[5].x, base.x, 1e-6);
    EXPECT_NEAR(p[5].y, base.y, 1e-6);
    EXPECT_NEAR(p[5].z, base.z, 1e-6);
    double petioleLength = 0.0;
    for (int k = 0; k + 1 < 6; ++k)
        petioleLength += std::sqrt(std::pow(p[k + 1].x - p[k].x, 2) + std::pow(p[k + 1].y - p[k].y, 2) + std::pow(p[k + 1].z - p[k].z, 2));
    EXPECT_GT(petioleLength, 0.18 * bladeLength);
    EXPECT_LT(petioleLength, 0.35 * bladeLength);
    const double horizontal = std::hypot(p[1].x - p[0].x, p[1].z - p[0].z);
    EXPECT_GE(std::atan2(horizontal, p[1].y - p[0].y), 15.0 * 3.14159265358979 / 180.0);
    // Midrib on u = 0.5, v from 0 at the base to 1 at the apex, all inside 0..1.
    EXPECT_NEAR(leaf.bladeTexCoords[0][0], 0.5, 1e-6);
    EXPECT_NEAR(leaf.bladeTexCoords[0][1], 0.0, 1e-6);
    EXPECT_NEAR(leaf.bladeTexCoords[17][0], 0.5, 1e-6);
    EXPECT_NEAR(leaf.bladeTexCoords[17][1], 1.0, 1e-6);
    for (int v : {54, 56}) EXPECT_NEAR(leaf.bladeTexCoords[v][0], 0.5, 1e-6);
    EXPECT_LT(leaf.bladeTexCoords[54][1], 0.5);
    EXPECT_GT(leaf.bladeTexCoords[56][1], 0.5);
    for (int k = 0; k < 77; ++k) {
        const double u = leaf.bladeTexCoords[k][0], v = leaf.bladeTexCoords[k][1];
        EXPECT_TRUE(u >= 0 && u <= 1 && v >= 0 && v <= 1) << k;
        // The mapping is affine in the blade plane: u = 0.5 + x/L, v = (y - base)/L.
        EXPECT_NEAR(u, 0.5 + leaf.bladeVertices[k].x / bladeLength, 1e-5) << k;
        EXPECT_NEAR(v, (leaf.bladeVertices[k].y - base.y) / bladeLength, 1e-5) << k;
    }
}

} // namespace
