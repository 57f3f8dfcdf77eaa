#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "scene/scene.h"
#include "support/console.h"
#include "support/scratch_file.h"
#include "tree/tree_model.h"
#include "tree_rows.h"

namespace {

// Triangle totals of the default tree, with and without shadows (committed values).
constexpr int kShadowedTotal = 313500;
constexpr int kPlainTotal = 277500;

// Loads text into a fresh model, capturing both console streams.
struct LoadRun {
    std::unique_ptr<TreeModel> model = makeModel();
    bool ok = false;
    std::string out; // console lines
    std::string err; // notices
};

LoadRun load(const std::string& text, bool showShadows = true)
{
    LoadRun run;
    run.model->refined = showShadows;
    const ScratchFile file(text, ".txt");
    const Console console = captureConsole([&] { run.ok = loadTreeModel(*run.model, file.c_str()); });
    run.out = console.out;
    run.err = console.err;
    return run;
}

// Same centre line, radii and frame axes, bit for bit.
void expectSameLine(const Branch& a, const Branch& b, int i)
{
    ASSERT_EQ(a.pointCount, b.pointCount) << i;
    for (int k = 0; k < a.pointCount; ++k) {
        const Vec3 p = a.points[k], q = b.points[k];
        EXPECT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z && a.radii[k] == b.radii[k]) << i << ' ' << k;
    }
    EXPECT_TRUE(a.frameX.x == b.frameX.x && a.frameY.y == b.frameY.y && a.frameZ.z == b.frameZ.z) << i;
}

int lineCount(const std::string& text)
{
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

} // namespace

TEST(TreeModelLoad, ValidFileFillsRecords)
{
    auto rows = defaultTreeRows();
    rows[5].points[0] = {"1", "2", "3", "1"};
    rows[5].points[1][3] = "0.02";
    rows[7].points[2] = {"1.5", "0", "-2", "0.5"};
    rows[9].children = {{"19", "1"}, {"20", "2"}};
    const LoadRun run = load(treeText(rows));
    ASSERT_TRUE(run.ok) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    const TreeModel& m = *run.model;
    EXPECT_EQ(m.branchCount, 322);

    const Branch& b5 = m.branches[5];
    ASSERT_EQ(b5.pointCount, 4);
    EXPECT_DOUBLE_EQ(b5.points[0].x, 0.35);
    EXPECT_DOUBLE_EQ(b5.points[0].y, 0.7);
    EXPECT_DOUBLE_EQ(b5.points[0].z, 1.05);
    EXPECT_EQ(b5.points[0].status, 0);
    EXPECT_DOUBLE_EQ(b5.radii[0], 0.35);
    EXPECT_EQ(b5.radii[1], 0.015); // 0.02 * 0.35 = 0.007 is raised to the floor

    const Branch& b7 = m.branches[7];
    EXPECT_DOUBLE_EQ(b7.points[2].x, 1.5 * 0.35);
    EXPECT_DOUBLE_EQ(b7.points[2].z, -0.7);

    // Pairs are childIndex then attachPoint in the file, attachPoint first in memory.
    ASSERT_EQ(m.branches[9].childCount, 2);
    EXPECT_EQ(m.branches[9].children[0].childIndex, 19);
    EXPECT_EQ(m.branches[9].children[0].attachPoint, 1);
    EXPECT_EQ(m.branches[9].children[1].childIndex, 20);
    EXPECT_EQ(m.branches[9].children[1].attachPoint, 2);
    EXPECT_EQ(m.branches[321].childCount, 0);

    for (int i = 0; i < kBranchCount; ++i) {
        const Branch& b = m.branches[i];
        ASSERT_EQ(b.pointCount, static_cast<int>(rows[i].points.size()));
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(b.bendVelocity[a], 0.0);
            EXPECT_EQ(b.bendPosition[a], 0.0);
        }
        expectSameLine(m.restBranches[i], b, i); // the rest copy, frames included
    }
    // Trunk frame set by the loader; children get theirs from the hierarchy walk.
    EXPECT_EQ(m.branches[0].frameY.y, 1.0);
    EXPECT_EQ(m.branches[0].frameZ.z, 1.0);
    const Branch& b1 = m.branches[1];
    const Vec3 axisY = sub(b1.frameY, b1.points[0]);
    EXPECT_NEAR(length(axisY), 1.0, 1e-12);
    EXPECT_NEAR(length(sub(m.restBranches[1].frameX, b1.points[0])), 1.0, 1e-12);
}

