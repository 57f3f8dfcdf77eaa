#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "motion_scene.h"
#include "support/console.h"
#include "support/scratch_file.h"
#include "wind/noise_field.h"

namespace {

// A grid file of edge n whose value at index i is value(i).
template <typename F>
std::string gridText(int n, F value)
{
    std::string text = std::to_string(n) + " " + std::to_string(n) + " " + std::to_string(n) + "\n";
    for (int i = 0; i < n * n * n; ++i) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g ", value(i));
        text += buf;
    }
    return text;
}

struct Load {
    bool ok = false;
    std::string out;
    std::unique_ptr<double[]> values;
    int32_t size = 0; // n as read from the header
};

Load loadText(Scene&, const std::string& text)
{
    const ScratchFile file(text);
    Load run;
    run.out = captureConsole([&] { run.ok = loadNoiseFile(file.c_str(), run.values, run.size); }).out;
    return run;
}

// A field of edge n whose value encodes its grid index.
NoiseField indexField(int n)
{
    NoiseField f;
    f.size = n;
    f.values.reset(new double[n * n * n]);
    for (int i = 0; i < n * n * n; ++i) f.values[i] = i * 0.001 + 0.25;
    return f;
}

} // namespace

TEST(NoiseFile, RescalesToUnitRange)
{
    auto model = motion_scene::makeScene();
    // 2..6 become 0..1; the extremes are held as floats.
    const double raw[8] = {2, 4, 6, 3, 5, 2.5, 4, 6};
    const Load run = loadText(*model, gridText(2, [&](int i) { return raw[i]; }));
    ASSERT_TRUE(run.ok) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.size, 2);
    EXPECT_EQ(run.values[0], 0.0);
    EXPECT_EQ(run.values[1], 0.5);
    EXPECT_EQ(run.values[2], 1.0);
    EXPECT_EQ(run.values[3], 0.25);
    EXPECT_EQ(run.values[5], 0.125);
}

TEST(NoiseFile, RejectsBadFiles)
{
    auto model = motion_scene::makeScene();
    struct Case {
        std::string text;
        std::string line;
    };
    const auto ramp = [](int i) { return 0.1 * i; };
    std::string cut = gridText(3, ramp);
    cut.resize(cut.size() / 2);
    std::string nan = gridText(2, ramp);
    nan.replace(nan.find("0.10000000000000001"), 19, "nan");
    const Case cases[] = {
        {"32 32 16\n1 2 3", "Dimension error!\n"},
        {"8 4 8\n1 2 3", "8 4 8 are not all equal"},
        {"8 8 4\n1 2 3", "8 8 4 are not all equal"},
        {"4 4", "Dimension error!\n"},
        {gridText(2, [](int) { return 0.7; }), "no spread"},
        {cut, "values, 27 expected"},
        {nan, "line 2: \"nan\" is not a finite number"},
        {"0 0 0\n", "outside 1..128"},
        {"-3 -3 -3\n1 2", "outside 1..128"},
        {"100000 100000 100000\n1 2", "outside 1..128"},
        // Each end of the size range: 1 and 128 pass the size check and fail later, 129 does not.
        {"1 1 1\n0.5", "no spread"},
        {"128 128 128\n1 2", "values, 2097152 expected"},
        {"129 129 129\n1 2", "outside 1..128"},
    };
    for (const Case& c : cases) {
        const Load run = loadText(*model, c.text);
        EXPECT_FALSE(run.ok) << c.text.substr(0, 40);
        EXPECT_NE(run.out.find(c.line), std::string::npos) << run.out;
        EXPECT_FALSE(run.values);
    }
    std::unique_ptr<double[]> values;
    int32_t size = 0;
    const Console missing = captureConsole([&] { EXPECT_FALSE(loadNoiseFile("/nonexistent/grid.txt", values, size)); });
    EXPECT_EQ(missing.out, "File was not found!\n/nonexistent/grid.txt: No such file or directory\n");
}

