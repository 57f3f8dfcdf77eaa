// Damaged and hostile data files, reader by reader: each is refused with its
// message (or a one-line reason), allocates nothing the file does not back,
// and leaves a model that set-up and a simulation step still run on.
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
// A step in the gale and one in the breeze with refinement: must not trip
// the sanitizers or leave a non-finite value behind.
void stepTwice(Scene& scene)
{
    const uint32_t seed = 5;
    captureConsole([&] {
        setUpScene(scene, &seed);
        scene.input = {{true, 800.0, Vec3{1.0, 0.0, 0.0, 0}}, true};
        simulateStep(scene, kTimeStep);
        scene.input = {{false, 10.0, Vec3{0.0, 1.0, 0.0, 0}}, false};
        simulateStep(scene, kTimeStep);
    });
    const TreeModel& model = scene.tree;
    for (int i = 0; i < model.branchCount; ++i)
        for (int k = 0; k < model.branches[i].pointCount; ++k) ASSERT_TRUE(std::isfinite(model.branches[i].points[k].x));
    for (int i = 0; scene.grass.blades && i < scene.grass.bladeCount; ++i)
        ASSERT_TRUE(std::isfinite(scene.grass.blades[i].centre[4].y));
}

// Token start offsets of a text (where a cut leaves a whole number of tokens).
std::vector<size_t> tokenStarts(const std::string& text)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i)
        if (!std::isspace(static_cast<unsigned char>(text[i])) && (i == 0 || std::isspace(static_cast<unsigned char>(text[i - 1]))))
            starts.push_back(i);
    return starts;
}

// ---- Tree model -------------------------------------------------------------

std::string treeWith(const std::function<void(std::vector<TreeRow>&)>& edit)
{
    auto rows = defaultTreeRows();
    edit(rows);
    return treeText(rows);
}

class BadTree : public testing::TestWithParam<TextCase> {};

TEST_P(BadTree, RefusedWithItsMessageAndLeavesNoBranches)
{
    const TextCase& c = GetParam();
    auto model = motion_scene::makeScene();
    motion_scene::buildNoise(model->wind, 4);
    motion_scene::buildGrass(model->grass, 20);
    const ScratchFile path(c.text());
    const Output run = capture([&] { return loadTreeModel(model->tree, path.c_str()); });
    EXPECT_FALSE(run.ok);
    EXPECT_NE((run.out + run.err).find(c.expected), std::string::npos) << run.out << run.err;
    // The notice and a line naming the file, or one console line: not a flood.
    EXPECT_LE(std::count(run.out.begin(), run.out.end(), '\n') + std::count(run.err.begin(), run.err.end(), '\n'), 2);
    EXPECT_NE(run.out.find(path.path()), std::string::npos) << run.out;
    expectTreeEmpty(model->tree);
    stepTwice(*model);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadTree,
    testing::Values(
        TextCase{"Empty", [] { return std::string(); }, "line 1: the file is empty"},
        TextCase{"Garbage", [] { return kGarbage; }, "line 1: the first line is not \"RowMax=322\""},
        TextCase{"HeaderOnly", [] { return std::string("RowMax=322\n"); }, "row 0: the file ends"},
        TextCase{"RowMaxHuge", [] { return treeText(defaultTreeRows(), "RowMax=2147483648"); }, "File size is wrong!"},
        TextCase{"RowMaxNegative", [] { return treeText(defaultTreeRows(), "RowMax=-322"); }, "File size is wrong!"},
        TextCase{"PointsHuge", [] { return treeWith([](auto& r) { r[5].n = "2147483648"; }); },
                 "row 5: N=2147483647 is outside 2..40"},
        TextCase{"PointsNegative", [] { return treeWith([](auto& r) { r[0].n = "-2147483648"; }); },
                 "row 0: N=-2147483648 is outside 2..40"},
        TextCase{"PointsOne", [] { return treeWith([](auto& r) { r[321].n = "1"; }); }, "row 321: N=1"},
        TextCase{"ChildrenHuge", [] { return treeWith([](auto& r) { r[9].m = "2147483647"; }); },
                 "row 9: M=2147483647 is outside"},
        TextCase{"ChildIndexHuge",
                 [] { return treeWith([](auto& r) { r[3].children[0].first = "4294967296"; }); },
                 "row 3: child index 2147483647 is outside 0..321"},
        TextCase{"ChildIndexBackwards", [] { return treeWith([](auto& r) { r[3].children[0].first = "2"; }); },
                 "row 3: child index 2 is not greater"},
        TextCase{"AttachHuge", [] { return treeWith([](auto& r) { r[1].children[1].second = "99999999999"; }); },
                 "row 1: attach point 2147483647"},
        TextCase{"NotANumber", [] { return treeWith([](auto& r) { r[200].points[2][1] = "NaN"; }); },
                 "line 202, row 200: \"NaN\" is not a finite number"},
        TextCase{"Infinite", [] { return treeWith([](auto& r) { r[0].points[0][3] = "inf"; }); },
                 "not a finite number"},
        TextCase{"Overflowing", [] { return treeWith([](auto& r) { r[7].points[1][0] = "1e999"; }); },
                 "not a finite number"}),
    caseName<TextCase>);

