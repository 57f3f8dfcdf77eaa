// Simulations are independent: two stepped at once on two threads end where
// each ends alone, and each hears only its own loaders' lines.
#include <gtest/gtest.h>

#include <arborvane/arborvane.h>

#include <string>
#include <thread>
#include <vector>

#include "consumer/state_hash.h"
#include "data_constants/data_folder.h"

namespace {

struct Plan {
    arborvane::Workers workers;           // what it steps on
    std::uint32_t seed;                   // foliage seed
    arborvane::Wind wind;                 // constant wind
    std::string dataDir = kDefaultDataDir; // folder it opens
};

struct Outcome {
    bool ok = false;                 // every call succeeded
    std::uint64_t hash = 0;          // state after the steps
    std::vector<std::string> lines;  // what its handler heard
};

Outcome play(const Plan& plan)
{
    Outcome out;
    arborvane::Simulation sim(plan.workers);
    sim.setMessageHandler([&](const std::string& line) { out.lines.push_back(line); });
    if (!sim.open(plan.dataDir) || !sim.setUp(plan.seed) || !sim.setWind(plan.wind)) return out;
    out.ok = static_cast<bool>(sim.step(40));
    out.hash = consumer::stateHash(sim);
    return out;
}

} // namespace

TEST(Simulations, TwoAtOnceOnTwoThreadsEqualEachAlone)
{
    const arborvane::Wind gale{arborvane::WindRegime::gale, 400.0, {1.0, 0.0, 0.0}};
    const arborvane::Wind breeze{arborvane::WindRegime::breeze, 150.0, {0.0, 0.0, 1.0}};
    // Own single-thread workers, own pools, and the shared pool taken in turns.
    for (int threads : {1, 2, 0}) {
        const Plan runs[2] = {{{threads}, 1, gale}, {{threads}, 9, breeze}};
        const Outcome alone[2] = {play(runs[0]), play(runs[1])};
        ASSERT_TRUE(alone[0].ok && alone[1].ok) << "generated data missing";
        ASSERT_NE(alone[0].hash, alone[1].hash);
        Outcome together[2];
        std::thread other([&] { together[1] = play(runs[1]); });
        together[0] = play(runs[0]);
        other.join();
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(together[i].ok) << threads << " threads, run " << i;
            EXPECT_EQ(together[i].hash, alone[i].hash) << threads << " threads, run " << i;
            EXPECT_EQ(together[i].lines, alone[i].lines) << threads << " threads, run " << i;
        }
    }
}

TEST(Simulations, EachHearsOnlyItsOwnLoaders)
{
    // One opens a folder that is not there while the other loads the real one.
    const Plan good{{1}, 1, {}};
    const Plan missing{{1}, 1, {}, "no/such/folder"};
    Outcome heard[2];
    std::thread other([&] { heard[1] = play(missing); });
    heard[0] = play(good);
    other.join();
    ASSERT_FALSE(heard[0].lines.empty());
    ASSERT_FALSE(heard[1].lines.empty());
    for (const std::string& line : heard[0].lines) EXPECT_EQ(line.find("no/such/folder"), std::string::npos) << line;
    bool named = false;
    for (const std::string& line : heard[1].lines) named = named || line.find("no/such/folder") != std::string::npos;
    EXPECT_TRUE(named);
    EXPECT_FALSE(heard[1].ok);
}