TEST(NoiseFile, WindFieldLoadsThreeGridsOrNone)
{
    auto model = motion_scene::makeScene();
    const ScratchFile u(gridText(3, [](int i) { return i * 1.0; }));
    const ScratchFile v(gridText(3, [](int i) { return i * 2.0; }));
    const ScratchFile w(gridText(3, [](int i) { return -i * 1.0; }));
    const ScratchFile bad("3 3 2\n");
    model->wind.u.offset[0] = 1.5; // the cursor keeps its place

    const Console refused = captureConsole([&] { EXPECT_FALSE(loadWindField(model->wind, u.c_str(), bad.c_str(), w.c_str())); });
    EXPECT_EQ(refused.out, "Dimension error!\n" + bad.path() + ", line 1: dimensions 3 3 2 are not all equal\n");
    EXPECT_EQ(model->wind.u.size, 0);
    EXPECT_FALSE(model->wind.u.values);

    ASSERT_TRUE(loadWindField(model->wind, u.c_str(), v.c_str(), w.c_str()));
    for (const NoiseField* f : {&model->wind.u, &model->wind.v, &model->wind.w}) {
        EXPECT_EQ(f->size, 3);
        ASSERT_TRUE(f->values);
        EXPECT_EQ(f->speed[0], 0.1);
        EXPECT_EQ(f->speed[1], 1.0);
        EXPECT_EQ(f->speed[2], 0.3);
    }
    EXPECT_EQ(model->wind.u.offset[0], 1.5);
    EXPECT_EQ(model->wind.u.values[26], 1.0);
    EXPECT_EQ(model->wind.w.values[0], 1.0);
    EXPECT_EQ(model->wind.w.values[26], 0.0);
}

TEST(NoiseSample, CornerWrapsToFirstValue)
{
    const NoiseField f = indexField(32);
    EXPECT_EQ(sampleNoise(f, 0, 0, 0), f.values[0]);
    // Index n wraps to 0 on every axis.
    EXPECT_EQ(noiseValue(f, 32, 32, 32), f.values[0]);
    EXPECT_EQ(noiseValue(f, 1, 32, 2), noiseValue(f, 1, 0, 2));
    EXPECT_EQ(noiseValue(f, 1, 2, 3), f.values[(1 * 32 + 2) * 32 + 3]);
}

TEST(NoiseSample, PlaneBeyondLastWrapsToPlaneZero)
{
    const NoiseField f = indexField(32);
    const double a = interpolateNoise(f, 31.0, 4.0, 5.0);
    const double b = interpolateNoise(f, 0.0, 4.0, 5.0);
    EXPECT_EQ(a, noiseValue(f, 31, 4, 5));
    EXPECT_EQ(interpolateNoise(f, 31.5, 4.0, 5.0), a + (b - a) * 0.5);
}

TEST(NoiseSample, TrilinearWeightsInOrder)
{
    const NoiseField f = indexField(4);
    const double x = 1.25, y = 2.5, z = 0.75;
    const double fy = 0.5, fz = 0.75, fx = 0.25;
    const double w0 = fy * (1 - fz), w1 = (1 - fy) * (1 - fz), w2 = (1 - fy) * fz, w3 = fy * fz;
    auto plane = [&](int ix) {
        return ((noiseValue(f, ix, 3, 0) * w0 + noiseValue(f, ix, 2, 0) * w1) + noiseValue(f, ix, 2, 1) * w2) +
               noiseValue(f, ix, 3, 1) * w3;
    };
    const double a = plane(1), b = plane(2);
    EXPECT_EQ(interpolateNoise(f, x, y, z), a + (b - a) * fx);
    // The cursor shifts the sample: offset 1 in x moves one plane back.
    NoiseField shifted = indexField(4);
    shifted.offset[0] = 1.0;
    EXPECT_EQ(sampleNoise(shifted, 2.0 / 3.0, 0, 0), sampleNoise(f, 1.0 / 3.0, 0, 0));
}

