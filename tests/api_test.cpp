// The library API (include/arborvane) on the generated data: the same motion
// as the core driven directly, errors as results, nothing printed.
#include <gtest/gtest.h>

#include <arborvane/arborvane.h>

#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "consumer/state_hash.h"
#include "dynamics/simulation.h"
#include "data_constants/data_folder.h"
#include "motion_scene.h"
#include "cli/version.h"
#include "support/console.h"
#include "support/scratch_file.h"
#include "wind/wind_schedule_file.h"

namespace {

// The state straight from the scene's records, in the order stateHash reads the views.
uint64_t recordHash(const Scene& scene)
{
    consumer::Fnv f;
    auto add = [&](const Vec3& v) { f.add(arborvane::Point3{v.x, v.y, v.z}); };
    for (int b = 0; b < scene.tree.branchCount; ++b) {
        const Branch& branch = scene.tree.branches[b];
        for (int k = 0; k < branch.pointCount; ++k) add(branch.points[k]);
        for (int k = 0; k < branch.pointCount; ++k) f.add(branch.radii[k]);
        for (const Leaf& leaf : branch.leaves)
            for (double v : leaf.bladeMatrix.m) f.add(v);
        for (const Leaf& leaf : branch.leaves)
            for (const Vec3& p : leaf.petiolePoints) add(p);
    }
    for (int g = 0; g < scene.grass.bladeCount; ++g) {
        for (const Vec3& p : scene.grass.blades[g].centre) add(p);
        for (const Vec3& p : scene.grass.blades[g].edge) add(p);
    }
    return f.h;
}

arborvane::Simulation openedSimulation()
{
    arborvane::Simulation sim;
    const arborvane::Result r = sim.open(kDefaultDataDir);
    EXPECT_TRUE(r) << r.message;
    EXPECT_TRUE(sim.setUp(consumer::kSeed));
    return sim;
}

} // namespace

// The consumer project checks the same golden value against the installed library.
TEST(Api, FixedRunEqualsTheCoreAndTheGoldenHash)
{
    auto scene = motion_scene::makeScene();
    ASSERT_TRUE(motion_scene::loadGeneratedScene(*scene, consumer::kSeed)) << "generated data missing";
    for (int i = 0; i < consumer::kSteps; ++i) simulateStep(*scene, kTimeStep);

    arborvane::Simulation sim = openedSimulation();
    ASSERT_TRUE(sim.setWind({arborvane::WindRegime::gale, 400.0, {2.0, 0.0, 0.0}})); // normalised on use
    const arborvane::Point3 restTop = consumer::treeTop(sim);
    ASSERT_TRUE(sim.step(consumer::kSteps));
    EXPECT_EQ(sim.stepCount(), static_cast<uint64_t>(consumer::kSteps));
    EXPECT_NE(consumer::treeTop(sim).x, restTop.x);
    EXPECT_EQ(consumer::stateHash(sim), recordHash(*scene));
    EXPECT_EQ(consumer::stateHash(sim), consumer::kGoldenStateHash) << std::hex << consumer::stateHash(sim);
    EXPECT_STREQ(arborvane::version(), arborvaneVersion());
    // A tilted direction of any length drives the same steps as its unit vector in the core.
    scene->input.wind = {true, 300.0, {0.0, -0.6, 0.8, 0}};
    for (int i = 0; i < 3; ++i) simulateStep(*scene, kTimeStep);
    ASSERT_TRUE(sim.setWind({arborvane::WindRegime::gale, 300.0, {0.0, -30.0, 40.0}}));
    ASSERT_TRUE(sim.step(3));
    EXPECT_EQ(consumer::stateHash(sim), recordHash(*scene));

    // The shared blade: every triangle names one of its vertices.
    const arborvane::Strided<arborvane::Point3> blade = sim.leafBladeVertices();
    const std::span<const int32_t> triangles = sim.leafBladeTriangles();
    ASSERT_FALSE(blade.empty());
    ASSERT_EQ(triangles.size() % 3, 0u);
    for (int32_t v : triangles) EXPECT_TRUE(v >= 0 && static_cast<size_t>(v) < blade.size()) << v;
    EXPECT_EQ(blade[blade.size() - 1].x, scene->leafTemplate.bladeVertices[blade.size() - 1].x);
}

