// The library's rest-state views (include/arborvane/arborvane.h) on the
// generated data: what a rig is built from must be the state set-up left,
// stay put while the tree moves, and hang together as one tree.
#include <gtest/gtest.h>

#include <arborvane/arborvane.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "consumer/state_hash.h"
#include "data_constants/data_folder.h"

namespace {

using arborvane::Point3;
using arborvane::Simulation;
using arborvane::Strided;

bool samePoints(const Strided<Point3>& a, const Strided<Point3>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(Point3)) != 0) return false;
    return true;
}

bool isIdentity(const arborvane::Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
        if (m.m[i] != (i % 5 == 0 ? 1.0 : 0.0)) return false;
    return true;
}

Simulation setUpSimulation(arborvane::CentreLines lines)
{
    Simulation sim(arborvane::Workers{1}, lines);
    const arborvane::Result opened = sim.open(kDefaultDataDir);
    EXPECT_TRUE(opened) << opened.message;
    EXPECT_TRUE(sim.setUp(consumer::kSeed));
    EXPECT_TRUE(sim.setWind({arborvane::WindRegime::gale, 600.0, {1.0, 0.0, 0.3}}));
    return sim;
}

// Every rest view in reading order.
std::uint64_t restHash(const Simulation& sim)
{
    consumer::Fnv f;
    for (size_t b = 0; b < sim.branchCount(); ++b) {
        const Strided<Point3> points = sim.restBranchPoints(b);
        for (size_t k = 0; k < points.size(); ++k) f.add(points[k]);
        for (double r : sim.restBranchRadii(b)) f.add(r);
        for (size_t l = 0; l < sim.leavesPerBranch(); ++l) {
            const Strided<Point3> petiole = sim.restLeafPetiole(b, l);
            for (size_t k = 0; k < petiole.size(); ++k) f.add(petiole[k]);
        }
    }
    for (size_t g = 0; g < sim.grassBladeCount(); ++g)
        for (const Strided<Point3>& line : {sim.restGrassCentre(g), sim.restGrassEdge(g)})
            for (size_t k = 0; k < line.size(); ++k) f.add(line[k]);
    return f.h;
}

} // namespace

TEST(ApiRest, RestViewsAreTheSetUpStateAndStayWhileTheTreeMoves)
{
    Simulation sim = setUpSimulation(arborvane::CentreLines::asInFile);
    ASSERT_GT(sim.branchCount(), 1u);
    ASSERT_GT(sim.grassBladeCount(), 0u);
    for (size_t b = 0; b < sim.branchCount(); ++b) {
        EXPECT_TRUE(samePoints(sim.restBranchPoints(b), sim.branchPoints(b))) << "branch " << b;
        const auto rest = sim.restBranchRadii(b), live = sim.branchRadii(b);
        ASSERT_EQ(rest.size(), live.size());
        EXPECT_TRUE(std::equal(rest.begin(), rest.end(), live.begin())) << "branch " << b;
        EXPECT_TRUE(isIdentity(sim.branchBaseTransform(b))) << "branch " << b;
        for (size_t l = 0; l < sim.leavesPerBranch(); ++l) {
            EXPECT_TRUE(samePoints(sim.restLeafPetiole(b, l), sim.leafPetiole(b, l))) << b << "." << l;
            EXPECT_EQ(sim.leafPetioleRadii(b, l).size(), sim.leafPetiole(b, l).size());
        }
    }
    for (size_t g = 0; g < sim.grassBladeCount(); ++g) {
        EXPECT_TRUE(samePoints(sim.restGrassCentre(g), sim.grassCentre(g))) << "blade " << g;
        EXPECT_TRUE(samePoints(sim.restGrassEdge(g), sim.grassEdge(g))) << "blade " << g;
    }
    const std::uint64_t before = restHash(sim);
    ASSERT_TRUE(sim.step(20));
    EXPECT_EQ(restHash(sim), before);
    size_t moved = 0, carried = 0;
    for (size_t b = 0; b < sim.branchCount(); ++b) {
        moved += !samePoints(sim.restBranchPoints(b), sim.branchPoints(b));
        carried += !isIdentity(sim.branchBaseTransform(b));
    }
    EXPECT_GT(moved, sim.branchCount() / 2);
    EXPECT_GT(carried, sim.branchCount() / 2); // the children ride on their parents' turns
}

