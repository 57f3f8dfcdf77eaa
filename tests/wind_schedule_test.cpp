#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "wind/wind_schedule.h"
#include "wind/wind_schedule_file.h"

namespace {

const char* kExample = R"({
  "seed": 3,
  "keys": [
    {"time": 0, "preset": "calm"},
    {"time": 4, "regime": "gale", "magnitude": 600, "direction": [1, 0, 0.4]},
    {"time": 9, "preset": "storm"}
  ],
  "gusts": {"every": 5.0, "strength": 0.6, "rise": 1.0, "fall": 2.5},
  "veer": {"degrees": 15, "period": 20}
})";

WindSchedule parsed(const std::string& text)
{
    WindSchedule s;
    std::string error;
    EXPECT_TRUE(parseWindSchedule(text, "w.json", s, error)) << error;
    return s;
}

bool sameBits(const WindSettings& a, const WindSettings& b)
{
    return a.gale == b.gale && std::memcmp(&a.magnitude, &b.magnitude, sizeof(double)) == 0 &&
           std::memcmp(&a.direction.x, &b.direction.x, 3 * sizeof(double)) == 0 &&
           a.direction.status == b.direction.status;
}

double azimuth(const WindSettings& w) { return std::atan2(w.direction.z, w.direction.x); }

// Breeze at 10 along +x, then gale at 300 turned a quarter about the vertical, tilted up.
WindSchedule twoKeys()
{
    return parsed(R"({"keys": [{"time": 0, "preset": "breeze"},
                               {"time": 2, "regime": "gale", "magnitude": 300, "direction": [0, 0.3, 1]}]})");
}

} // namespace

TEST(WindSchedule, EasingIsContinuousWithZeroSlopeAtKeysAndTurnsAboutTheVertical)
{
    const WindSchedule s = twoKeys();
    const double h = 1e-4;
    for (double key : {0.0, 2.0}) {
        // One-sided slopes at the keys vanish (second order in h).
        const WindSettings at = keyedWind(s, key);
        const double side = key == 0.0 ? h : -h;
        const WindSettings near = keyedWind(s, key + side);
        EXPECT_LT(std::abs(near.magnitude - at.magnitude) / h, 0.1); // a linear ease: 145
        EXPECT_LT(std::abs(azimuth(near) - azimuth(at)) / h, 1e-3);   // a linear ease: 0.79
    }
    double largestStep = 0.0;
    for (int i = 0; i < 2000; ++i) {
        const WindSettings a = keyedWind(s, i * 1e-3);
        const WindSettings b = keyedWind(s, (i + 1) * 1e-3);
        largestStep = std::max(largestStep, std::abs(b.magnitude - a.magnitude));
        EXPECT_TRUE(std::abs(norm(a.direction) - 1.0) < 1e-12 && a.direction.y > -1e-12 && !a.gale);
    }
    // Smoothstep's steepest slope is 1.5 x the mean: 1.5 * 290 / 2 per second.
    EXPECT_LT(largestStep, 1.5 * 290.0 / 2.0 * 1e-3 * 1.01);
    EXPECT_NEAR(azimuth(keyedWind(s, 1.0)), 3.1415926538 / 4, 1e-9);
}

TEST(WindSchedule, StateHoldsAfterTheLastKeyAndConstantScheduleIsExact)
{
    const WindSchedule s = twoKeys();
    for (double t : {2.0, 2.05, 100.0, 1e6}) EXPECT_TRUE(sameBits(evaluateWind(s, t), s.keys.back().state)) << t;
    // The plain flags' wind passes through untouched, bit for bit.
    const WindSettings flags{false, 123.456, {0.6, 0.0, 0.8, 0}};
    for (double t : {0.0, 0.05, 7.3}) EXPECT_TRUE(sameBits(evaluateWind(constantSchedule(flags), t), flags));
}

