// The generated tree skeleton and leaf files, for the default data and for
// every preset of arborvane-grow: every constraint the program relies on,
// the crown figures, loading without diagnostics, determinism, and the
// tool's answers to bad flags.
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

#include <sys/wait.h>
#include <unistd.h>

#include "support/console.h"
#include "support/geometry.h"
#include "support/scratch_file.h"
#include "tree/foliage.h"
#include "tree/leaf_template.h"
#include "tree/tree_model.h"

namespace {

constexpr const char* kGrow = "./arborvane-grow";
constexpr const char* kTreeName = "tree/tulip_tree.txt";
constexpr const char* kLeafName = "tree/poplar_leaf.txt";
// The trees under test: the build's data, then each preset but the default.
const std::vector<std::string> kTrees = {"default", "spreading", "columnar", "cone"};
constexpr double kScale = 0.35; // file units to model units
constexpr double kPi = 3.14159265358979323846;
const char* const kColours[8] = {"red", "green", "blue", "springgreen", "magenta", "orange", "skyblue", "violetred"};

struct Row {
    int id = 0, pointCount = 0, childCount = 0, colourClass = -1;
    std::string colour;
    std::vector<std::pair<int, int>> children; // (child, attach point)
    std::vector<std::array<double, 4>> points; // x, y, z, r in file units
};

std::filesystem::path scratchDir()
{
    return std::filesystem::temp_directory_path() / ("arborvane_treegen_" + std::to_string(::getpid()));
}

// Runs arborvane-grow; the exit status, with its standard error in err.
int runGrow(const std::string& arguments, std::string* err = nullptr)
{
    const std::string errFile = (scratchDir() / "stderr.txt").string();
    std::filesystem::create_directories(scratchDir());
    const std::string command = std::string(kGrow) + " " + arguments + " > /dev/null 2> " + errFile;
    const int status = std::system(command.c_str());
    if (err) *err = readWholeFile(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The data folder of a tree under test; presets are grown once per run.
std::string folderOf(const std::string& tree)
{
    if (tree == "default") return "./data";
    const std::string dir = (scratchDir() / tree).string();
    if (!std::filesystem::exists(dir + "/" + kTreeName)) {
        EXPECT_EQ(runGrow("--preset " + tree + " --only tree,leaf --out " + dir), 0) << tree;
    }
    return dir;
}

struct ParsedTree {
    std::string firstLine;
    std::vector<Row> rows;
};

ParsedTree parseTree(const std::string& path)
{
    ParsedTree tree;
    std::istringstream in(readWholeFile(path));
    std::getline(in, tree.firstLine);
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
        tree.rows.push_back(row);
    }
    return tree;
}

// Extent of the branch points in model units.
struct Extent {
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9, minZ = 1e9, maxZ = -1e9;
    double width() const { return std::max(maxX - minX, maxZ - minZ); }
};

Extent extentOf(const std::vector<Row>& rows)
{
    Extent e;
    for (const Row& row : rows)
        for (const auto& p : row.points) {
            e.minX = std::min(e.minX, p[0] * kScale), e.maxX = std::max(e.maxX, p[0] * kScale);
            e.minY = std::min(e.minY, p[1] * kScale), e.maxY = std::max(e.maxY, p[1] * kScale);
            e.minZ = std::min(e.minZ, p[2] * kScale), e.maxZ = std::max(e.maxZ, p[2] * kScale);
        }
    return e;
}

class GeneratedTree : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        static std::map<std::string, ParsedTree> parsed;
        folder = folderOf(GetParam());
        if (!parsed.count(GetParam())) parsed[GetParam()] = parseTree(folder + "/" + kTreeName);
        firstLine = parsed[GetParam()].firstLine;
        rows = parsed[GetParam()].rows;
    }
    std::string folder, firstLine;
    std::vector<Row> rows;
};

TEST_P(GeneratedTree, RowsFormOneTreeInOrder)
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