TEST(Api, SetUpAgainAndAConstantWindSourceRepeatTheRun)
{
    arborvane::Simulation sim = openedSimulation();
    const arborvane::Wind breeze{arborvane::WindRegime::breeze, 200.0, {0.0, 0.0, 1.0}};
    ASSERT_TRUE(sim.setWind(breeze));
    ASSERT_TRUE(sim.step(5));
    const uint64_t first = consumer::stateHash(sim);

    ASSERT_TRUE(sim.setUp(consumer::kSeed));
    EXPECT_EQ(sim.stepCount(), 0u);
    std::vector<std::pair<uint64_t, double>> asked;
    sim.setWindSource([&](uint64_t step, double seconds) {
        asked.emplace_back(step, seconds);
        return breeze;
    });
    ASSERT_TRUE(sim.step(5));
    EXPECT_EQ(consumer::stateHash(sim), first);
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[3].first, 3u);
    EXPECT_DOUBLE_EQ(asked[3].second, 3 * arborvane::Simulation::timeStep());
}

TEST(Api, FailuresAreResultsAndNothingIsPrinted)
{
    ConsoleCapture console;
    arborvane::Simulation sim;
    std::vector<std::string> handled;
    sim.setMessageHandler([&](const std::string& line) { handled.push_back(line); });
    arborvane::LoadSummary summary;
    const arborvane::Result opened = sim.open("no/such/folder", &summary);
    const arborvane::Result stepped = sim.step();
    const std::string out = console.finish().both();

    EXPECT_FALSE(opened);
    EXPECT_NE(opened.message.find("no/such/folder"), std::string::npos) << opened.message;
    EXPECT_FALSE(summary.tree || summary.grass || summary.noise || summary.leaf);
    EXPECT_FALSE(summary.messages.empty());
    EXPECT_EQ(handled, summary.messages);
    EXPECT_FALSE(stepped);
    EXPECT_FALSE(sim.setUp(1));
    EXPECT_EQ(out, "");
    EXPECT_EQ(sim.branchCount(), 0u);
    EXPECT_TRUE(sim.branchPoints(0).empty());

    arborvane::Simulation open = openedSimulation();
    EXPECT_TRUE(open.leafPetiole(open.branchCount(), 0).empty());
    EXPECT_FALSE(open.setWind({arborvane::WindRegime::gale, 801.0, {1.0, 0.0, 0.0}}));
    // The magnitude range is closed: its ends pass, the next doubles out do not.
    for (const double m : {0.0, 800.0})
        EXPECT_TRUE(open.setWind({arborvane::WindRegime::gale, m, {1.0, 0.0, 0.0}})) << m;
    for (const double m : {std::nextafter(800.0, 900.0), std::nextafter(0.0, -1.0)})
        EXPECT_FALSE(open.setWind({arborvane::WindRegime::gale, m, {1.0, 0.0, 0.0}})) << m;
    EXPECT_FALSE(open.setWind({arborvane::WindRegime::gale, 400.0, {0.0, 0.0, 0.0}}));
    open.setWindSource([](uint64_t, double) { return arborvane::Wind{arborvane::WindRegime::gale, -1.0, {1, 0, 0}}; });
    EXPECT_FALSE(open.step());
    EXPECT_EQ(open.stepCount(), 0u);
}

// Calm, then a storm rising from 1 s, with gusts: the file played through the API moves
// the tree exactly as the core playing the same schedule, and only once the storm starts.
TEST(Api, ScheduleFilePlaysAsOnTheCoreAndBadFilesAreResults)
{
    const std::string text = R"({"seed": 5, "gusts": {"every": 1, "strength": 0.8, "rise": 0.3, "fall": 0.5},
        "keys": [{"time": 0, "preset": "calm"}, {"time": 1, "preset": "calm"}, {"time": 1.5, "preset": "storm"}]})";
    const int steps = 40;
    auto scene = motion_scene::makeScene();
    ASSERT_TRUE(motion_scene::loadGeneratedScene(*scene, consumer::kSeed)) << "generated data missing";
    std::string error;
    WindSchedule schedule;
    ASSERT_TRUE(parseWindSchedule(text, "core", schedule, error)) << error;
    driveWind(*scene, scheduledWind(schedule));
    for (int i = 0; i < steps; ++i) simulateStep(*scene, kTimeStep);

    const ScratchFile file(text, ".json");
    const std::string& path = file.path();
    arborvane::Simulation sim = openedSimulation();
    const arborvane::Result played = sim.setWindSchedule(path);
    ASSERT_TRUE(played) << played.message;
    arborvane::Simulation still = openedSimulation();
    ASSERT_TRUE(still.setWind({arborvane::WindRegime::gale, 0.0, {1.0, 0.0, 0.0}}));
    ASSERT_TRUE(sim.step(20)); // 0..1 s: calm, the same as no wind at all
    ASSERT_TRUE(still.step(20));
    EXPECT_EQ(consumer::stateHash(sim), consumer::stateHash(still));
    ASSERT_TRUE(sim.step(steps - 20));
    ASSERT_TRUE(still.step(steps - 20));
    EXPECT_NE(consumer::treeTop(sim).x, consumer::treeTop(still).x);
    EXPECT_EQ(consumer::stateHash(sim), recordHash(*scene));

    file.write(R"({"keys": [{"time": 0, "magnitud": 3}]})");
    const arborvane::Result bad = sim.setWindSchedule(path);
    EXPECT_FALSE(bad);
    EXPECT_NE(bad.message.find("keys[0].magnitud: unknown field"), std::string::npos) << bad.message;
    EXPECT_TRUE(sim.windScheduled()); // a failure keeps the schedule playing
    EXPECT_FALSE(sim.setWindScheduleText("{", "typed"));
    // Gusts finer than a step are refused: the steps after them once never ended.
    const arborvane::Result fine = sim.setWindScheduleText(
        R"({"keys": [{"time": 0}], "gusts": {"every": 1e-20, "strength": 0.5, "rise": 1e-20, "fall": 2}})", "typed");
    EXPECT_NE(fine.message.find("typed: gusts.every: must be a number in 0.05..600"), std::string::npos) << fine.message;
    ASSERT_TRUE(sim.step(2));
    ASSERT_TRUE(sim.setWind({}));
    EXPECT_FALSE(sim.windScheduled());
}