TEST(TreeModelLoad, ColourClasses)
{
    auto rows = defaultTreeRows();
    const char* words[] = {"red", "green", "blue", "springgreen", "magenta", "orange", "skyblue", "violetred"};
    const double params[8][3] = {{10000, 0.4, 0.12}, {256, 0.5, 0.13}, {128, 0.5, 0.14}, {128, 2.0, 0.12},
                                 {64, 2.0, 0.12},    {32, 2.0, 0.12},  {32, 2.0, 0.12},  {32, 2.0, 0.12}};
    for (int c = 0; c < 8; ++c) rows[10 + c].colour = words[c];
    rows[20].colour = "Red";
    rows[21].colour = std::string(2000, 'g'); // an overlong word is still one token
    const LoadRun run = load(treeText(rows));
    ASSERT_TRUE(run.ok) << run.out;
    // Unknown words load on, with one warning each naming file, line and row.
    EXPECT_NE(run.out.find(", line 22, row 20: unknown colour word \"Red\", the row keeps class 0\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(", line 23, row 21: unknown colour word \"gggg"), std::string::npos) << run.out;
    EXPECT_EQ(lineCount(run.out), 2) << run.out;
    for (int c = 0; c < 8; ++c) {
        const Branch& b = run.model->branches[10 + c];
        EXPECT_EQ(b.colourClass, c) << words[c];
        EXPECT_EQ(b.stiffness, params[c][0]) << words[c];
        EXPECT_EQ(b.frequency, params[c][1]) << words[c];
        EXPECT_EQ(b.dampingRatio, params[c][2]) << words[c];
    }
    for (int i : {20, 21}) {
        const Branch& b = run.model->branches[i];
        EXPECT_EQ(b.colourClass, 0);
        EXPECT_EQ(b.stiffness, 1.0);
        EXPECT_EQ(b.frequency, 0.0);
        EXPECT_EQ(b.dampingRatio, 0.0);
        EXPECT_EQ(b.pointCount, static_cast<int>(rows[i].points.size()));
    }
}

TEST(TreeModelLoad, RowsSpreadOverLinesLoadTheSame)
{
    const auto rows = defaultTreeRows();
    const LoadRun oneLine = load(treeText(rows));
    const LoadRun spread = load(treeText(rows, "RowMax=322", true) + "trailing tokens 1 2 3 are never read\n");
    ASSERT_TRUE(oneLine.ok);
    ASSERT_TRUE(spread.ok) << spread.out;
    for (int i = 0; i < kBranchCount; ++i) {
        const Branch& a = oneLine.model->branches[i];
        const Branch& b = spread.model->branches[i];
        expectSameLine(a, b, i);
        ASSERT_EQ(a.childCount, b.childCount);
        for (int j = 0; j < a.childCount; ++j) EXPECT_EQ(a.children[j].childIndex, b.children[j].childIndex);
        EXPECT_EQ(a.colourClass, b.colourClass);
    }
    EXPECT_EQ(oneLine.model->triangleTotalShadowed, spread.model->triangleTotalShadowed);

    // Windows line ends and tabs are whitespace like any other.
    std::string crlf;
    for (char c : treeText(rows)) crlf += c == '\n' ? std::string("\r\n") : c == ' ' ? std::string("\t") : std::string(1, c);
    const LoadRun windows = load(crlf);
    ASSERT_TRUE(windows.ok) << windows.out;
    EXPECT_EQ(windows.model->branches[321].points[3].x, oneLine.model->branches[321].points[3].x);
    EXPECT_EQ(windows.model->triangleTotalShadowed, oneLine.model->triangleTotalShadowed);
}

// The committed triangle totals, with and without shadows, hold after a reload.
TEST(TreeModelLoad, TriangleTotalsReloadDoesNotAccumulateAndFailureKeepsOtherData)
{
    const auto rows = defaultTreeRows();
    auto scene = std::make_unique<Scene>();
    TreeModel* model = &scene->tree;
    scene->wind.u.size = 32; // loaded before the tree at start-up
    scene->grass.bladeCount = 7;
    const ScratchFile good(treeText(rows), ".txt");
    model->refined = true;
    ASSERT_TRUE(loadTreeModel(*model, good.c_str()));
    EXPECT_EQ(model->triangleCount, kShadowedTotal);
    model->refined = false;
    ASSERT_TRUE(loadTreeModel(*model, good.c_str()));
    EXPECT_EQ(model->triangleCount, kPlainTotal);
    EXPECT_EQ(model->triangleTotalShadowed, kShadowedTotal);
    EXPECT_EQ(model->triangleTotalPlain, kPlainTotal);

    auto broken = rows;
    broken[300].n = "41";
    const ScratchFile bad(treeText(broken), ".txt");
    captureConsole([&] { EXPECT_FALSE(loadTreeModel(*model, bad.c_str())); });
    expectTreeEmpty(*model);
    EXPECT_EQ(scene->wind.u.size, 32);
    EXPECT_EQ(scene->grass.bladeCount, 7);
}

TEST(TreeModelLoad, MissingFile)
{
    auto model = makeModel();
    const Console missing =
        captureConsole([&] { EXPECT_FALSE(loadTreeModel(*model, (::testing::TempDir() + "no_such_tree_file.txt").c_str())); });
    EXPECT_EQ(missing.err, "Loading: Tree model file does not exist!\n");
    expectTreeEmpty(*model);
}