TEST_P(GeneratedTree, FirstSegmentsLeaveTheVertical)
{
    for (int i = 1; i < int(rows.size()); ++i) {
        const auto &a = rows[i].points[0], &b = rows[i].points[1];
        const double len = distance(a, b);
        ASSERT_GT(len, 1e-3) << i;
        EXPECT_GT(std::hypot(b[0] - a[0], b[2] - a[2]) / len, 0.05) << i;
    }
}

TEST_P(GeneratedTree, ClassesFollowTheHierarchy)
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

TEST_P(GeneratedTree, CrownFitsTheDefaultView)
{
    const Extent e = extentOf(rows);
    EXPECT_NEAR(e.minY, 0.0, 1e-6);
    EXPECT_NEAR(rows[0].points[0][1], 0.0, 1e-6);
    // The default camera sees 13.4 units up the leader and about 18 across.
    EXPECT_LE(e.maxY, 13.2);
    EXPECT_LE(e.width(), 16.5);
    // The leader runs through most of the crown.
    EXPECT_GT(rows[0].points.back()[1] * kScale, 0.9 * e.maxY);
}

TEST(DefaultTree, CrownFigures)
{
    const std::vector<Row> rows = parseTree(std::string("./data/") + kTreeName).rows;
    ASSERT_EQ(rows.size(), 322u);
    const Extent e = extentOf(rows);
    EXPECT_GE(e.maxY, 11.0);
    EXPECT_LE(e.maxY, 12.5);
    for (double width : {e.maxX - e.minX, e.maxZ - e.minZ}) {
        EXPECT_GE(width, 7.0);
        EXPECT_LE(width, 10.0);
    }
    const double base = rows[0].points[0][3] * kScale;
    EXPECT_GE(base, 0.5);
    EXPECT_LE(base, 0.7);
}

// Each preset has the habit its --help line promises.
TEST(PresetTrees, HabitsDiffer)
{
    std::map<std::string, Extent> extent;
    std::map<std::string, double> widthLow, widthHigh; // crown spread in the lower and upper third
    for (const std::string& tree : kTrees) {
        const std::vector<Row> rows = parseTree(folderOf(tree) + "/" + kTreeName).rows;
        ASSERT_EQ(rows.size(), 322u) << tree;
        extent[tree] = extentOf(rows);
        const double top = extent[tree].maxY;
        for (const Row& row : rows)
            for (const auto& p : row.points) {
                const double r = std::hypot(p[0], p[2]) * kScale, y = p[1] * kScale;
                if (y < top / 3) widthLow[tree] = std::max(widthLow[tree], r);
                if (y > 2 * top / 3) widthHigh[tree] = std::max(widthHigh[tree], r);
            }
    }
    EXPECT_GT(extent["spreading"].width(), 1.15 * extent["spreading"].maxY) << "wider than tall";
    EXPECT_LT(extent["spreading"].maxY, 0.85 * extent["default"].maxY);
    EXPECT_GT(extent["columnar"].maxY, 3.0 * extent["columnar"].width()) << "a narrow column";
    EXPECT_GT(widthLow["cone"], 2.0 * widthHigh["cone"]) << "widest at the foot";
    EXPECT_LT(widthLow["default"], widthHigh["default"] * 2.0) << "the tulip crown is no cone";
}

TEST_P(GeneratedTree, RadiiTaperAndFollowThePipeModel)
{
    for (const Row& row : rows) {
        for (size_t k = 1; k < row.points.size(); ++k) EXPECT_LE(row.points[k][3], row.points[k - 1][3] + 1e-9) << row.id;
        EXPECT_LT(row.points.back()[3], row.points.front()[3]) << row.id;
        for (const auto& [child, attach] : row.children)
            EXPECT_LE(rows[child].points[0][3], row.points[attach][3]) << child;
    }
}

TEST_P(GeneratedTree, LeavesClusterAtTipsAllRoundTheCrown)
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

