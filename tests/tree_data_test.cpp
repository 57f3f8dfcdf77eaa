// The generated tree skeleton and leaf files: every constraint the program
// relies on, the crown figures, loading without diagnostics, determinism.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "tree/foliage.h"
#include "tree/leaf_template.h"
#include "tree/tree_model.h"

namespace {

constexpr const char* kTreeFile = "./data/tree/tulip_tree.txt";
constexpr const char* kLeafFile = "./data/tree/poplar_leaf.txt";
constexpr double kScale = 0.35; // file units to model units
constexpr double kPi = 3.14159265358979323846;
const char* const kColours[8] = {"red", "green", "blue", "springgreen", "magenta", "orange", "skyblue", "violetred"};

struct Row {
    int id = 0, pointCount = 0, childCount = 0, colourClass = -1;
    std::string colour;
    std::vector<std::pair<int, int>> children; // (child, attach point)
    std::vector<std::array<double, 4>> points; // x, y, z, r in file units
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

double distance(const std::array<double, 4>& a, const std::array<double, 4>& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

class GeneratedTree : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::istringstream in(readFile(kTreeFile));
        std::getline(in, firstLine);
        std::string token;
        std::vector<std::string> tokens;
        while (in >> token) tokens.push_back(token);
        size_t t = 0;
        auto take = [&]() -> std::string { return t < tokens.size() ? tokens[t++] : std::string(); };
        while (t < tokens.size()) {
            Row row;
            row.id = std::stoi(take());
            row.pointCount = std::stoi(take());
            row.childCount = std::stoi(take());
            row.colour = take();
            for (int c = 0; c < 8; ++c)
                if (row.colour == kColours[c]) row.colourClass = c;
            for (int k = 0; k < row.childCount; ++k) {
                const int child = std::stoi(take());
                row.children.push_back({child, std::stoi(take())});
            }
            for (int k = 0; k < row.pointCount; ++k) {
                std::array<double, 4> p{};
                for (double& v : p) v = std::stod(take());
                row.points.push_back(p);
            }
            rows.push_back(row);
        }
    }
    static std::string firstLine;
    static std::vector<Row> rows;
};
std::string GeneratedTree::firstLine;
std::vector<Row> GeneratedTree::rows;

TEST_F(GeneratedTree, RowsFormOneTreeInOrder)
{
    EXPECT_EQ(firstLine, "RowMax=322");
    ASSERT_EQ(rows.size(), 322u);
    std::vector<int> parents(322, 0);
    for (int i = 0; i < 322; ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(row.id, i);
        EXPECT_GE(row.pointCount, 2) << i;
        EXPECT_LE(row.pointCount, 40) << i;
        ASSERT_EQ(int(row.points.size()), row.pointCount);
        int lastAttach = 0;
        for (const auto& [child, attach] : row.children) {
            ASSERT_GT(child, i) << "children come after their parent";
            ASSERT_LT(child, 322);
            ++parents[child];
            EXPECT_GE(attach, lastAttach) << "row " << i << " lists children by attach point";
            EXPECT_LE(attach, row.pointCount - 2) << i;
            lastAttach = attach;
            // The child starts on the parent's surface or inside it.
            EXPECT_LE(distance(rows[child].points[0], row.points[attach]), row.points[attach][3]) << child;
        }
    }
    EXPECT_EQ(parents[0], 0);
    for (int i = 1; i < 322; ++i) EXPECT_EQ(parents[i], 1) << "branch " << i;
    std::vector<int> queue{0};
    for (size_t q = 0; q < queue.size(); ++q)
        for (const auto& child : rows[queue[q]].children) queue.push_back(child.first);
    EXPECT_EQ(queue.size(), 322u) << "every branch is reachable from the trunk";
}

TEST_F(GeneratedTree, FirstSegmentsLeaveTheVertical)
{
    for (int i = 1; i < int(rows.size()); ++i) {
        const auto &a = rows[i].points[0], &b = rows[i].points[1];
        const double len = distance(a, b);
        ASSERT_GT(len, 1e-3) << i;
        EXPECT_GT(std::hypot(b[0] - a[0], b[2] - a[2]) / len, 0.05) << i;
    }
}

TEST_F(GeneratedTree, ClassesFollowTheHierarchy)
{
    ASSERT_EQ(rows.size(), 322u);
    std::map<int, int> perClass;
    for (const Row& row : rows) {
        ASSERT_GE(row.colourClass, 0) << row.colour;
        ++perClass[row.colourClass];
        for (const auto& [child, attach] : row.children) {
            const int c = rows[child].colourClass;
            EXPECT_GE(c, row.colourClass) << child;
            if (row.colourClass < 7) {
                EXPECT_GT(c, row.colourClass) << child;
            }
        }
    }
    EXPECT_EQ(rows[0].colourClass, 0);
    EXPECT_EQ(perClass[0], 1);
    for (int c = 0; c < 8; ++c) EXPECT_GT(perClass[c], 0) << kColours[c];
    // Scaffold limbs start on the leader; the fine twigs are most of the rows.
    std::set<int> onLeader;
    for (const auto& child : rows[0].children) onLeader.insert(child.first);
    for (const Row& row : rows) {
        if (row.colourClass == 1) {
            EXPECT_TRUE(onLeader.count(row.id)) << row.id;
        }
    }
    EXPECT_GE(perClass[1], 8);
    EXPECT_GT(perClass[5] + perClass[6] + perClass[7], 161);
}

TEST_F(GeneratedTree, CrownFitsTheDefaultView)
{
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9, minZ = 1e9, maxZ = -1e9;
    for (const Row& row : rows)
        for (const auto& p : row.points) {
            minX = std::min(minX, p[0] * kScale), maxX = std::max(maxX, p[0] * kScale);
            minY = std::min(minY, p[1] * kScale), maxY = std::max(maxY, p[1] * kScale);
            minZ = std::min(minZ, p[2] * kScale), maxZ = std::max(maxZ, p[2] * kScale);
        }
    EXPECT_NEAR(minY, 0.0, 1e-6);
    EXPECT_NEAR(rows[0].points[0][1], 0.0, 1e-6);
    EXPECT_GE(maxY, 11.0);
    EXPECT_LE(maxY, 12.5);
    for (double width : {maxX - minX, maxZ - minZ}) {
        EXPECT_GE(width, 7.0);
        EXPECT_LE(width, 10.0);
    }
    // The leader runs through most of the crown.
    EXPECT_GT(rows[0].points.back()[1] * kScale, 0.9 * maxY);
}

TEST_F(GeneratedTree, RadiiTaperAndFollowThePipeModel)
{
    const double base = rows[0].points[0][3] * kScale;
    EXPECT_GE(base, 0.5);
    EXPECT_LE(base, 0.7);
    for (const Row& row : rows) {
        for (size_t k = 1; k < row.points.size(); ++k) EXPECT_LE(row.points[k][3], row.points[k - 1][3] + 1e-9) << row.id;
        EXPECT_LT(row.points.back()[3], row.points.front()[3]) << row.id;
        for (const auto& [child, attach] : row.children)
            EXPECT_LE(rows[child].points[0][3], row.points[attach][3]) << child;
    }
}

TEST_F(GeneratedTree, LeavesClusterAtTipsAllRoundTheCrown)
{
    int octants[8] = {};
    for (const Row& row : rows) {
        const auto &p = row.points[row.points.size() - 2], &q = row.points.back();
        const double last = distance(p, q) * kScale;
        EXPECT_GT(last, 0.05) << row.id;
        EXPECT_LE(last, 0.3) << row.id << ": the six leaves sit on the last segment";
        // The leaves take their side direction from the segment's lean.
        EXPECT_GT(std::hypot(q[0] - p[0], q[2] - p[2]) / distance(p, q), 0.01) << row.id;
        if (row.id != 0) ++octants[int((std::atan2(q[2], q[0]) + kPi) / (kPi / 4)) % 8];
    }
    for (int o = 0; o < 8; ++o) EXPECT_GT(octants[o], 321 / 16) << "octant " << o;
}

TEST_F(GeneratedTree, LoadsWithoutDiagnostics)
{
    auto model = std::make_unique<TreeModel>();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool loaded = loadTreeModel(*model, kTreeFile);
    std::FILE* leafFile = std::fopen(kLeafFile, "r");
    ASSERT_NE(leafFile, nullptr);
    auto leaf = std::make_unique<LeafTemplate>();
    const bool leafLoaded = loadLeafModel(leafFile, *leaf);
    if (loaded && leafLoaded) {
        const uint32_t seed = 7;
        placeLeaves(*model, *leaf, &seed);
        initLeafFrames(*model, &seed);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(leafLoaded);
    EXPECT_EQ(out, "") << "hierarchy or leaf frames reported a degenerate frame";
    EXPECT_EQ(err, "");
    EXPECT_EQ(model->branchCount, 322);
}

TEST(TreeDatagen, SameBytesOnEveryRun)
{
    const std::string binary = "./arborvane-grow";
    ASSERT_TRUE(std::filesystem::exists(binary)) << "run from the build directory";
    const auto dir = std::filesystem::temp_directory_path() / ("arborvane_treegen_" + std::to_string(::getpid()));
    for (const char* run : {"a", "b"}) {
        const std::string command = binary + " --only tree,leaf --out " + (dir / run).string() + " > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    for (const char* file : {"tree/tulip_tree.txt", "tree/poplar_leaf.txt"}) {
        const std::string first = readFile((dir / "a" / file).string());
        EXPECT_FALSE(first.empty()) << file;
        EXPECT_EQ(first, readFile((dir / "b" / file).string())) << file;
        EXPECT_EQ(first, readFile(std::string("./data/") + file)) << file << " differs from the build's data";
    }
    std::filesystem::remove_all(dir);
}

} // namespace