// Cut at every token of the first two rows, inside the last row, and across
// the whole file: always "ends before the row is complete", never a half tree.
TEST(BadTreeCut, EveryCutIsRefused)
{
    const std::string full = treeText(defaultTreeRows());
    const std::vector<size_t> starts = tokenStarts(full);
    std::vector<size_t> cuts;
    for (size_t t = 1; t < 40 && t < starts.size(); ++t) cuts.push_back(starts[t]);
    for (size_t t = starts.size() - 30; t < starts.size(); ++t) cuts.push_back(starts[t]);
    for (size_t at = 11; at < full.size(); at += 331) cuts.push_back(at);
    auto model = motion_scene::makeScene();
    for (size_t cut : cuts) {
        const ScratchFile path(full.substr(0, cut));
        const Output run = capture([&] { return loadTreeModel(model->tree, path.c_str()); });
        ASSERT_FALSE(run.ok) << "cut at " << cut;
        // A cut inside the last number of a point still reads a number: then
        // only a later token is missing. Either way the row is incomplete.
        ASSERT_NE(run.out.find("the file ends before the row is complete"), std::string::npos)
            << "cut at " << cut << ": " << run.out;
        ASSERT_EQ(model->tree.branchCount, 0) << "cut at " << cut;
    }
    // The uncut file loads, so the cuts above were the only fault.
    const ScratchFile path(full);
    EXPECT_TRUE(capture([&] { return loadTreeModel(model->tree, path.c_str()); }).ok);
    stepTwice(*model);
}

// ---- Leaf model -------------------------------------------------------------

std::string validLeafText()
{
    std::string text = "PetioleVerNum=6 LeafVerNum=77 LeafFacesNum=95\n";
    for (int k = 0; k < kPetiolePoints; ++k) text += std::to_string(k) + " 0 " + std::to_string(0.1 * k) + " 0.2 0.04\n";
    for (int k = 0; k < kBladeVertices; ++k)
        text += std::to_string(k) + " " + std::to_string(std::cos(k * 0.0816)) + " " + std::to_string(2 + std::sin(k * 0.0816)) +
                " 0 0.5 0.5\n";
    for (int k = 0; k < kBladeFaces; ++k)
        text += std::to_string(k) + " " + std::to_string(k % 77) + " " + std::to_string((k + 1) % 77) + " " +
                std::to_string((k + 38) % 77) + "\n";
    return text;
}