// Loads a folder's tree and leaf as the program does, with leaves and their
// frames; what was printed (hierarchy or leaf-frame notices) goes to printed.
bool loadsCleanly(const std::string& folder, std::string& printed)
{
    auto model = std::make_unique<TreeModel>();
    ConsoleCapture console;
    const bool loaded = loadTreeModel(*model, (folder + "/" + kTreeName).c_str());
    std::FILE* leafFile = std::fopen((folder + "/" + kLeafName).c_str(), "r");
    auto leaf = std::make_unique<LeafTemplate>();
    const bool leafLoaded = leafFile && loadLeafModel(leafFile, *leaf); // closes the file
    if (loaded && leafLoaded) {
        const uint32_t seed = 7;
        Random random;
        placeLeaves(*model, *leaf, &seed, random);
        initLeafFrames(*model, &seed, random);
    }
    printed = console.finish().both();
    return loaded && leafLoaded && model->branchCount == 322;
}

TEST_P(GeneratedTree, LoadsWithoutDiagnostics)
{
    std::string printed;
    EXPECT_TRUE(loadsCleanly(folder, printed));
    EXPECT_TRUE(printed.empty()) << "a degenerate frame was reported: " << printed.substr(0, printed.find('\n'));
}

INSTANTIATE_TEST_SUITE_P(Trees, GeneratedTree, testing::ValuesIn(kTrees));

TEST(TreeDatagen, SameBytesOnEveryRun)
{
    ASSERT_TRUE(std::filesystem::exists(kGrow)) << "run from the build directory";
    const auto dir = scratchDir() / "runs";
    // The tulip preset is the default tree.
    for (const char* run : {"a", "b --preset tulip"}) {
        const std::string out = (dir / std::string(run, 1)).string();
        ASSERT_EQ(runGrow("--only tree,leaf --out " + out + (run + 1)), 0) << run;
    }
    for (const char* file : {kTreeName, kLeafName}) {
        const std::string first = readWholeFile((dir / "a" / file).string());
        EXPECT_FALSE(first.empty()) << file;
        EXPECT_EQ(first, readWholeFile((dir / "b" / file).string())) << file;
        EXPECT_EQ(first, readWholeFile(std::string("./data/") + file)) << file << " differs from the build's data";
    }
}