TEST(TreeModelLoad, WrongRowMax)
{
    const auto rows = defaultTreeRows();
    for (const char* first : {"RowMax=321", "RowMax=323", "Rows=322", "", "RowMax=99999999999999999999"}) {
        const LoadRun run = load(treeText(rows, first));
        EXPECT_FALSE(run.ok) << first;
        EXPECT_EQ(run.err, "Error Loading: File size is wrong!\n") << first;
        // A second line names the file and its first line.
        EXPECT_NE(run.out.find(".txt, line 1: "), std::string::npos) << first << run.out;
        EXPECT_EQ(lineCount(run.out), 1) << run.out;
        expectTreeEmpty(*run.model);
    }
    // The first line is taken whole, whatever follows on it.
    const LoadRun run = load(treeText(rows, "RowMax=322 " + std::string(700, 'x')));
    EXPECT_TRUE(run.ok) << run.out;
}

struct Rejection {
    const char* name;
    int row;                     // row that breaks a rule
    void (*edit)(std::vector<TreeRow>&);
    const char* reason;          // part of the console line
};

class TreeModelReject : public testing::TestWithParam<Rejection> {};

TEST_P(TreeModelReject, OneLineNamesRowAndReason)
{
    auto rows = defaultTreeRows();
    GetParam().edit(rows);
    const LoadRun run = load(treeText(rows));
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(lineCount(run.out), 1) << run.out;
    EXPECT_NE(run.out.find("row " + std::to_string(GetParam().row) + ":"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(GetParam().reason), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
    expectTreeEmpty(*run.model);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TreeModelReject,
    testing::Values(
        Rejection{"OnePoint", 4, [](auto& r) { r[4].n = "1"; }, "N=1 is outside 2..40"},
        Rejection{"FortyOnePoints", 8, [](auto& r) { r[8].n = "41"; }, "N=41 is outside 2..40"},
        Rejection{"HugeN", 8, [](auto& r) { r[8].n = std::string(600, '9'); }, "N=2147483647 is outside"},
        Rejection{"NegativeChildCount", 12, [](auto& r) { r[12].m = "-1"; }, "M=-1 is outside 0..321"},
        Rejection{"HugeChildCount", 12, [](auto& r) { r[12].m = "100000000"; }, "M=100000000 is outside 0..321"},
        Rejection{"ChildIndex322", 200, [](auto& r) { r[200].children = {{"322", "0"}}; }, "child index 322 is outside 0..321"},
        Rejection{"ChildIndexNegative", 200, [](auto& r) { r[200].children = {{"-1", "0"}}; }, "child index -1 is outside"},
        Rejection{"ChildBeforeParent", 30, [](auto& r) { r[30].children = {{"61", "1"}, {"29", "2"}}; },
                  "child index 29 is not greater than the row number"},
        Rejection{"ChildIsItself", 30, [](auto& r) { r[30].children = {{"30", "1"}}; }, "child index 30 is not greater"},
        Rejection{"ListedTwice", 3, [](auto& r) { r[3].children.push_back({"5", "2"}); }, "branch 5 is listed as a child twice"},
        Rejection{"ListedTwiceInARow", 40, [](auto& r) { r[40].children = {{"81", "1"}, {"81", "2"}}; },
                  "branch 81 is listed as a child twice"},
        Rejection{"AttachPastEnd", 1, [](auto& r) { r[1].children[0].second = std::to_string(r[1].points.size()); },
                  "attach point 4 of child 3 is outside 0..3"},
        Rejection{"AttachNegative", 1, [](auto& r) { r[1].children[0].second = "-1"; }, "attach point -1 of child 3"},
        Rejection{"PairsOutOfOrder", 2, [](auto& r) { r[2].children = {{"5", "2"}, {"6", "1"}}; },
                  "attach point 1 of child 6 comes after attach point 2"},
        Rejection{"NotANumber", 77, [](auto& r) { r[77].points[1][2] = "nan"; }, "not a finite number"},
        Rejection{"Infinite", 78, [](auto& r) { r[78].points[0][3] = "-inf"; }, "not a finite number"},
        Rejection{"Truncated", 321, [](auto& r) { r[321].points.back() = {"1", "2", "", ""}; },
                  "the file ends before the row is complete"}),
    [](const testing::TestParamInfo<Rejection>& info) { return std::string(info.param.name); });

TEST(TreeModelLoad, TruncatedFiles)
{
    const std::string text = treeText(defaultTreeRows());
    // Cut inside row 200, and right after row 100's last token.
    const size_t row200 = text.find("\n200 ") + 10;
    const size_t row101 = text.find("\n101 ") + 1;
    for (size_t cut : {row200, row101}) {
        const LoadRun run = load(text.substr(0, cut));
        EXPECT_FALSE(run.ok);
        EXPECT_EQ(lineCount(run.out), 1) << run.out;
        EXPECT_NE(run.out.find(cut == row200 ? "row 200:" : "row 101:"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("ends before the row is complete"), std::string::npos);
        expectTreeEmpty(*run.model);
    }
}