// Replaces line `line` (0 = header) of the valid leaf file.
std::string leafWithLine(int line, const std::string& replacement)
{
    std::string text = validLeafText();
    size_t begin = 0;
    for (int i = 0; i < line; ++i) begin = text.find('\n', begin) + 1;
    const size_t end = text.find('\n', begin);
    return text.replace(begin, end - begin, replacement);
}

class BadLeaf : public testing::TestWithParam<TextCase> {};

TEST_P(BadLeaf, RefusedAndTemplateUntouched)
{
    const TextCase& c = GetParam();
    LeafTemplate tmpl;
    tmpl.bladeFaces[3][1] = 42; // must survive the refusal
    tmpl.petioleVertices[2] = {1.0, 2.0, 3.0, 0};
    const ScratchFile path(c.text());
    const Output run = capture([&] { return loadLeafModel(std::fopen(path.c_str(), "r"), tmpl); });
    EXPECT_FALSE(run.ok);
    EXPECT_NE((run.out + run.err).find(c.expected), std::string::npos) << run.out << run.err;
    EXPECT_EQ(tmpl.bladeFaces[3][1], 42);
    EXPECT_EQ(tmpl.petioleVertices[2].y, 2.0);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadLeaf,
    testing::Values(
        TextCase{"Empty", [] { return std::string(); }, "Loading: File format is error!"},
        TextCase{"Garbage", [] { return kGarbage; }, "Loading: File format is error!"},
        TextCase{"CountsHuge",
                 [] { return leafWithLine(0, "PetioleVerNum=6 LeafVerNum=2147483648 LeafFacesNum=95"); },
                 "File format is error!"},
        TextCase{"HeaderOnly", [] { return std::string("PetioleVerNum=6 LeafVerNum=77 LeafFacesNum=95\n"); },
                 "line 2: file ends before the last face"},
        TextCase{"CutInPetiole", [] { return validLeafText().substr(0, validLeafText().find("\n3 ")); },
                 "file ends before the last face"},
        TextCase{"CutInBlade", [] { return validLeafText().substr(0, validLeafText().find("\n40 ")); },
                 "file ends before the last face"},
        TextCase{"CutInFaces", [] { return validLeafText().substr(0, validLeafText().rfind("\n94 ")); },
                 "file ends before the last face"},
        TextCase{"FaceIndexHuge", [] { return leafWithLine(1 + 6 + 77 + 7, "7 1 2 2147483647"); },
                 "face vertex 2147483647 outside 0..76"},
        TextCase{"FaceIndexNegative", [] { return leafWithLine(1 + 6 + 77, "0 -1 2 3"); }, "face vertex -1 outside"},
        TextCase{"FaceIndexOneTooFar", [] { return leafWithLine(1 + 6 + 77 + 94, "94 77 2 3"); },
                 "face vertex 77 outside"},
        TextCase{"PetioleNotANumber", [] { return leafWithLine(2, "1 0 nan 0.2 0.04"); }, "not a finite number"},
        TextCase{"RadiusInfinite", [] { return leafWithLine(6, "5 0 0 0.2 inf"); }, "not a finite number"},
        TextCase{"BladeOverflowing", [] { return leafWithLine(1 + 6 + 30, "30 1e60 0 0 0.5 0.5"); },
                 "not a finite number"},
        TextCase{"TexCoordNotANumber", [] { return leafWithLine(1 + 6 + 76, "76 0 1 0 NAN 0.5"); },
                 "not a finite number"}),
    caseName<TextCase>);

TEST(BadLeafFile, ValidTextLoads)
{
    LeafTemplate tmpl;
    const ScratchFile path(validLeafText());
    EXPECT_TRUE(capture([&] { return loadLeafModel(std::fopen(path.c_str(), "r"), tmpl); }).ok);
}

// ---- Noise grids ------------------------------------------------------------

std::string gridText(const std::string& dims, int values)
{
    std::string text = dims + "\n";
    for (int i = 0; i < values; ++i) text += std::to_string(0.01 * ((i * 37) % 101)) + (i % 8 == 7 ? "\n" : " ");
    return text;
}

