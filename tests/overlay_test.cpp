#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dynamics/simulation.h"
#include "motion_scene.h"
#include "view/frame_rate.h"
#include "view/overlay_text.h"

namespace {
using Lines = std::vector<std::string>;
}

TEST(Overlay, LinesAsTheWindowShowsThem)
{
    EXPECT_EQ(overlayLines({.fps = 0.0f, .triangles = 30904, .gale = true, .magnitude = 400.0}),
              (Lines{"FPS=0.00", "Number of triangles=30904", "Motion in the moderate gale, wind magnitude = 400.00"}));
    EXPECT_EQ(overlayLines({.fps = 59.996f, .triangles = 0, .gale = false, .magnitude = 10.0}),
              (Lines{"FPS=60.00", "Number of triangles=0", "Motion in the light breeze, wind magnitude = 10.00"}));
    // Narrower than the field width: no padding, two decimals.
    EXPECT_EQ(overlayLines({.fps = 1.5f, .triangles = 7, .gale = false, .magnitude = 0.0})[2],
              "Motion in the light breeze, wind magnitude = 0.00");
    EXPECT_EQ(overlayLines({.fps = 1.5f, .triangles = 7, .gale = true, .magnitude = 800.0})[2],
              "Motion in the moderate gale, wind magnitude = 800.00");
    // Saved frames carry no text.
    const OverlayFacts shown{.fps = 25.0f, .triangles = 30904, .gale = true, .magnitude = 400.0};
    OverlayFacts saved = shown;
    saved.capturing = true;
    EXPECT_TRUE(overlayLines(saved).empty());
    saved.realtime = true;
    EXPECT_TRUE(overlayLines(saved).empty());
    // Real-time pacing adds a fourth line.
    OverlayFacts paced = shown;
    paced.realtime = true;
    const Lines lines = overlayLines(paced);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "Real time");
}

TEST(Overlay, TriangleCountFollowsTheShadowFlag)
{
    auto scene = motion_scene::makeScene();
    // Unrefined, so the live branches still have the file's point counts.
    motion_scene::buildScene(*scene, 20, 50, 12345, false);
    const TreeModel* model = &scene->tree;
    // Committed totals of this scene's branches, with and without shadows.
    const long plain = 19608, shadowed = 24216;
    const Vec3 wind{1, 0, 0, 0};
    scene->input = {true, 400.0, wind, true};
    simulateStep(*scene, 0.05);
    EXPECT_EQ(overlayLines({.triangles = model->triangleCount, .magnitude = 400.0})[1],
              "Number of triangles=" + std::to_string(shadowed));
    scene->input.refine = false;
    simulateStep(*scene, 0.05);
    EXPECT_EQ(overlayLines({.triangles = model->triangleCount, .magnitude = 400.0})[1],
              "Number of triangles=" + std::to_string(plain));
}

namespace {
// Feeds frames at the given rates, one second of each, from `start`; returns
// every figure the counter shows after its first.
std::vector<float> figures(double start, std::vector<double> rates)
{
    FrameRateCounter counter;
    float fps = -1.0f;
    countFrame(counter, start, fps);
    EXPECT_EQ(overlayLines({.fps = fps, .magnitude = 400.0})[0], "FPS=0.00");
    std::vector<float> shown;
    for (size_t second = 0; second < rates.size(); ++second) {
        const int frames = static_cast<int>(rates[second]);
        for (int k = 1; k <= frames; ++k) {
            // The last frame of each second just past the whole second, so
            // each second ends in one update.
            const double end = k == frames ? 1e-5 * static_cast<double>(second + 1) : 0.0;
            const float before = fps;
            countFrame(counter, start + static_cast<double>(second) + k / rates[second] + end, fps);
            if (fps != before) shown.push_back(fps);
        }
    }
    return shown;
}
} // namespace

// One figure a second, the first at once; also 35 days in, past the wrap of a 32-bit millisecond clock.
TEST(FrameRate, FirstFigureAtOnceThenOncePerSecondEvenAfterWeeks)
{
    const struct {
        double start;              // clock at the first frame
        std::vector<double> rates; // frames in each second
    } runs[] = {{0.3, {20, 10, 25}}, {35.0 * 86400.0 + 0.123, {33, 40, 30}}};
    for (const auto& run : runs) {
        const std::vector<float> shown = figures(run.start, run.rates);
        ASSERT_EQ(shown.size(), run.rates.size()) << run.start;
        for (size_t i = 0; i < shown.size(); ++i) EXPECT_NEAR(shown[i], run.rates[i], 1e-3) << run.start << " " << i;
    }
}

TEST(FrameRate, ClockCountsFromProcessStart)
{
    const double a = secondsSinceStart();
    // This test binary started moments ago, whatever the machine's uptime.
    EXPECT_GE(a, 0.0);
    EXPECT_LT(a, 60.0);
    double b = a;
    while (b == a) b = secondsSinceStart();
    // Far finer than a frame.
    EXPECT_LT(b - a, 1e-4);
}
