#include <gtest/gtest.h>

#include "view/realtime_pacing.h"

namespace {
constexpr double kStep = 0.05;
}

TEST(Pacing, WallClockPaysOutWholeSteps)
{
    RealtimePacer p;
    EXPECT_EQ(paceSteps(p, 100.0, kStep), 0) << "the first call only starts the clock";
    EXPECT_EQ(paceSteps(p, 100.03, kStep), 0);
    EXPECT_EQ(paceSteps(p, 100.06, kStep), 1) << "0.06 s banked";
    EXPECT_EQ(paceSteps(p, 100.105, kStep), 1) << "the 0.01 s left over counts";
    EXPECT_EQ(paceSteps(p, 100.32, kStep), 4) << "0.215 s and the 0.005 s left over";
    // Over many uneven frames the steps match the elapsed time.
    int steps = 0;
    double t = 100.32;
    for (int i = 0; i < 1000; ++i) steps += paceSteps(p, t += (i % 3 + 1) * 0.011, kStep);
    EXPECT_NEAR(steps * kStep, 1000 * 0.022, kStep);
    // A clock that starts at zero (GLUT's elapsed time) is a clock, not "not started".
    RealtimePacer fromZero;
    paceSteps(fromZero, 0.0, kStep);
    EXPECT_EQ(paceSteps(fromZero, 0.06, kStep), 1);
}

TEST(Pacing, StallsAndClockJumpsDoNotSnowball)
{
    RealtimePacer p;
    paceSteps(p, 5.0, kStep);
    EXPECT_EQ(paceSteps(p, 7.0, kStep), 4) << "a 2 s stall gives four steps, not forty";
    EXPECT_EQ(paceSteps(p, 7.01, kStep), 0) << "the rest of the stall is dropped";
    EXPECT_EQ(paceSteps(p, 3.0, kStep), 0) << "a clock going backwards gives nothing";
    EXPECT_EQ(paceSteps(p, 3.02, kStep), 0);
    EXPECT_EQ(paceSteps(p, 3.08, kStep), 1);
    EXPECT_GE(p.banked, 0.0);
    EXPECT_LT(p.banked, kStep);
}