TEST(TreeDatagen, BadFlagsExitTwoNamingTheFlag)
{
    const std::string out = "--out " + (scratchDir() / "bad").string() + " ";
    const std::pair<const char*, const char*> cases[] = {
        {"--tree-height 40", "--tree-height"},        {"--limbs 2.5", "--limbs"},
        {"--crown-width nan", "--crown-width"},       {"--crown-shape star", "--crown-shape"},
        {"--preset oak", "--preset"},                 {"--only tree,roots", "--only"},
        {"--twig-lenght 0.5", "--twig-lenght"},       {"--crown-base 9 --tree-height 10", "--crown-base"},
        {"--segment --limbs 9", "--segment"}, {"--limbs", "--limbs"},
    };
    for (const auto& [arguments, flag] : cases) {
        std::string err;
        EXPECT_EQ(runGrow(out + arguments, &err), 2) << arguments;
        EXPECT_NE(err.find(flag), std::string::npos) << arguments << ": " << err;
    }
    // Flags that do not fit together are refused whatever --only asks for, before anything is made.
    std::string err;
    EXPECT_EQ(runGrow(out + "--crown-base 9 --tree-height 10 --only leaf", &err), 2);
    EXPECT_NE(err.find("--crown-base"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(scratchDir() / "bad")) << "a folder made after a bad flag";
    EXPECT_EQ(runGrow("--out " + (scratchDir() / "stderr.txt").string(), &err), 2) << "--out names a file";
    // A flag given with a preset wins over the preset's value.
    EXPECT_EQ(runGrow("--preset columnar --crown-width 6 --only tree --out " + (scratchDir() / "wide").string()), 0);
    const Extent wide = extentOf(parseTree((scratchDir() / "wide" / kTreeName).string()).rows);
    EXPECT_GT(wide.width(), 1.4 * extentOf(parseTree(folderOf("columnar") + "/" + kTreeName).rows).width());
}

TEST(TreeDatagen, FolderThatCannotBeMadeExitsOne)
{
    const std::string file = (scratchDir() / "a-file").string();
    std::filesystem::create_directories(scratchDir());
    std::fclose(std::fopen(file.c_str(), "w"));
    std::string err;
    EXPECT_EQ(runGrow("--only leaf --out " + file + "/data", &err), 1);
    EXPECT_NE(err.find("cannot make the folder " + file), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(TreeDatagen, FailedWriteKeepsTheEarlierFile)
{
    // A file size limit stands in for a full disk: the tree file does not fit.
    const auto dir = scratchDir() / "full";
    ASSERT_EQ(runGrow("--only tree --out " + dir.string()), 0);
    const std::string earlier = readWholeFile((dir / kTreeName).string());
    const std::string command = "ulimit -f 40; trap '' XFSZ; " + std::string(kGrow) + " --only tree --tree-seed 9 --out " +
                                dir.string() + " > /dev/null 2> " + (scratchDir() / "full.err").string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(readWholeFile((scratchDir() / "full.err").string()).find("cannot write " + (dir / kTreeName).string()),
              std::string::npos);
    EXPECT_EQ(readWholeFile((dir / kTreeName).string()), earlier) << "the earlier tree file was changed";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
}

// --help gives every flag a default, names every preset, and each tree and
// leaf flag alone at either end of the range it gives grows a tree and leaf
// that load without a notice.
TEST(TreeDatagen, HelpListsEveryFlagWithItsDefaultAndEveryBoundLoadsCleanly)
{
    const std::string helpFile = (scratchDir() / "help.txt").string();
    std::filesystem::create_directories(scratchDir());
    ASSERT_EQ(std::system((std::string(kGrow) + " --help > " + helpFile).c_str()), 0);
    const std::string help = readWholeFile(helpFile);
    for (const std::string& tree : kTrees)
        if (tree != "default") {
            EXPECT_NE(help.find("  " + tree + " "), std::string::npos) << tree;
        }
    std::istringstream in(help);
    std::string line, previous, flag;
    int flags = 0, checked = 0;
    for (; std::getline(in, line); previous = line) {
        if (previous.rfind("  --", 0) == 0) {
            ++flags;
            EXPECT_NE(line.find("default "), std::string::npos) << previous;
        }
        if (line.rfind("  --", 0) == 0) {
            flag = line.substr(2, line.find(' ', 4) - 2);
            continue;
        }
        const size_t dots = line.find("..");
        if (flag.empty() || dots == std::string::npos) continue;
        const size_t start = line.find_first_not_of(' ');
        const std::string low = line.substr(start, dots - start);
        const std::string high = line.substr(dots + 2, line.find(',', dots) - dots - 2);
        for (const std::string& value : {low, high}) {
            const std::string dir = (scratchDir() / "bounds").string();
            // The lowest crown base leaves room for a crown under every height.
            const std::string base = flag == "--crown-base" ? "" : " --crown-base 0.5";
            ASSERT_EQ(runGrow("--only tree,leaf --out " + dir + base + " " + flag + " " + value), 0) << flag << " " << value;
            std::string printed;
            EXPECT_TRUE(loadsCleanly(dir, printed)) << flag << " " << value;
            EXPECT_TRUE(printed.empty()) << flag << " " << value << ": " << printed.substr(0, printed.find('\n'));
            ++checked;
        }
        flag.clear();
    }
    EXPECT_GE(flags, 20);
    EXPECT_GE(checked, 40);
}

// Removes the scratch folder after all tests of this file.
class Scratch : public testing::Environment {
public:
    void TearDown() override { std::filesystem::remove_all(scratchDir()); }
};
const testing::Environment* const kScratch = testing::AddGlobalTestEnvironment(new Scratch);

} // namespace
