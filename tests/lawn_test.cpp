// A lawn grown over a stand's ground: copies of the grass field, each blade
// its own, reached by a travelling front where it lies.
#include <gtest/gtest.h>

#include <arborvane/arborvane.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "api/scene_access.h"
#include "consumer/state_hash.h"
#include "data_constants/data_folder.h"
#include "scene/scene.h"

namespace {

// A still wind until 6 s, then a gale, carried downwind by a front of 20 units/s.
const char* kFrontGale = R"({"keys": [{"time": 0, "magnitude": 0}, {"time": 6, "magnitude": 0},
    {"time": 7, "magnitude": 400}], "front_speed": 20})";

struct Grown {
    arborvane::Simulation sim{arborvane::Workers{1}};
    const Scene& scene() const { return *arborvane::SceneAccess::scene(sim); }
};

void open(Grown& g, const arborvane::Lawn& lawn)
{
    ASSERT_TRUE(g.sim.open(kDefaultDataDir, arborvane::OpenOptions{{}, lawn}) && g.sim.setUp(2)) << "generated data missing";
}

// The loaded field's root span along x and z: the tile, measured here from the views.
void fieldSpan(const arborvane::Simulation& sim, double span[2])
{
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (std::size_t b = 0; b < sim.grassBladeCount(); ++b) {
        const arborvane::Point3 r = sim.restGrassCentre(b)[0];
        lo[0] = std::min(lo[0], r.x), hi[0] = std::max(hi[0], r.x);
        lo[1] = std::min(lo[1], r.z), hi[1] = std::max(hi[1], r.z);
    }
    for (int a = 0; a < 2; ++a) span[a] = hi[a] - lo[a];
}

double tipSway(const arborvane::Simulation& sim, std::size_t b)
{
    const arborvane::Point3 p = sim.grassCentre(b)[4], r = sim.restGrassCentre(b)[4];
    return std::hypot(p.x - r.x, p.y - r.y, p.z - r.z);
}

} // namespace

TEST(Lawn, GrowsByWholeTilesAndWithinOneTileIsTheLoadedField)
{
    Grown plain;
    open(plain, {});
    const std::size_t n = plain.sim.grassBladeCount();
    double span[2];
    fieldSpan(plain.sim, span);
    ASSERT_GT(span[0], 10.0);
    const struct {
        double x, z;
        std::size_t tiles;
    } cases[] = {{0.0, 0.0, 1}, {span[0], 0.5 * span[1], 1}, {1.01 * span[0], 0.0, 2}, {160.0, 100.0, 0}};
    for (const auto& c : cases) {
        Grown g;
        open(g, {c.x, c.z});
        const std::size_t tiles = c.tiles ? c.tiles
                                          : static_cast<std::size_t>(std::ceil(c.x / span[0]) * std::ceil(c.z / span[1]));
        EXPECT_EQ(g.sim.grassBladeCount(), n * tiles) << c.x << " x " << c.z;
    }
    // Within one tile: the loaded field's motion, bit for bit, fronts and all.
    Grown within;
    open(within, {0.9 * span[0], 0.9 * span[1]});
    for (Grown* g : {&plain, &within}) ASSERT_TRUE(g->sim.setWindScheduleText(kFrontGale) && g->sim.step(150));
    EXPECT_EQ(consumer::stateHash(within.sim), consumer::stateHash(plain.sim));
    // A stand's lawn within one tile keeps the stand's motion too.
    arborvane::Stand a(arborvane::Workers{1}), b(arborvane::Workers{1});
    ASSERT_TRUE(b.setLawn({0.9 * span[0], 0.9 * span[1]}));
    for (arborvane::Stand* s : {&a, &b}) ASSERT_TRUE(s->addTree(kDefaultDataDir, {3.0, 1.0, 20.0}, 4) && s->step(20));
    EXPECT_EQ(consumer::stateHash(a.tree(0)), consumer::stateHash(b.tree(0)));
    EXPECT_FALSE(b.setLawn({10.0, 10.0})) << "after a tree was added";
    EXPECT_EQ(arborvane::Stand().setLawn({-1.0, 10.0}).message, "lawn x -1 is outside 0..1000");
}