TEST(WindSchedule, PresetsAndEasingToAPreset)
{
    WindSchedule s;
    ASSERT_TRUE(presetSchedule("strong-gale", s));
    EXPECT_TRUE(sameBits(evaluateWind(s, 0.0), WindSettings{}));
    ASSERT_TRUE(easeToPreset(s, 3.0, "breeze"));
    EXPECT_EQ(evaluateWind(s, 2.9).magnitude, 400.0);
    EXPECT_FALSE(evaluateWind(s, 3.0).gale); // the preset's regime applies at once
    EXPECT_EQ(evaluateWind(s, 5.0).magnitude, 10.0);
    // Pressed again mid-way: starts from where the easing had got to.
    const double mid = evaluateWind(s, 4.0).magnitude;
    ASSERT_TRUE(easeToPreset(s, 4.0, "storm"));
    EXPECT_EQ(evaluateWind(s, 4.0).magnitude, mid);
    EXPECT_EQ(evaluateWind(s, 6.0).magnitude, 800.0);
}

TEST(WindSchedule, GustsArriveAtTheMeanIntervalAndNeverLowerOrStack)
{
    WindSchedule s = constantSchedule({true, 200.0, {1, 0, 0, 0}});
    setGusts(s, {true, 5.0, 0.6, 1.0, 2.5});
    const double span = 50000.0;
    const std::vector<double> arrivals = gustArrivals(s, 0.0, span);
    const double expected = span / 5.0;
    // Poisson count: standard deviation sqrt(expected); 4 of them.
    EXPECT_NEAR(static_cast<double>(arrivals.size()), expected, 4.0 * std::sqrt(expected));
    // Exponential gaps: as many below the median ln 2 * mean as above.
    int below = 0;
    for (size_t i = 1; i < arrivals.size(); ++i) below += arrivals[i] - arrivals[i - 1] < std::log(2.0) * 5.0;
    EXPECT_NEAR(static_cast<double>(below) / expected, 0.5, 4.0 * 0.5 / std::sqrt(expected));
    double highest = 0.0;
    for (int i = 0; i < 20000; ++i) {
        const double m = evaluateWind(s, i * 0.05).magnitude;
        ASSERT_TRUE(m >= 200.0 && m <= 200.0 * 1.6 + 1e-9) << m;
        highest = std::max(highest, m);
    }
    EXPECT_NEAR(highest, 320.0, 1.0);
    // The level is the largest single shape over every arrival (brute force):
    // smoothstep up over 1 s, down over 2.5 s.
    for (double t = 0.0; t < 300.0; t += 0.0371) {
        double oracle = 0.0;
        for (double a : arrivals) {
            if (a >= t) break;
            const double age = t - a;
            const double u = age <= 0.0 || age >= 3.5 ? 0.0 : age < 1.0 ? age : 1.0 - (age - 1.0) / 2.5;
            oracle = std::max(oracle, u * u * (3.0 - 2.0 * u));
        }
        ASSERT_NEAR(gustLevel(s, t), oracle, 1e-12) << t;
    }
    EXPECT_DOUBLE_EQ(gustLevel(s, arrivals[3] + 1.0), 1.0); // the peak, rise seconds after arrival
    // Very frequent gusts keep the wind up, at no more cost per call.
    WindSchedule dense = s;
    dense.gusts.every = 1e-6;
    EXPECT_NEAR(gustLevel(dense, 1e5), 1.0, 1e-6);
    // Clamped at the top.
    s.keys[0].state.magnitude = 700.0;
    EXPECT_EQ(evaluateWind(s, arrivals[3] + 1.0).magnitude, 800.0);
}

TEST(WindSchedule, VeerStaysWithinItsBoundAndUsesIt)
{
    WindSchedule s = constantSchedule({true, 100.0, {1, 0, 0, 0}});
    s.veer = {true, 15.0, 20.0};
    double widest = 0.0;
    for (int i = 0; i < 40000; ++i) {
        const WindSettings w = evaluateWind(s, i * 0.05);
        const double turn = std::abs(azimuth(w)) * 180.0 / 3.1415926538;
        ASSERT_TRUE(turn <= 15.0 + 1e-9 && std::abs(norm(w.direction) - 1.0) < 1e-12) << turn;
        widest = std::max(widest, turn);
    }
    EXPECT_GT(widest, 7.5);
}