class BadNoise : public testing::TestWithParam<TextCase> {};

// The faulty grid is the v file: u loads, v is refused, w is never read.
TEST_P(BadNoise, RefusedAndWindStaysEmpty)
{
    const TextCase& c = GetParam();
    auto model = motion_scene::makeScene();
    motion_scene::buildGrass(model->grass, 10);
    const ScratchFile good(gridText("3 3 3", 27));
    const ScratchFile bad(c.text());
    const Output run = capture([&] { return loadWindField(model->wind, good.c_str(), bad.c_str(), good.c_str()); });
    EXPECT_FALSE(run.ok);
    EXPECT_NE(run.out.find(c.expected), std::string::npos) << run.out;
    // The fixed line and one naming the v file, never its good neighbour.
    EXPECT_LE(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
    EXPECT_NE(run.out.find(bad.path()), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(good.path()), std::string::npos) << run.out;
    for (const NoiseField* f : {&model->wind.u, &model->wind.v, &model->wind.w}) {
        EXPECT_EQ(f->size, 0);
        EXPECT_EQ(f->values, nullptr);
    }
    stepTwice(*model);
    // Without grids the cursors stay put.
    EXPECT_EQ(model->wind.u.offset[2], 0.0);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadNoise,
    testing::Values(TextCase{"Empty", [] { return std::string(); }, "Dimension error!"},
                    TextCase{"Garbage", [] { return kGarbage; }, "Dimension error!"},
                    TextCase{"Unequal", [] { return gridText("3 3 2", 27); }, "Dimension error!"},
                    TextCase{"DimensionHuge", [] { return gridText("1048576 1048576 1048576", 8); },
                              "Noise grid size 1048576 is outside 1..128!"},
                    TextCase{"DimensionOverflow", [] { return gridText("2147483648 2147483648 2147483648", 8); },
                              "Noise grid size 2147483647 is outside"},
                    TextCase{"DimensionNegative", [] { return gridText("-2 -2 -2", 8); }, "outside 1..128"},
                    TextCase{"DimensionZero", [] { return gridText("0 0 0", 0); }, "outside 1..128"},
                    TextCase{"CutInValues", [] { return gridText("3 3 3", 26); }, "the file ends after 26 values, 27 expected"},
                    TextCase{"CutAfterDimensions", [] { return gridText("3 3 3", 0); }, "line 2: the file ends after 0 values"},
                    TextCase{"NotANumber",
                              [] {
                                  std::string t = gridText("3 3 3", 27);
                                  return t.replace(t.find('\n') + 1, 0, "nan ");
                              },
                              "line 2: \"nan\" is not a finite number"},
                    TextCase{"Infinite", [] { return std::string("2 2 2\n0 1 inf 0 1 0 1 0\n"); },
                              "line 2: \"inf\" is not a finite number"},
                    TextCase{"AllEqual", [] { return std::string("2 2 2\n5 5 5 5 5 5 5 5\n"); }, "no spread of values"}),
    caseName<TextCase>);

TEST(BadNoiseFile, MissingFileNamesTheFault)
{
    auto model = motion_scene::makeScene();
    const Output run = capture([&] { return loadWindField(model->wind, "./no/such/grid.txt", "x", "y"); });
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.out, "File was not found!\n./no/such/grid.txt: No such file or directory\n");
}

// ---- Grass field ------------------------------------------------------------

std::string grassText(const std::string& header, int blades)
{
    std::string text = header + "\n12 12 0.4 50 50 2\n";
    for (int b = 0; b < blades; ++b)
        for (int j = 0; j < 5; ++j)
            text += "0.02 " + std::to_string(b) + " " + std::to_string(0.1 * j) + " 0.5  0.7 -0.2 0.6  0.6 0 -0.7\n";
    return text;
}

class BadGrass : public testing::TestWithParam<TextCase> {};