// Three tiles along x: the middle one is the loaded field, the others blades
// of their own where they lie.
TEST(Lawn, ACopyIsABladeOfItsOwnAndTheFirstTileKeepsItsMotion)
{
    Grown plain, grown;
    open(plain, {});
    double span[2];
    fieldSpan(plain.sim, span);
    open(grown, {2.5 * span[0], 0.0});
    const std::size_t n = plain.sim.grassBladeCount();
    ASSERT_EQ(grown.sim.grassBladeCount(), 3 * n);
    const Scene& s = grown.scene();
    ASSERT_EQ(s.fieldPoints.blades.size(), 2 * 3 * n);
    int ownOscillators = 0;
    for (std::size_t b = 0; b < n; b += 97) {
        const GrassBlade& source = s.grass.blades[b];
        EXPECT_EQ(source.noisePosition.z, plain.scene().grass.blades[b].noisePosition.z) << b;
        for (std::size_t copy : {b + n, b + 2 * n}) {
            const GrassBlade& c = s.grass.blades[copy];
            const double dx = c.restCentre[0].x - source.restCentre[0].x;
            EXPECT_NEAR(std::fabs(dx), span[0], 1e-6 * span[0]) << copy;
            EXPECT_EQ(c.restCentre[0].z, source.restCentre[0].z);
            EXPECT_NE(c.noisePosition.z, source.noisePosition.z) << copy; // the grid's x, where the copy lies
            EXPECT_EQ(s.fieldPoints.blades[2 * copy], c.restCentre[0].x);
            EXPECT_EQ(s.fieldPoints.blades[2 * copy + 1], c.restCentre[0].z);
            ownOscillators += c.frequency != source.frequency;
        }
    }
    EXPECT_GT(ownOscillators, 90); // 104 copies checked; equal draws are rare
    // Without fronts the loaded tile moves as the field alone, and the tree with it.
    for (Grown* g : {&plain, &grown}) ASSERT_TRUE(g->sim.step(40));
    for (std::size_t b = 0; b < n; b += 53)
        for (int j = 0; j < 5; ++j) EXPECT_EQ(grown.sim.grassCentre(b)[j].y, plain.sim.grassCentre(b)[j].y) << b;
    EXPECT_EQ(grown.sim.branchPoints(0)[3].x, plain.sim.branchPoints(0)[3].x);
}

// The gale's front crosses the lawn at its speed: the blade farthest
// downwind starts to sway (x_far - x_near) / speed after the one farthest upwind.
TEST(Lawn, AFrontReachesADownwindBladeDistanceOverSpeedLater)
{
    Grown g;
    open(g, {200.0, 10.0});
    ASSERT_TRUE(g.sim.setWindScheduleText(kFrontGale));
    std::size_t near = 0, far = 0;
    for (std::size_t b = 1; b < g.sim.grassBladeCount(); ++b) {
        if (g.sim.restGrassCentre(b)[0].x < g.sim.restGrassCentre(near)[0].x) near = b;
        if (g.sim.restGrassCentre(b)[0].x > g.sim.restGrassCentre(far)[0].x) far = b;
    }
    const double distance = g.sim.restGrassCentre(far)[0].x - g.sim.restGrassCentre(near)[0].x;
    ASSERT_GT(distance, 150.0);
    double onset[2] = {-1.0, -1.0};
    for (int k = 1; k <= 300 && onset[1] < 0.0; ++k) {
        ASSERT_TRUE(g.sim.step());
        const std::size_t blades[2] = {near, far};
        for (int i = 0; i < 2; ++i)
            if (onset[i] < 0.0 && tipSway(g.sim, blades[i]) > 1e-4) onset[i] = k * arborvane::Simulation::timeStep();
    }
    ASSERT_GT(onset[0], 0.0);
    ASSERT_GT(onset[1], 0.0) << "the front never came";
    RecordProperty("lag_over_expected", std::to_string((onset[1] - onset[0]) / (distance / 20.0)));
    EXPECT_NEAR(onset[1] - onset[0], distance / 20.0, 0.2 * distance / 20.0);
}