TEST(ApiRest, FileLinesHoldOnePointPerFilePointAndMoveAsTheRefinedOnes)
{
    Simulation plain = setUpSimulation(arborvane::CentreLines::asInFile);
    Simulation refined = setUpSimulation(arborvane::CentreLines::refined);
    ASSERT_EQ(plain.branchCount(), refined.branchCount());
    for (int steps : {0, 15}) {
        ASSERT_TRUE(plain.step(steps));
        ASSERT_TRUE(refined.step(steps));
        for (size_t b = 0; b < plain.branchCount(); ++b) {
            const Strided<Point3> p = plain.branchPoints(b), r = refined.branchPoints(b);
            ASSERT_EQ(p.size(), refined.restBranchPoints(b).size()) << "branch " << b;
            ASSERT_EQ(r.size(), 2 * p.size() - 1) << "branch " << b;
            // Refinement only adds midpoints: every second point is the file's.
            for (size_t k = 0; k < p.size(); ++k)
                ASSERT_EQ(std::memcmp(&p[k], &r[2 * k], sizeof(Point3)), 0) << steps << " steps, " << b << "." << k;
        }
    }
}

TEST(ApiRest, HierarchyBoundsAndTemplateHangTogether)
{
    Simulation sim = setUpSimulation(arborvane::CentreLines::asInFile);
    const size_t branches = sim.branchCount();
    std::vector<int> parents(branches, 0);
    const arborvane::Box box = sim.sceneBounds();
    for (size_t b = 0; b < branches; ++b) {
        const Strided<Point3> rest = sim.restBranchPoints(b);
        for (size_t k = 0; k < rest.size(); ++k) {
            const Point3& p = rest[k];
            EXPECT_TRUE(p.x >= box.min.x && p.y >= box.min.y && p.z >= box.min.z && p.x <= box.max.x &&
                        p.y <= box.max.y && p.z <= box.max.z)
                << b << "." << k;
        }
        const Strided<arborvane::ChildBranch> children = sim.branchChildren(b);
        for (size_t c = 0; c < children.size(); ++c) {
            const arborvane::ChildBranch child = children[c];
            ASSERT_TRUE(child.branch > 0 && static_cast<size_t>(child.branch) < branches) << child.branch;
            ASSERT_TRUE(child.attachPoint >= 0 && static_cast<size_t>(child.attachPoint) < rest.size());
            ++parents[child.branch];
        }
    }
    // One tree: the trunk is nobody's child, every other branch one branch's.
    EXPECT_EQ(parents[0], 0);
    for (size_t b = 1; b < branches; ++b) EXPECT_EQ(parents[b], 1) << "branch " << b;
    EXPECT_EQ(sim.leafBladeTexCoords().size(), 2 * sim.leafBladeVertices().size());
    for (size_t g = 0; g < sim.grassBladeCount(); ++g) {
        const int t = sim.grassBladeTexture(g);
        EXPECT_TRUE(t >= 0 && t < 4) << "blade " << g << ": " << t;
    }
}

TEST(ApiRest, ViewsAreEmptyBeforeOpenAndOutOfRange)
{
    Simulation sim;
    auto emptyEverywhere = [&](size_t b, size_t l, size_t g) {
        EXPECT_TRUE(sim.restBranchPoints(b).empty() && sim.restBranchRadii(b).empty() &&
                    sim.branchChildren(b).empty() && sim.restLeafPetiole(b, l).empty() &&
                    sim.leafPetioleRadii(b, l).empty() && sim.restGrassCentre(g).empty() &&
                    sim.restGrassEdge(g).empty());
        EXPECT_TRUE(isIdentity(sim.branchBaseTransform(b)));
        EXPECT_EQ(sim.grassBladeTexture(g), -1);
    };
    emptyEverywhere(0, 0, 0);
    EXPECT_TRUE(sim.leafBladeTexCoords().empty());
    const arborvane::Box box = sim.sceneBounds();
    EXPECT_TRUE(box.min.x == 0 && box.min.y == 0 && box.min.z == 0 && box.max.x == 0 && box.max.y == 0 &&
                box.max.z == 0);
    arborvane::LoadSummary summary;
    EXPECT_FALSE(sim.open("./no-such-data", &summary));
    EXPECT_EQ(summary.failedFile.rfind("./no-such-data/", 0), 0u) << summary.failedFile;
    ASSERT_TRUE(sim.open(kDefaultDataDir, &summary));
    EXPECT_EQ(summary.failedFile, "");
    emptyEverywhere(sim.branchCount(), 0, sim.grassBladeCount());
    EXPECT_TRUE(sim.restLeafPetiole(0, sim.leavesPerBranch()).empty());
    EXPECT_TRUE(sim.leafPetioleRadii(1, sim.leavesPerBranch()).empty());
    EXPECT_FALSE(sim.restLeafPetiole(1, 0).empty());
}