// A wind source or message handler that calls back into its own simulation: life-cycle
// calls and a nested step are refused with a result naming the call, the step stops
// there having touched nothing freed, and the refused call changed nothing.
TEST(Api, CallsBackIntoTheSimulationAreRefusedOrSafe)
{
    const arborvane::Wind breeze{arborvane::WindRegime::breeze, 200.0, {0.0, 0.0, 1.0}};
    arborvane::Simulation plain = openedSimulation();
    ASSERT_TRUE(plain.setWind(breeze));
    ASSERT_TRUE(plain.step(5));

    for (const std::string name : {"close", "setUp", "open", "step"}) {
        arborvane::Simulation sim = openedSimulation();
        bool called = false;
        sim.setWindSource([&](uint64_t step, double) {
            if (step != 2 || std::exchange(called, true)) return breeze;
            if (name == "close") sim.close();
            const arborvane::Result refused = name == "setUp" ? sim.setUp(7)
                                              : name == "open" ? sim.open(kDefaultDataDir)
                                              : name == "step" ? sim.step()
                                                               : arborvane::Result{false, "close"};
            EXPECT_FALSE(refused) << name;
            return breeze;
        });
        const arborvane::Result stopped = sim.step(5);
        EXPECT_EQ(stopped.message, name + "() called from inside step()");
        EXPECT_EQ(sim.stepCount(), 2u) << name;
        ASSERT_TRUE(sim.step(3)) << name; // the source calls back only once
        EXPECT_EQ(consumer::stateHash(sim), consumer::stateHash(plain)) << name;
    }

    // A source or handler replacing itself runs to the end of its call; the new one takes the next step or line.
    arborvane::Simulation sim = openedSimulation();
    std::vector<uint64_t> second;
    sim.setWindSource([&, kept = std::vector<double>(64, 200.0)](uint64_t, double) {
        sim.setWindSource([&](uint64_t step, double) { second.push_back(step); return breeze; });
        return arborvane::Wind{breeze.regime, kept.back(), breeze.direction};
    });
    ASSERT_TRUE(sim.step(5));
    EXPECT_EQ(second, (std::vector<uint64_t>{1, 2, 3, 4}));
    EXPECT_EQ(consumer::stateHash(sim), consumer::stateHash(plain));

    std::vector<std::string> handed;
    sim.setMessageHandler([&, kept = std::string(64, 'x')](const std::string&) {
        sim.setMessageHandler([&](const std::string& line) { handed.push_back(line); });
        EXPECT_EQ(kept.size(), 64u);
    });
    arborvane::LoadSummary summary;
    ASSERT_TRUE(sim.open(kDefaultDataDir, &summary));
    ASSERT_FALSE(summary.messages.empty());
    EXPECT_EQ(handed, std::vector<std::string>(summary.messages.begin() + 1, summary.messages.end()));
    ASSERT_TRUE(sim.setUp(consumer::kSeed));

    // Throwing from either callback is one result naming the callback and its what().
    sim.setWindSource([](uint64_t, double) -> arborvane::Wind { throw std::runtime_error("gust"); });
    EXPECT_EQ(sim.step().message, "wind source threw: gust");
    sim.setMessageHandler([](const std::string&) { throw std::runtime_error("full"); });
    arborvane::Result opened;
    EXPECT_NO_THROW(opened = sim.open(kDefaultDataDir));
    EXPECT_EQ(opened.message, "message handler threw: full");
    EXPECT_FALSE(sim.isOpen());
}

