// A tree placed in a shared field, and gust fronts that travel across it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cli/wind_trace.h"
#include "motion_scene.h"
#include "wind/wind_schedule_file.h"

namespace {

using motion_scene::hashState;

// Grids whose samples depend on height only (the first grid axis): the wind
// is the same all over the ground, however a tree is turned or moved.
void levelNoise(WindField& wind, double u, double v, double w, bool constant)
{
    NoiseField* fields[3] = {&wind.u, &wind.v, &wind.w};
    const double base[3] = {u, v, w};
    for (int f = 0; f < 3; ++f) {
        const int n = fields[f]->size;
        for (int i = 0; i < n * n * n; ++i)
            fields[f]->values[i] = base[f] + (constant ? 0.0 : 0.2 * std::sin(0.7 * (i / (n * n)) + f));
    }
}

std::unique_ptr<Scene> placedScene(const TreePlacement& placement, int blades = 0)
{
    auto s = motion_scene::makeScene();
    s->placement = placement;
    motion_scene::buildScene(*s, 60, blades, 12345, false);
    return s;
}

// Largest distance between the two trees' branch points, in their own frames.
double treeGap(const Scene& a, const Scene& b)
{
    double gap = 0.0;
    for (int i = 0; i < a.tree.branchCount; ++i)
        for (int k = 0; k < a.tree.branches[i].pointCount; ++k) {
            const Vec3 d = sub(a.tree.branches[i].points[k], b.tree.branches[i].points[k]);
            gap = std::max(gap, std::sqrt(dot(d, d)));
        }
    return gap;
}

void play(Scene& s, const std::string& json)
{
    WindSchedule schedule;
    std::string error;
    ASSERT_TRUE(parseWindSchedule(json, "fronts.json", schedule, error)) << error;
    driveWind(s, scheduledWind(schedule));
}

} // namespace

TEST(PlacedTree, SamePlaceMovesAlikeAnotherPlaceOtherwise)
{
    auto a = placedScene({3.0, -2.0, 40.0}, 200);
    auto b = placedScene({3.0, -2.0, 40.0}, 200);
    auto c = placedScene({9.0, 4.0, 40.0}, 200);
    for (int k = 0; k < 30; ++k)
        for (Scene* s : {a.get(), b.get(), c.get()}) motion_scene::stepWind(*s, true, 400.0, {0.6, 0.0, 0.8, 0}, false);
    EXPECT_EQ(hashState(*a), hashState(*b));
    EXPECT_GT(treeGap(*a, *c), 1e-3);
}

// The oracle: a tree turned by 35 degrees in a wind turned the same way, over
// ground where the wind does not vary, is the unturned tree up to rounding;
// unturned in that wind it is not.
TEST(PlacedTree, ATurnedTreeInAWindTurnedAlikeMovesAsTheUnturnedOne)
{
    const double a = 35.0 * 3.1415926538 / 180.0;
    const Vec3 wind{1.0, 0.0, 0.0, 0}, turnedWind{std::cos(a), 0.0, -std::sin(a), 0};
    auto plain = placedScene({});
    auto turned = placedScene({5.0, 2.0, 35.0});
    auto unturned = placedScene({5.0, 2.0, 0.0});
    for (Scene* s : {plain.get(), turned.get(), unturned.get()}) levelNoise(s->wind, 0.6, 0.55, 0.4, false);
    for (int k = 0; k < 40; ++k) {
        motion_scene::stepWind(*plain, true, 400.0, wind, false);
        motion_scene::stepWind(*turned, true, 400.0, turnedWind, false);
        motion_scene::stepWind(*unturned, true, 400.0, turnedWind, false);
    }
    const double sway = treeGap(*plain, *placedScene({}));
    EXPECT_GT(sway, 0.05);
    EXPECT_LT(treeGap(*plain, *turned), 1e-9 * sway);
    EXPECT_GT(treeGap(*plain, *unturned), 1e-2 * sway);
}

