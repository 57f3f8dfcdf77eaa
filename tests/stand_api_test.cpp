// A stand is its trees stepped side by side: each moves as it would alone at
// its place, whatever the workers.
#include <gtest/gtest.h>

#include <arborvane/arborvane.h>

#include <cstdint>
#include <string>

#include "consumer/state_hash.h"
#include "data_constants/data_folder.h"

namespace {

const arborvane::Wind kGale{arborvane::WindRegime::gale, 500.0, {1.0, 0.0, 0.3}};

} // namespace

TEST(Stand, OneTreeAtTheOriginMovesAsALoneSimulation)
{
    arborvane::Simulation alone(arborvane::Workers{1});
    ASSERT_TRUE(alone.open(kDefaultDataDir) && alone.setUp(3) && alone.setWind(kGale)) << "generated data missing";
    ASSERT_TRUE(alone.step(30));
    for (int threads : {1, 2, 0}) {
        arborvane::Stand stand(arborvane::Workers{threads});
        ASSERT_TRUE(stand.addTree(kDefaultDataDir, {}, 3));
        ASSERT_TRUE(stand.setWind(kGale));
        ASSERT_TRUE(stand.step(10) && stand.step(20));
        EXPECT_EQ(stand.stepCount(), 30u);
        EXPECT_EQ(consumer::stateHash(stand.tree(0)), consumer::stateHash(alone)) << threads << " threads";
    }
}

TEST(Stand, TreesAtOnePlaceMoveAlikeAndApartDifferently)
{
    arborvane::Stand stand(arborvane::Workers{2});
    ASSERT_TRUE(stand.setWind(kGale)); // before the trees: they take it when added
    for (const arborvane::Placement& p :
         {arborvane::Placement{5.0, -2.0, 30.0}, {5.0, -2.0, 30.0}, {-9.0, 7.0, 30.0}})
        ASSERT_TRUE(stand.addTree(kDefaultDataDir, p, 7));
    ASSERT_TRUE(stand.step(40));
    EXPECT_EQ(consumer::stateHash(stand.tree(0)), consumer::stateHash(stand.tree(1)));
    EXPECT_NE(consumer::stateHash(stand.tree(0)), consumer::stateHash(stand.tree(2)));
}

TEST(Stand, RefusalsChangeNothing)
{
    arborvane::Stand stand(arborvane::Workers{1});
    EXPECT_EQ(stand.step().message, "step before any tree was added");
    EXPECT_FALSE(stand.addTree("no-such-folder", {}, 1));
    EXPECT_EQ(stand.treeCount(), 0u);
    ASSERT_TRUE(stand.addTree(kDefaultDataDir, {}, 1));
    ASSERT_TRUE(stand.setWind(kGale));
    const arborvane::Wind refused{arborvane::WindRegime::gale, 900.0, {1.0, 0.0, 0.0}};
    EXPECT_FALSE(stand.setWind(refused));
    EXPECT_FALSE(stand.setWindScheduleText("{\"keys\": []}", "w.json"));
    EXPECT_EQ(stand.wind().magnitude, 500.0);
    EXPECT_EQ(stand.tree(0).wind().magnitude, 500.0);
    EXPECT_EQ(stand.step(-1).message, "step count -1 is negative");
    ASSERT_TRUE(stand.step());
    EXPECT_FALSE(stand.addTree(kDefaultDataDir, {}, 1)); // the trees share one clock
}
