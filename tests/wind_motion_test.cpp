#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "dynamics/simulation.h"
#include "motion_scene.h"
#include "cli/wind_trace.h"
#include "wind/wind_schedule_file.h"

// Calm, a storm from 2.5 s to 5 s, calm again: the top swings in the storm and settles after.
TEST(WindMotion, TheTopMovesInTheStormAndSettlesAfter)
{
    auto scene = motion_scene::makeScene();
    if (!motion_scene::loadGeneratedScene(*scene)) GTEST_SKIP() << "no generated data under ./data";
    WindSchedule schedule;
    std::string error;
    ASSERT_TRUE(parseWindSchedule(R"({"keys": [{"time": 0, "preset": "calm"}, {"time": 2, "preset": "calm"},
        {"time": 2.5, "preset": "storm"}, {"time": 5, "preset": "storm"}, {"time": 5.5, "preset": "calm"}]})",
                                  "storm.json", schedule, error))
        << error;
    const TreeTip tip = findTreeTip(scene->tree);
    ASSERT_GE(tip.branch, 0);
    EXPECT_GT(scene->tree.restBranches[tip.branch].points[tip.point].y, 5.0); // near the top of an 11.4 high tree

    std::string trace = kWindTraceHeader;
    appendTraceRow(trace, 0, evaluateWind(schedule, 0.0), scene->tree, tip);
    double before = 0.0, storm = 0.0, after = 0.0;
    const int steps = 300; // 15 s
    for (int k = 1; k <= steps; ++k) {
        const WindSettings wind = evaluateWind(schedule, (k - 1) * kTimeStep);
        scene->input.wind = wind;
        simulateStep(*scene, kTimeStep);
        appendTraceRow(trace, k, wind, scene->tree, tip);
        const double offset = tipOffset(scene->tree, tip);
        const double t = k * kTimeStep;
        // 7..12 s: settling, not counted.
        if (t <= 2.0) before = std::max(before, offset);
        else if (t <= 7.0) storm = std::max(storm, offset);
        else if (t >= 12.0) after = std::max(after, offset);
    }
    EXPECT_GT(storm, 0.2);
    EXPECT_LT(before, 0.1 * storm);
    EXPECT_LT(after, 0.25 * storm);

    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), steps + 2);
    EXPECT_NE(trace.find("\n100,5.00,gale,800.000000,"), std::string::npos);
    std::ofstream(testing::TempDir() + "wind_motion_trace.csv") << trace; // for scripts/plot_trace.py by hand
}