// Two trees 5 units apart along the wind under fronts of 10 units/s: the far
// one does what the near one did 0.5 s (10 steps) earlier. The wind is the
// same everywhere and always but for the schedule, so only the fronts part them.
TEST(WindFronts, ATreeDownwindAnswersDistanceOverSpeedLater)
{
    const std::string schedule = R"({"keys": [{"time": 0, "magnitude": 0}, {"time": 1, "magnitude": 0},
        {"time": 2, "magnitude": 300}], "front_speed": 10,
        "gusts": {"every": 1.5, "strength": 1, "rise": 0.3, "fall": 0.6, "front_speed": 10}})";
    auto near = placedScene({0.0, 0.0, 0.0}, 100);
    auto far = placedScene({5.0, 0.0, 0.0}, 100);
    for (Scene* s : {near.get(), far.get()}) {
        levelNoise(s->wind, 0.8, 0.5, 0.5, true);
        play(*s, schedule);
    }
    const TreeTip tip = findTreeTip(near->tree);
    std::vector<Vec3> nearTips;
    double swing = 0.0, worst = 0.0;
    for (int k = 0; k < 120; ++k) {
        nearTips.push_back(tipPosition(near->tree, tip));
        const Vec3 farTip = tipPosition(far->tree, tip);
        if (k >= 10) {
            const Vec3 d = sub(farTip, nearTips[k - 10]);
            worst = std::max(worst, std::sqrt(dot(d, d)));
        } else {
            EXPECT_EQ(tipOffset(far->tree, tip), 0.0) << k; // the front has not come yet
        }
        swing = std::max(swing, tipOffset(near->tree, tip));
        simulateStep(*near, kTimeStep);
        simulateStep(*far, kTimeStep);
    }
    EXPECT_GT(swing, 0.05);
    EXPECT_LT(worst, 1e-6 * swing);
    EXPECT_EQ(near->lastWind.magnitude, far->lastWind.magnitude); // the origin's wind in both
}

// The step's table is the schedule at each row's distance downwind, and every
// part takes the row nearest to where it stands along the wind at the origin.
TEST(WindFronts, EveryPartTakesTheScheduleAtItsNearestRow)
{
    auto s = placedScene({4.0, -3.0, 70.0}, 150);
    play(*s, R"({"keys": [{"time": 0}, {"time": 0.5, "magnitude": 800, "direction": [1, 0, 1]}], "front_speed": 3,
        "veer": {"degrees": 30, "period": 5}, "gusts": {"every": 0.4, "strength": 2, "rise": 0.2, "fall": 0.3, "front_speed": 7}})");
    for (int k = 0; k < 12; ++k) simulateStep(*s, kTimeStep);
    const double t = 11 * kTimeStep; // the last step's time
    const WindFronts& f = s->fronts;
    ASSERT_GT(f.rows.size(), 10u);
    for (size_t r = 0; r < f.rows.size(); ++r) {
        const WindSettings w = windAtDistance(s->windDriver.schedule, t, f.first + static_cast<double>(r) * f.quantum);
        EXPECT_NEAR(f.rows[r].grass.magnitude, w.magnitude, 1e-9 * w.magnitude);
        EXPECT_NEAR(f.rows[r].grass.along.x, w.direction.x, 1e-12);
        EXPECT_NEAR(dot(f.rows[r].tree.along, intoTree(s->placement, w.direction)), 1.0, 1e-12);
    }
    const Vec3 d = evaluateWind(s->windDriver.schedule, t).direction; // at the origin
    const double h = std::hypot(d.x, d.z);
    auto check = [&](const std::vector<double>& points, const std::vector<uint32_t>& rows) {
        ASSERT_EQ(points.size(), 2 * rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const double along = (points[2 * i] * d.x + points[2 * i + 1] * d.z) / h;
            EXPECT_LE(std::fabs(f.first + rows[i] * f.quantum - along), 0.5 * f.quantum * (1 + 1e-9)) << i;
        }
    };
    check(s->fieldPoints.branches, f.branchRow);
    check(s->fieldPoints.leaves, f.leafRow);
    check(s->fieldPoints.blades, f.bladeRow);
}