TEST(NoiseSample, OutOfBoundsLines)
{
    NoiseField f = indexField(32);
    f.offset[0] = 40.0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(sampleNoise(f, 0, 0, 0), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "-8\t32\t32\tOut of bounding 2\n");

    testing::internal::CaptureStdout();
    EXPECT_EQ(interpolateNoise(f, 32.0, 0, 0), 0.0);
    EXPECT_EQ(interpolateNoise(f, 1.0, -0.5, 0), 0.0);
    EXPECT_EQ(interpolateNoise(f, 1.0, 1.0, std::nan("")), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Out of bounding 1!\nOut of bounding 1!\nOut of bounding 1!\n");
    // Every face of the grid, each axis alone: just inside is read, just outside refused.
    const double below = std::nextafter(0.0, -1.0), last = std::nextafter(32.0, 0.0);
    for (int axis = 0; axis < 3; ++axis) {
        double p[3] = {5.0, 6.0, 7.0};
        for (const double edge : {0.0, last}) {
            p[axis] = edge;
            EXPECT_GT(interpolateNoise(f, p[0], p[1], p[2]), 0.0) << axis << " " << edge;
        }
        for (const double out : {below, 32.0}) {
            p[axis] = out;
            testing::internal::CaptureStdout();
            EXPECT_EQ(interpolateNoise(f, p[0], p[1], p[2]), 0.0) << axis << " " << out;
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "Out of bounding 1!\n");
        }
    }

    // A grid-less field is silent and gives 0.
    const NoiseField empty;
    testing::internal::CaptureStdout();
    EXPECT_EQ(sampleNoise(empty, 0.3, 0.4, 0.5), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(NoiseSample, LargeCursorsStayInRange)
{
    NoiseField f = indexField(8);
    f.offset[0] = -1e6; // far past one period: reduced modulo n
    f.offset[1] = -8.0;
    const double v = sampleNoise(f, 0.5, 0.5, 0.5);
    EXPECT_GE(v, 0.25);
    EXPECT_EQ(v, sampleNoise(indexField(8), 0.5, 0.5, 0.5));
}

TEST(NoiseSample, ThreeAtOnceMatchOneByOne)
{
    // Shared cursor, cursors apart, wrapped and refused points: always the
    // three single samples, bit for bit and with the same console lines.
    auto scaled = [](int n, double k) {
        NoiseField f = indexField(n);
        for (int i = 0; i < n * n * n; ++i) f.values[i] = std::fmod(f.values[i] * k, 1.0);
        return f;
    };
    WindField wind{scaled(8, 1.0), scaled(8, 3.7), scaled(8, 11.3)};
    const double points[][3] = {{0.1, 0.5, 0.9}, {1.0, 1.0, 1.0}, {0.0, 0.0, 0.0}, {0.33, 2.7, -0.4}, {-3.0, 0, 0}};
    for (int cursors = 0; cursors < 3; ++cursors) {
        for (NoiseField* f : {&wind.u, &wind.v, &wind.w}) f->offset[0] = f->offset[2] = 2.5 * cursors;
        if (cursors == 2) wind.w.offset[1] = 0.75;
        for (const auto& p : points) {
            double together[3];
            testing::internal::CaptureStdout();
            sampleWind(wind, p[0], p[1], p[2], together);
            const std::string lines = testing::internal::GetCapturedStdout();
            testing::internal::CaptureStdout();
            const double alone[3] = {sampleNoise(wind.u, p[0], p[1], p[2]), sampleNoise(wind.v, p[0], p[1], p[2]),
                                     sampleNoise(wind.w, p[0], p[1], p[2])};
            EXPECT_EQ(lines, testing::internal::GetCapturedStdout());
            for (int i = 0; i < 3; ++i) EXPECT_EQ(together[i], alone[i]) << cursors << " " << p[0] << " " << i;
        }
    }
}

TEST(NoiseFile, GeneratedGrids)
{
    auto model = motion_scene::makeScene();
    const std::string u = dataPath(kDefaultDataDir, kNoiseFileNames[0]);
    const std::string v = dataPath(kDefaultDataDir, kNoiseFileNames[1]);
    const std::string w = dataPath(kDefaultDataDir, kNoiseFileNames[2]);
    if (!std::ifstream(u)) GTEST_SKIP() << "no generated noise under ./data";
    ASSERT_TRUE(loadWindField(model->wind, u.c_str(), v.c_str(), w.c_str()));
    for (const NoiseField* f : {&model->wind.u, &model->wind.v, &model->wind.w}) {
        ASSERT_EQ(f->size, 32);
        double lo = 1, hi = 0;
        for (int i = 0; i < 32 * 32 * 32; ++i) {
            lo = std::min(lo, f->values[i]);
            hi = std::max(hi, f->values[i]);
        }
        // The extremes are float-rounded, so the ends may miss 0 and 1 by a float ulp.
        EXPECT_NEAR(lo, 0.0, 1e-6);
        EXPECT_NEAR(hi, 1.0, 1e-6);
    }
}