// Each bad argument is refused with a message showing the value as given; a refused wind
// keeps the one before, and a direction is refused for the reason a wind file gives.
TEST(Api, BadArgumentsAreRefusedShowingTheValue)
{
    // What a wind file says of the same direction.
    auto fileReason = [](const char* direction) {
        WindSchedule unused;
        std::string error;
        EXPECT_FALSE(parseWindSchedule(std::string(R"({"keys": [{"time": 0, "direction": )") + direction + "}]}", "f",
                                       unused, error));
        return error.substr(error.find("direction: ") + 11);
    };
    const std::string reason = fileReason("[0, 1, 0]");
    const double nan = std::nan(""), inf = HUGE_VAL;
    const struct {
        arborvane::Wind wind;
        std::string message;
    } winds[] = {
        {{arborvane::WindRegime(7), 400.0, {1, 0, 0}}, "wind regime 7 is neither breeze (0) nor gale (1)"},
        {{arborvane::WindRegime(-1), 400.0, {1, 0, 0}}, "wind regime -1 is neither breeze (0) nor gale (1)"},
        {{arborvane::WindRegime::gale, 800.0000001, {1, 0, 0}}, "wind magnitude 800.0000001 is outside 0..800"},
        {{arborvane::WindRegime::gale, -1e-300, {1, 0, 0}}, "wind magnitude -1e-300 is outside 0..800"},
        {{arborvane::WindRegime::gale, nan, {1, 0, 0}}, "wind magnitude nan is outside 0..800"},
        {{arborvane::WindRegime::gale, 400.0, {0, 1, 0}}, "wind direction (0, 1, 0): " + reason},
        {{arborvane::WindRegime::gale, 400.0, {0, -2.5, 0}}, "wind direction (0, -2.5, 0): " + reason},
        {{arborvane::WindRegime::gale, 400.0, {1e-10, 1, 0}}, "wind direction (1e-10, 1, 0): " + reason},
        {{arborvane::WindRegime::gale, 400.0, {0, 0, 0}}, "wind direction (0, 0, 0): " + fileReason("[0, 0, 0]")},
        {{arborvane::WindRegime::gale, 400.0, {1e300, 0, 1e300}}, "wind direction (1e+300, 0, 1e+300): " + fileReason("[1e300, 0, 1e300]")},
        {{arborvane::WindRegime::gale, 400.0, {nan, 0, 1}}, "wind direction (nan, 0, 1): must be three finite numbers"},
        {{arborvane::WindRegime::gale, 400.0, {1, 0, inf}}, "wind direction (1, 0, inf): must be three finite numbers"},
    };
    arborvane::Simulation sim = openedSimulation();
    const arborvane::Wind kept{arborvane::WindRegime::breeze, 100.0, {0.0, 0.5, 1.0}};
    ASSERT_TRUE(sim.setWind(kept));
    for (const auto& bad : winds) {
        EXPECT_EQ(sim.setWind(bad.wind).message, bad.message);
        EXPECT_EQ(sim.wind().magnitude, kept.magnitude);
        sim.setWindSource([&](uint64_t, double) { return bad.wind; });
        EXPECT_EQ(sim.step().message, bad.message);
    }
    EXPECT_EQ(sim.stepCount(), 0u);
    EXPECT_EQ(reason, "must have a non-zero horizontal part (x or z)"); // the wording both share

    for (const int count : {-1, INT_MIN}) {
        const arborvane::Result r = sim.step(count);
        EXPECT_EQ(r.message, "step count " + std::to_string(count) + " is negative");
    }
    EXPECT_EQ(sim.stepCount(), 0u);
}