TEST_P(BadGrass, RefusedAndFieldEmpty)
{
    const TextCase& c = GetParam();
    auto model = motion_scene::makeScene();
    motion_scene::buildNoise(model->wind, 4);
    motion_scene::buildGrass(model->grass, 30); // an earlier field: a failed reload empties it
    const ScratchFile path(c.text());
    const Output run = capture([&] { return loadGrassFile(model->grass, path.c_str(), model->random); });
    EXPECT_FALSE(run.ok);
    EXPECT_NE(run.out.find(c.expected), std::string::npos) << run.out;
    // The fault's line, and at most one naming the file's line.
    EXPECT_LE(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
    EXPECT_EQ(model->grass.bladeCount, 0);
    EXPECT_EQ(model->grass.blades, nullptr);
    stepTwice(*model);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadGrass,
    testing::Values(
        TextCase{"Empty", [] { return std::string(); }, ""},
        TextCase{"Garbage", [] { return kGarbage; }, ""},
        TextCase{"FourLevels", [] { return grassText("2 4", 2); }, ""},
        TextCase{"CountHuge", [] { return grassText("2147483647 5", 2); }, "Grass blade count 2147483647 is outside"},
        TextCase{"CountOverflow", [] { return grassText("2147483648 5", 2); }, "is outside 1.."},
        TextCase{"CountNegative", [] { return grassText("-5 5", 2); }, "Grass blade count -5 is outside"},
        // Within the cap, yet far more blades than the file holds: refused
        // before a million records are built.
        TextCase{"CountBeyondTheFile", [] { return grassText("1000000 5", 2); }, "too short for 1000000 blades"},
        TextCase{"CutInHeader", [] { return std::string("2 5\n12 12 0.4"); }, "too short for 2 blades"},
        TextCase{"CutInSecondBlade", [] { return grassText("2 5", 2).substr(0, 400); }, "line 11: the file ends"},
        TextCase{"OneBladeMissing", [] { return grassText("3 5", 2); }, "line 13: the file ends before the last blade"},
        TextCase{"NotANumber",
                  [] {
                      std::string t = grassText("2 5", 2);
                      return t.replace(t.find("0.7 -0.2"), 3, "nan");
                  },
                  "line 3: \"nan\" is not a finite number"},
        TextCase{"WidthInfinite",
                  [] {
                      std::string t = grassText("2 5", 2);
                      return t.replace(t.rfind("0.02 "), 4, "-inf");
                  },
                  "line 12: \"-inf\" is not a finite number"}),
    caseName<TextCase>);

TEST(BadGrassFile, ValidTextLoadsAndMissingFileIsRefused)
{
    auto model = motion_scene::makeScene();
    const ScratchFile path(grassText("2 5", 2));
    EXPECT_TRUE(capture([&] { return loadGrassFile(model->grass, path.c_str(), model->random); }).ok);
    EXPECT_EQ(model->grass.bladeCount, 2);
    EXPECT_FALSE(capture([&] { return loadGrassFile(model->grass, "./no/such/grass.txt", model->random); }).ok);
    EXPECT_EQ(model->grass.bladeCount, 0);
}

// ---- One value changed in a good file ---------------------------------------

enum class Reader { tree, leaf, noise, grass };

struct EditCase {
    const char* name;
    Reader reader;
    std::function<std::string()> text; // a good file with one value changed
    bool loads;                        // true where the load goes on with a warning
    const char* expected;              // follows "<path>" on the line that names the file
};

Output loadWith(Reader reader, const std::string& path)
{
    auto scene = motion_scene::makeScene();
    const ScratchFile good(gridText("3 3 3", 27));
    Output run = capture([&] {
        switch (reader) {
        case Reader::tree: return loadTreeModel(scene->tree, path.c_str());
        case Reader::leaf: return loadLeafModel(std::fopen(path.c_str(), "r"), scene->leafTemplate, path.c_str());
        case Reader::noise: return loadWindField(scene->wind, good.c_str(), path.c_str(), good.c_str());
        case Reader::grass: return loadGrassFile(scene->grass, path.c_str(), scene->random);
        }
        return false;
    });
    return run;
}

class OneValueEdit : public testing::TestWithParam<EditCase> {};

TEST_P(OneValueEdit, RefusedOrWarnedNamingFileAndLine)
{
    const EditCase& c = GetParam();
    const ScratchFile path(c.text());
    const Output run = loadWith(c.reader, path.path());
    EXPECT_EQ(run.ok, c.loads);
    EXPECT_NE(run.out.find(path.path() + c.expected), std::string::npos) << run.out << run.err;
}

std::string gridWith(const std::string& value)
{
    std::string t = gridText("3 3 3", 27);
    const size_t at = t.find('\n', t.find('\n') + 1) + 1; // first value of the second row of values
    return t.replace(at, t.find(' ', at) - at, value);
}

std::string grassWith(const std::string& value)
{
    std::string t = grassText("2 5", 2);
    return t.replace(t.find("0.7 -0.2", t.find("\n0.02 1 ")), 3, value); // blade 1, level 0 (line 8), U.x
}

INSTANTIATE_TEST_SUITE_P(
    Files, OneValueEdit,
    testing::Values(
        EditCase{"TreeHuge", Reader::tree, [] { return treeWith([](auto& r) { r[7].points[1][0] = "1e300"; }); }, false,
                 ", line 9, row 7: \"1e300\" is not a finite number that fits a 32-bit float"},
        EditCase{"TreeInf", Reader::tree, [] { return treeWith([](auto& r) { r[7].points[1][3] = "inf"; }); }, false,
                 ", line 9, row 7: \"inf\" is not a finite"},
        EditCase{"TreeNan", Reader::tree, [] { return treeWith([](auto& r) { r[8].points[0][1] = "nan"; }); }, false,
                 ", line 10, row 8: \"nan\" is not a finite"},
        EditCase{"TreeWord", Reader::tree, [] { return treeWith([](auto& r) { r[5].n = "abc"; }); }, false,
                 ", line 7, row 5: \"abc\" is not a number"},
        EditCase{"TreeTwoDots", Reader::tree, [] { return treeWith([](auto& r) { r[6].points[0][2] = "1.2.3"; }); },
                 false, ", line 8, row 6: \"1.2.3\" is not a number"},
        EditCase{"TreeColour", Reader::tree, [] { return treeWith([](auto& r) { r[3].colour = "purple"; }); }, true,
                 ", line 5, row 3: unknown colour word \"purple\", the row keeps class 0"},
        EditCase{"LeafHuge", Reader::leaf, [] { return leafWithLine(2, "1 0 1e300 0.2 0.04"); }, false,
                 ", line 3: \"1e300\" is not a finite number"},
        EditCase{"LeafNan", Reader::leaf, [] { return leafWithLine(20, "12 0 nan 0 0.5 0.5"); }, false,
                 ", line 21: \"nan\" is not a finite"},
        EditCase{"LeafWord", Reader::leaf, [] { return leafWithLine(12, "5 abc 0 0 0.5 0.5"); }, false,
                 ", line 13: \"abc\" is not a number"},
        EditCase{"LeafTwoDots", Reader::leaf, [] { return leafWithLine(86, "2 1.2.3 4 5"); }, false,
                 ", line 87: \"1.2.3\" is not a number"},
        EditCase{"LeafShortLine", Reader::leaf, [] { return leafWithLine(4, "3 0 0.3"); }, false,
                 ", line 5: 3 numbers on the line, 5 expected"},
        EditCase{"NoiseHuge", Reader::noise, [] { return gridWith("1e300"); }, false, ", line 3: \"1e300\" is not a finite"},
        EditCase{"NoiseInf", Reader::noise, [] { return gridWith("-inf"); }, false, ", line 3: \"-inf\" is not a finite"},
        EditCase{"NoiseWord", Reader::noise, [] { return gridWith("abc"); }, false, ", line 3: \"abc\" is not a number"},
        EditCase{"NoiseTwoDots", Reader::noise, [] { return gridWith("1.2.3"); }, false, ", line 3: \"1.2.3\" is not a"},
        EditCase{"GrassHuge", Reader::grass, [] { return grassWith("1e300"); }, false, ", line 8: \"1e300\" is not a finite"},
        EditCase{"GrassNan", Reader::grass, [] { return grassWith("nan"); }, false, ", line 8: \"nan\" is not a finite"},
        EditCase{"GrassWord", Reader::grass, [] { return grassWith("abc"); }, false, ", line 8: \"abc\" is not a number"},
        EditCase{"GrassTwoDots", Reader::grass, [] { return grassWith("1.2.3"); }, false, ", line 8: \"1.2.3\" is not a"},
        // Fewer blades announced than written: not a field of the first few.
        EditCase{"GrassCountLow", Reader::grass, [] { return grassText("1 5", 2); }, false,
                 ", line 8: numbers go on after the 1 blades the header announces"},
        EditCase{"GrassCountHigh", Reader::grass, [] { return grassText("3 5", 3).substr(0, grassText("3 5", 2).size()); },
                 false, ", line 13: the file ends before the last blade the header announces"}),
    caseName<EditCase>);

// ---- Paths that are not regular files --------------------------------------

// A FIFO (which would block an open until a writer came), a symlink loop and
// a directory: every reader refuses at once with the system's reason. Root
// reads any mode bits, so these stand in for "Permission denied".
TEST(DataPath, NotARegularFileIsRefusedAtOnceWithTheReason)
{
    const std::string dir = ::testing::TempDir() + "arborvane_paths_" + std::to_string(::getpid());
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    const std::string fifo = dir + "/fifo", loop = dir + "/loop", folder = dir + "/folder";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("loop", loop.c_str()), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::pair<std::string, std::string> paths[] = {
        {fifo, ": not a regular file"}, {loop, ": Too many levels of symbolic links"}, {folder, ": Is a directory"}};
    for (const auto& [path, reason] : paths) {
        for (Reader reader : {Reader::tree, Reader::noise, Reader::grass}) {
            const Output run = loadWith(reader, path);
            EXPECT_FALSE(run.ok);
            EXPECT_NE(run.out.find(path + reason + "\n"), std::string::npos) << run.out;
        }
        BmpImage image;
        std::string error;
        EXPECT_FALSE(readBmpFile(path.c_str(), image, &error));
        EXPECT_EQ(": " + error, reason);
    }
    // The leaf file is opened by the scene loader, which hands the reader a stream.
    const std::string leafPath = dir + "/tree/poplar_leaf.txt";
    ASSERT_EQ(::mkdir((dir + "/tree").c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(leafPath.c_str(), 0600), 0);
    auto scene = motion_scene::makeScene();
    const Output leaf = capture([&] { return loadScene(*scene, dir).leaf; });
    EXPECT_FALSE(leaf.ok);
    EXPECT_NE(leaf.err.find(leafPath + ": File was not found!\n"), std::string::npos) << leaf.err;
    EXPECT_NE(leaf.out.find(leafPath + ": not a regular file\n"), std::string::npos) << leaf.out;
    for (const std::string& gone : {leafPath, dir + "/tree", fifo, loop, folder, dir}) ::remove(gone.c_str());
}

TEST(DataPath, UnreadableFileSaysPermissionDenied)
{
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file; the symlink loop case stands in for it";
    const ScratchFile path(treeText(defaultTreeRows()));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    const Output run = loadWith(Reader::tree, path.path());
    EXPECT_FALSE(run.ok);
    EXPECT_NE(run.out.find(path.path() + ": Permission denied\n"), std::string::npos) << run.out;
}

} // namespace
