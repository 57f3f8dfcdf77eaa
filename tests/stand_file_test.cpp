#include <gtest/gtest.h>

#include <string>

#include "scene/stand_file.h"

namespace {

// Every rule a stand file can break, one case each, with the field and problem
// the line must name. "data" is the test's working directory, which the build
// fills, so a folder of that name exists.
struct Refusal {
    const char* json;     // the whole file
    const char* expected; // "field: problem", after "s.json: "
};

const Refusal kRefusals[] = {
    {"[1]", "(top level): must be an object"},
    {"{\"trees\": [{\"data\": \"data\"}], \"forest\": 1}", "forest: unknown field"},
    {"{}", "trees: missing"},
    {"{\"trees\": {}}", "trees: must be a list of 1..64 trees"},
    {"{\"trees\": []}", "trees: must be a list of 1..64 trees"},
    {"{\"trees\": [3]}", "trees[0]: must be an object"},
    {"{\"trees\": [{\"data\": \"data\", \"height\": 2}]}", "trees[0].height: unknown field"},
    {"{\"trees\": [{\"seed\": 2}]}", "trees[0]: give either data (a folder) or preset"},
    {"{\"trees\": [{\"data\": \"data\", \"preset\": \"oak\"}]}", "trees[0]: give either data (a folder) or preset"},
    {"{\"trees\": [{\"data\": 5}]}", "trees[0].data: must be a folder name"},
    {"{\"trees\": [{\"data\": \"no-such-folder\"}]}", "trees[0].data: ./no-such-folder is not a folder"},
    {"{\"trees\": [{\"preset\": \"\"}]}", "trees[0].preset: must be the name of an arborvane-grow preset"},
    {"{\"trees\": [{\"data\": \"data\", \"grow_seed\": 2}]}", "trees[0].grow_seed: only goes with a preset"},
    {"{\"trees\": [{\"preset\": \"oak\", \"grow_seed\": -1}]}", "trees[0].grow_seed: must be a whole number in 0.."},
    {"{\"trees\": [{\"data\": \"data\", \"position\": [1]}]}", "trees[0].position: must be two numbers in -100..100"},
    {"{\"trees\": [{\"data\": \"data\", \"position\": [0, 100.5]}]}",
     "trees[0].position: must be two numbers in -100..100"},
    {"{\"trees\": [{\"data\": \"data\", \"turn\": \"east\"}]}", "trees[0].turn: must be a number in -360..360"},
    {"{\"trees\": [{\"data\": \"data\", \"turn\": 361}]}", "trees[0].turn: must be a number in -360..360"},
    {"{\"trees\": [{\"data\": \"data\", \"seed\": 4294967296}]}", "trees[0].seed: must be a whole number in 0..4294967295"},
    {"{\"trees\": [{\"data\": \"data\", \"seed\": 1.5}]}", "trees[0].seed: must be a whole number in 0..4294967295"},
    {"{\"trees\": [{\"data\": \"data\"}], \"grass\": 60}", "grass: must be an object"},
    {"{\"trees\": [{\"data\": \"data\"}], \"grass\": {\"extent\": [60, 40], \"height\": 1}}", "grass.height: unknown field"},
    {"{\"trees\": [{\"data\": \"data\"}], \"grass\": {}}", "grass.extent: missing"},
    {"{\"trees\": [{\"data\": \"data\"}], \"grass\": {\"extent\": [0, 40]}}", "grass.extent: must be two numbers in (0, 200]"},
    {"{\"trees\": [{\"data\": \"data\"}], ", "bad JSON: "},
};

TEST(StandFile, EveryRuleRefusesWithFileAndFieldAndLeavesTheStand)
{
    for (const Refusal& r : kRefusals) {
        StandFile stand;
        stand.grass = true; // a mark the refusal must leave
        std::string error;
        EXPECT_FALSE(parseStandFile(r.json, "s.json", ".", stand, error)) << r.json;
        EXPECT_EQ(error.rfind(std::string("s.json: ") + r.expected, 0), 0u) << r.json << "\n -> " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_TRUE(stand.grass && stand.trees.empty()) << r.json;
    }
    // 65 trees: one too many.
    std::string many = "{\"trees\": [";
    for (int i = 0; i <= kMaxStandTrees; ++i) many += std::string(i ? "," : "") + "{\"preset\": \"oak\"}";
    StandFile stand;
    std::string error;
    EXPECT_FALSE(parseStandFile(many + "]}", "s.json", ".", stand, error));
    EXPECT_EQ(error, "s.json: trees: must be a list of 1..64 trees");
    EXPECT_FALSE(loadStandFile("no-such-stand.json", stand, error));
    EXPECT_EQ(error.rfind("no-such-stand.json: cannot read the file: ", 0), 0u) << error;
}

TEST(StandFile, DefaultsAndFoldersFromTheFilesFolder)
{
    StandFile stand;
    std::string error;
    ASSERT_TRUE(parseStandFile(R"({"trees": [{"data": "data"},
        {"preset": "columnar", "grow_seed": 4, "position": [14, -3], "turn": 90, "seed": 2}],
        "grass": {"extent": [60, 40]}})", "s.json", ".", stand, error)) << error;
    ASSERT_EQ(stand.trees.size(), 2u);
    const StandTree& a = stand.trees[0];
    EXPECT_EQ(a.dataDir, "data");
    EXPECT_TRUE(a.preset.empty());
    EXPECT_EQ(a.seed, 1u);
    EXPECT_EQ(a.placement.x, 0.0);
    EXPECT_EQ(a.placement.z, 0.0);
    EXPECT_EQ(a.placement.turn, 0.0);
    const StandTree& b = stand.trees[1];
    EXPECT_TRUE(b.dataDir.empty());
    EXPECT_EQ(b.preset, "columnar");
    EXPECT_EQ(b.growSeed, 4u);
    EXPECT_EQ(b.placement.x, 14.0);
    EXPECT_EQ(b.placement.z, -3.0);
    EXPECT_EQ(b.placement.turn, 90.0);
    EXPECT_EQ(b.seed, 2u);
    EXPECT_TRUE(stand.grass);
    EXPECT_EQ(stand.grassExtent[0], 60.0);
    EXPECT_EQ(stand.grassExtent[1], 40.0);
    // A folder is found from the stand file's folder, not the working directory.
    EXPECT_FALSE(parseStandFile(R"({"trees": [{"data": "data"}]})", "s.json", "/nonexistent", stand, error));
    EXPECT_EQ(error, "s.json: trees[0].data: /nonexistent/data is not a folder");
}

} // namespace