TEST(WindSchedule, SameFileGivesTheSameBitsInAnyOrder)
{
    const WindSchedule a = parsed(kExample);
    const WindSchedule b = parsed(kExample);
    ASSERT_EQ(a.keys.size(), 3u);
    // A preset keeps the previous key's (normalised) direction.
    EXPECT_TRUE(a.keys[2].state.gale && a.keys[2].state.magnitude == 800.0);
    EXPECT_DOUBLE_EQ(a.keys[2].state.direction.z, 0.4 / std::sqrt(1.16));
    std::vector<WindSettings> forward;
    for (int i = 0; i < 400; ++i) forward.push_back(evaluateWind(a, i * 0.05));
    for (int i = 399; i >= 0; --i) EXPECT_TRUE(sameBits(evaluateWind(b, i * 0.05), forward[i])) << i;
    // Another seed moves the gusts.
    WindSchedule c = a;
    c.seed = 4;
    int differ = 0;
    for (int i = 0; i < 400; ++i) differ += evaluateWind(c, i * 0.05).magnitude != forward[i].magnitude;
    EXPECT_GT(differ, 0);
}

TEST(WindScheduleFile, RefusesEachFaultWithFileFieldAndProblem)
{
    const std::string k0 = R"("keys": [{"time": 0}])";
    const struct {
        std::string text;  // file contents
        std::string field; // expected in the message
    } cases[] = {
        {"{\"keys\": [", "line 1, column 11"},
        {"[1]", "(top level)"},
        {"{\"seed\": 1}", "keys: missing"},
        {R"({"keys": []})", "keys: must be"},
        {R"({"keys": [{"time": 1}]})", "keys[0].time: the first"},
        {R"({"keys": [{"time": 0}, {"time": 0}]})", "keys[1].time: times must"},
        {R"({"keys": [{"magnitude": 5}]})", "keys[0].time: missing"},
        {R"({"keys": [{"time": 0, "magnitude": 801}]})", "keys[0].magnitude"},
        {R"({"keys": [{"time": 0, "magnitude": "big"}]})", "keys[0].magnitude"},
        {R"({"keys": [{"time": 0, "regime": "gust"}]})", "keys[0].regime"},
        {R"({"keys": [{"time": 0, "preset": "hurricane"}]})", "keys[0].preset"},
        {R"({"keys": [{"time": 0, "preset": "calm", "magnitude": 3}]})", "keys[0].preset"},
        {R"({"keys": [{"time": 0, "direction": [0, 1, 0]}]})", "keys[0].direction"},
        {R"({"keys": [{"time": 0, "direction": [1, 0]}]})", "keys[0].direction"},
        {R"({"keys": [{"time": 0, "magnitud": 3}]})", "keys[0].magnitud: unknown"},
        {"{" + k0 + R"(, "gust": {}})", "gust: unknown"},
        {"{" + k0 + R"(, "gusts": {"every": 5, "strength": 1, "rise": 1}})", "gusts.fall: missing"},
        {"{" + k0 + R"(, "gusts": {"every": 0, "strength": 1, "rise": 1, "fall": 1}})", "gusts.every"},
        {"{" + k0 + R"(, "gusts": {"every": 5, "strength": 4.5, "rise": 1, "fall": 1}})", "gusts.strength"},
        {"{" + k0 + R"(, "veer": {"degrees": 181, "period": 1}})", "veer.degrees"},
        {"{" + k0 + R"(, "veer": {"degrees": 10, "period": 1, "phase": 2}})", "veer.phase: unknown"},
        {"{" + k0 + R"(, "seed": -1})", "seed: must"},
        {"{" + k0 + R"(, "seed": 1.5})", "seed: must"},
        // Gusts finer than a step: the arrivals to walk through grew without bound.
        {"{" + k0 + R"(, "gusts": {"every": 1e-20, "strength": 0.5, "rise": 1, "fall": 2}})", "gusts.every: must be"},
        {"{" + k0 + R"(, "gusts": {"every": 6, "strength": 0.5, "rise": 1e-20, "fall": 2}})", "gusts.rise: must be"},
        {"{" + k0 + R"(, "gusts": {"every": 6, "strength": 0.5, "rise": 1, "fall": 0.049}})", "gusts.fall: must be"},
        {R"({"keys": [{"time": 0}, {"time": 1e12}]})", "keys[1].time: must be a number in 0..1e9"},
        {R"({"keys": [{"time": 0, "direction": [1e308, 0, 1e308]}]})", "keys[0].direction: is out of range"},
        {"{\"keys\": [\n{\"time\": 0,\n \"magnitude\": -1e400}]}", "keys[0].magnitude: -1e400 is out of range"},
        {"{\"keys\": [\n{\"time\": 0,\n \"magnitude\": -1e400}]}", "(line 3)"},
        {R"({"keys": [{"time": 0}], "seed": 2, "seed": 3})", "seed: given twice"},
        // Front speeds: range, type, and the field's place (top level for the keys, inside gusts for the gusts).
        {"{" + k0 + R"(, "front_speed": 0})", "front_speed: must be a number in 0.01..10000"},
        {"{" + k0 + R"(, "front_speed": "fast"})", "front_speed: must be a number"},
        {"{" + k0 + R"(, "gusts": {"every": 6, "strength": 0.5, "rise": 1, "fall": 2, "front_speed": 1e5}})",
         "gusts.front_speed: must be a number in 0.01..10000"},
        {"{" + k0 + R"(, "gusts": {"every": 6, "strength": 0.5, "rise": 1, "fall": 2, "front_sped": 3}})",
         "gusts.front_sped: unknown field"},
        {"{" + k0 + R"(, "veer": {"degrees": 10, "period": 1, "front_speed": 3}})", "veer.front_speed: unknown field"},
        {R"({"keys": [{"time": 0}, {"time": 1, "preset": "calm", "preset": "storm"}]})", "keys[1].preset: given twice"},
        // A repeating wind: range, type, and no fronts beside it.
        {"{" + k0 + R"(, "repeat": 0.01})", "repeat: must be a number in 0.05..86400"},
        {"{" + k0 + R"(, "repeat": [3]})", "repeat: must be a number"},
        {"{" + k0 + R"(, "repeat": 3, "front_speed": 5})", "repeat: cannot go with front_speed"},
    };
    for (const auto& c : cases) {
        WindSchedule s = twoKeys();
        std::string error;
        EXPECT_FALSE(parseWindSchedule(c.text, "w.json", s, error)) << c.text;
        EXPECT_EQ(error.rfind("w.json: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.field), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(s.keys.size(), 2u); // unchanged
    }
}

// Only a regular file of at most 4 MB is read; any other path is refused at
// once with the system's reason, so /dev/zero or a FIFO cannot hold a run.
TEST(WindScheduleFile, ReadsOnlyASmallRegularFileAndSaysWhyNot)
{
    const std::string dir = ::testing::TempDir() + "arborvane_wind_" + std::to_string(::getpid());
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    const std::string fifo = dir + "/fifo", loop = dir + "/loop", big = dir + "/big.json";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("loop", loop.c_str()), 0);
    const std::string keys = R"({"keys": [{"time": 0, "preset": "calm"}]})";
    std::ofstream(big) << keys << std::string((4 << 20) - keys.size(), ' ');
    WindSchedule s;
    std::string error;
    ASSERT_TRUE(loadWindSchedule(big, s, error)) << error; // exactly 4 MB
    std::ofstream(big, std::ios::app) << ' ';
    const std::pair<std::string, std::string> paths[] = {
        {dir + "/none.json", ": cannot read the file: No such file or directory"},
        {dir, ": cannot read the file: Is a directory"},
        {loop, ": cannot read the file: Too many levels of symbolic links"},
        {fifo, ": cannot read the file: not a regular file"},
        {"/dev/zero", ": cannot read the file: not a regular file"},
        {big, ": larger than 4 MB"},
    };
    for (const auto& [path, reason] : paths) {
        EXPECT_FALSE(loadWindSchedule(path, s, error));
        EXPECT_EQ(error.substr(0, path.size() + reason.size()), path + reason);
    }
    EXPECT_EQ(s.keys.front().state.magnitude, 0.0); // the calm read first stays
    for (const std::string& gone : {fifo, loop, big, dir}) ::remove(gone.c_str());
}

// Fronts read from a file: a point d downwind takes the keys d / 4 s after
// the origin (their front at 4 units/s), the gusts d / 16 s after (16 units/s),
// upwind as long before; without front speeds every point takes the origin's wind.
TEST(WindScheduleFile, FrontsBringTheOriginsWindDownwindLater)
{
    const std::string keys = R"("keys": [{"time": 0, "magnitude": 100}, {"time": 6, "magnitude": 500, "direction": [0, 0, 1]}])";
    const std::string gusts = R"("gusts": {"every": 2, "strength": 1, "rise": 0.5, "fall": 1)";
    WindSchedule both, keyed, gusty, still;
    std::string error;
    ASSERT_TRUE(parseWindSchedule("{" + keys + ", " + gusts + R"(, "front_speed": 16}, "front_speed": 4})", "f", both, error)) << error;
    ASSERT_TRUE(parseWindSchedule("{" + keys + R"(, "front_speed": 4})", "k", keyed, error)) << error;
    ASSERT_TRUE(parseWindSchedule(R"({"keys": [{"time": 0}], )" + gusts + R"(, "front_speed": 16}})", "g", gusty, error)) << error;
    ASSERT_TRUE(parseWindSchedule("{" + keys + ", " + gusts + "}}", "s", still, error)) << error;
    EXPECT_EQ(both.frontSpeed, 4.0);
    EXPECT_EQ(both.gusts.frontSpeed, 16.0);
    for (double t = 0.0; t < 12.0; t += 0.37)
        for (const double d : {-20.0, 0.0, 8.0, 32.0}) {
            const WindSettings k = windAtDistance(keyed, t + d / 4.0, d), k0 = evaluateWind(keyed, t);
            EXPECT_NEAR(k.magnitude, k0.magnitude, 1e-9);
            EXPECT_NEAR(k.direction.z, k0.direction.z, 1e-12);
            EXPECT_NEAR(windAtDistance(gusty, t + d / 16.0, d).magnitude, evaluateWind(gusty, t).magnitude, 1e-9);
            const WindSettings here = windAtDistance(still, t, d), origin = evaluateWind(still, t);
            EXPECT_EQ(here.magnitude, origin.magnitude);
            EXPECT_EQ(here.direction.z, origin.direction.z);
        }
}

// A repeating schedule gives at t + k periods what it gives at t, for keys,
// gusts and veer alike, and the first period is the schedule itself.
TEST(WindSchedule, RepeatStartsTheWindOverEachPeriod)
{
    WindSchedule s;
    std::string error;
    ASSERT_TRUE(parseWindSchedule(R"({"keys": [{"time": 0, "magnitude": 200}, {"time": 1.2, "magnitude": 700,
        "direction": [0, 0, 1]}], "gusts": {"every": 0.7, "strength": 1, "rise": 0.2, "fall": 0.4},
        "veer": {"degrees": 40, "period": 2}, "repeat": 3})",
                                  "w.json", s, error))
        << error;
    WindSchedule once = s;
    once.repeat = 0.0;
    for (int n = 0; n < 60; n += 7) {
        const double t = n * 0.05;
        const WindSettings first = evaluateWind(once, t);
        for (int k = 1; k <= 3; ++k) {
            // Times as the steps make them: whole steps, not t + k x 3.
            const WindSettings later = evaluateWind(s, (n + 60 * k) * 0.05);
            EXPECT_NEAR(later.magnitude, first.magnitude, 1e-9 * first.magnitude) << t << " " << k;
            EXPECT_NEAR(later.direction.z, first.direction.z, 1e-9) << t << " " << k;
        }
    }
}