// wind() is the wind of the moment, whatever drives it.
TEST(Api, WindIsTheWindOfTheMoment)
{
    arborvane::Simulation sim = openedSimulation();
    const char* ramp = R"({"keys": [{"time": 0, "magnitude": 100}, {"time": 1, "magnitude": 700}]})";
    ASSERT_TRUE(sim.setWindScheduleText(ramp));
    WindSchedule schedule;
    std::string error;
    ASSERT_TRUE(parseWindSchedule(ramp, "ramp", schedule, error)) << error;
    EXPECT_EQ(sim.wind().magnitude, evaluateWind(schedule, 0.0).magnitude); // what the first step takes
    ASSERT_TRUE(sim.step(8));
    EXPECT_EQ(sim.wind().magnitude, evaluateWind(schedule, 7 * kTimeStep).magnitude); // what the last step took
    EXPECT_GT(sim.wind().magnitude, 100.0);

    const arborvane::Wind asked{arborvane::WindRegime::breeze, 55.5, {0.0, 0.2, 3.0}};
    sim.setWindSource([&](uint64_t, double) { return asked; });
    EXPECT_NE(sim.wind().magnitude, asked.magnitude); // not asked before a step
    ASSERT_TRUE(sim.step());
    EXPECT_EQ(sim.wind().regime, asked.regime);
    EXPECT_EQ(sim.wind().magnitude, asked.magnitude);
    EXPECT_DOUBLE_EQ(sim.wind().direction.z, 3.0 / std::sqrt(0.04 + 9.0)); // as driven: normalised
    ASSERT_TRUE(sim.setWind({arborvane::WindRegime::gale, 250.0, {1.0, 0.0, 0.0}}));
    EXPECT_EQ(sim.wind().magnitude, 250.0);
}

// The noise speeds: refused out of range, and speeds of whole grid periods
// over k steps make the wind, and so the settled motion, repeat after k.
TEST(Api, NoiseSpeedsOfWholePeriodsRepeatTheWind)
{
    arborvane::Simulation closed;
    EXPECT_FALSE(closed.setNoiseSpeed({0.1, 1.0, 0.3}));
    arborvane::Simulation sim = openedSimulation();
    const int n = sim.noiseGridSize();
    ASSERT_EQ(n, 32);
    EXPECT_EQ(sim.noiseSpeed().z, 0.3);
    EXPECT_FALSE(sim.setNoiseSpeed({-0.1, 1.0, 0.3}));
    EXPECT_FALSE(sim.setNoiseSpeed({0.1, 1.0, n + 1.0}));
    EXPECT_FALSE(sim.setNoiseSpeed({0.1, NAN, 0.3}));
    EXPECT_EQ(sim.noiseSpeed().x, 0.1); // unchanged by a refusal
    const int k = 40;
    ASSERT_TRUE(sim.setNoiseSpeed({2.0 * n / k, 0.0, 1.0 * n / k}));
    ASSERT_TRUE(sim.step(20 * k)); // 40 s: the oscillators forget the start
    const arborvane::Point3 before = consumer::treeTop(sim);
    auto away = [&] {
        const arborvane::Point3 p = consumer::treeTop(sim);
        return std::hypot(p.x - before.x, p.z - before.z);
    };
    ASSERT_TRUE(sim.step(k / 2));
    const double halfway = away(); // it moves meanwhile
    ASSERT_TRUE(sim.step(k / 2));
    EXPECT_LT(away(), 0.01 * halfway) << halfway;
    ASSERT_TRUE(sim.setUp(consumer::kSeed + 1)); // reads the folder again: the load-time speeds
    EXPECT_EQ(sim.noiseSpeed().x, 0.1);
}

// A placement holds over setUp(); the origin, asked for, is the lone tree; a bad one changes nothing.
TEST(Api, PlacementHoldsOverSetUpAndBadOnesAreRefused)
{
    arborvane::Simulation sim;
    ASSERT_TRUE(sim.open(kDefaultDataDir, arborvane::OpenOptions{{0.0, 0.0, 0.0}}));
    ASSERT_TRUE(sim.setUp(consumer::kSeed));
    ASSERT_TRUE(sim.setWind({arborvane::WindRegime::gale, 400.0, {1.0, 0.0, 0.0}}));
    ASSERT_TRUE(sim.step(consumer::kSteps));
    EXPECT_EQ(consumer::stateHash(sim), consumer::kGoldenStateHash);

    const arborvane::Placement there{14.0, 3.0, 90.0};
    ASSERT_TRUE(sim.open(kDefaultDataDir, arborvane::OpenOptions{there}));
    ASSERT_TRUE(sim.setUp(consumer::kSeed + 1)); // opens again
    EXPECT_EQ(sim.placement().turn, 90.0);
    const double nan = std::nan("");
    const struct {
        arborvane::Placement placement;
        const char* message;
    } bad[] = {{{nan, 0, 0}, "placement x nan is outside -1e+06..1e+06"},
               {{0, -2e6, 0}, "placement z -2e+06 is outside -1e+06..1e+06"},
               {{0, 0, 361}, "placement turn 361 is outside -360..360"}};
    for (const auto& b : bad) {
        EXPECT_EQ(sim.open(kDefaultDataDir, arborvane::OpenOptions{b.placement}).message, b.message);
        EXPECT_TRUE(sim.isOpen());
        EXPECT_EQ(sim.placement().x, there.x);
    }
}
