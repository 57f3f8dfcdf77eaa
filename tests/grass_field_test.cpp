#include <gtest/gtest.h>

#include <string>

#include "motion_scene.h"
#include "support/console.h"
#include "support/scratch_file.h"
#include "platform/platform.h"
#include "grass/grass_field.h"

namespace {

// Two blades; the second one's root line is P = (1, 0, 2), V = (0, 0, 1), w = 0.1.
const char* const kTwoBlades =
    "2 5\n0 0 0 50 1 50\n"
    "0.2 0 0 0  1 0 0  0 0 1\n"
    "0.2 0 1 0  1 0 0  0 0 1\n"
    "0.2 0 2 0  1 0 0  0 0 1\n"
    "0.1 0 3 0  1 0 0  0 0 1\n"
    "0.0 0 4 0  1 0 0  0 0 1\n"
    "0.1 1 0 2  2 0 0  0 0 1\n"
    "0.1 1 1 2  0 0 2  0 1 1\n"
    "0.1 1 2 2  0 0 2  0 0 1\n"
    "0.1 1 3 2  0 0 2  0 0 1\n"
    "0.1 1 4 2  0 0 2  0 0 1\n";

struct Load {
    bool ok = false;
    std::string out;
};

Load loadText(Scene& model, const std::string& text, uint32_t seed = 1)
{
    Random random;
    random.seed(seed);
    const ScratchFile file(text);
    Load run;
    run.out = captureConsole([&] { run.ok = loadGrassFile(model.grass, file.c_str(), random); }).out;
    return run;
}

} // namespace

TEST(GrassFile, ReadsBladesWithDrawsInOrder)
{
    auto model = motion_scene::makeScene();
    const Load run = loadText(*model, kTwoBlades, 77);
    ASSERT_TRUE(run.ok) << run.out;
    ASSERT_EQ(model->grass.bladeCount, 2);
    EXPECT_EQ(model->grass.pointsPerBlade, 5);

    // Replay the generator: three per blade, then per blade one per level
    // and one for the texture.
    Random replay;
    replay.seed(77);
    double damping[2], frequency[2], stiffness[2];
    for (int b = 0; b < 2; ++b) {
        damping[b] = (2.0 * replay.next() / 32767.0 - 1.0) * 0.02 + 0.12;
        frequency[b] = (2.0 * replay.next() / 32767.0 - 1.0) * 0.2 + 1.2;
        stiffness[b] = (2.0 * replay.next() / 32767.0 - 1.0) * 0.1 + 1.0;
    }
    double widths[2][5];
    int textures[2];
    for (int b = 0; b < 2; ++b) {
        for (int j = 0; j < 5; ++j) widths[b][j] = 0.4 * replay.next() / 32767.0 + 0.6;
        textures[b] = replay.next() % 4;
    }
    for (int b = 0; b < 2; ++b) {
        const GrassBlade& g = model->grass.blades[b];
        EXPECT_EQ(g.dampingRatio, damping[b]);
        EXPECT_EQ(g.frequency, frequency[b]);
        EXPECT_EQ(g.stiffness, stiffness[b]);
        EXPECT_EQ(g.textureIndex, textures[b]);
        EXPECT_EQ(g.colour.x, 81.0 / 255.0);
        EXPECT_EQ(g.colour.y, 126.0 / 255.0);
        EXPECT_EQ(g.colour.z, 41.0 / 255.0);
    }
    const GrassBlade& g = model->grass.blades[1];
    EXPECT_EQ(g.centre[0].x, 1.5);
    EXPECT_EQ(g.centre[0].y, 0.0);
    EXPECT_EQ(g.centre[0].z, 3.0);
    EXPECT_EQ(g.centre[3].y, 4.5);
    const double w = 0.1f; // width kept in single precision
    EXPECT_EQ(g.edge[0].z, 3.0 + w * 1.5 * widths[1][0]);
    EXPECT_EQ(g.edge[0].x, 1.5);
    EXPECT_EQ(g.edge[1].y, 1.5 + w * 1.5 * widths[1][1]);
    // The root line alone gives the cross directions.
    EXPECT_EQ(g.baseU.x, 2.0);
    EXPECT_EQ(g.baseV.z, 1.0);
    EXPECT_EQ(g.baseNormal.y, -1.0);
    EXPECT_EQ(g.baseNormal.status, 0);
}

TEST(GrassFile, RejectedFilesLeaveNoField)
{
    auto model = motion_scene::makeScene();
    std::string cut = kTwoBlades;
    cut.resize(cut.size() - 30);
    std::string nan = kTwoBlades;
    nan.replace(nan.find("0.1 1 2 2"), 3, "nan");
    std::string inf = kTwoBlades;
    inf.replace(inf.find("0 0 50"), 2, "inf");
    struct Case {
        std::string text;
        std::string line;
    };
    const Case cases[] = {
        {"2 4\n0 0 0 0 0 0\n", "line 1: points per blade 4, 5 expected"},
        {"0 5\n", "outside 1..1000000"},
        {"-7 5\n", "outside 1..1000000"},
        {"2000000 5\n", "outside 1..1000000"},
        {cut, "the file ends before the last blade"},
        {nan, "is not a finite number"},
        {inf, "line 2: \"inf"},
        {"five 5", "line 1: \"five\" is not a number"},
    };
    for (const Case& c : cases) {
        // A loaded field is dropped by a failed reload.
        model->grass.blades.reset(new GrassBlade[3]);
        model->grass.bladeCount = 3;
        const Load run = loadText(*model, c.text);
        EXPECT_FALSE(run.ok) << c.text.substr(0, 20);
        EXPECT_EQ(model->grass.bladeCount, 0);
        EXPECT_FALSE(model->grass.blades);
        EXPECT_NE(run.out.find(c.line), std::string::npos) << run.out;
    }
    Random random;
    EXPECT_FALSE(loadGrassFile(model->grass, "/nonexistent/grass.txt", random));
    EXPECT_EQ(model->grass.bladeCount, 0);
}

TEST(GrassFile, SameStartStateSameField)
{
    auto a = motion_scene::makeScene();
    auto b = motion_scene::makeScene();
    ASSERT_TRUE(loadText(*a, kTwoBlades, 5).ok);
    ASSERT_TRUE(loadText(*b, kTwoBlades, 5).ok);
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 5; ++j) {
            EXPECT_EQ(a->grass.blades[i].edge[j].x, b->grass.blades[i].edge[j].x);
            EXPECT_EQ(a->grass.blades[i].edge[j].z, b->grass.blades[i].edge[j].z);
        }
}
