// The generated grass field: format, layout of the lawn, blade geometry.
#include <gtest/gtest.h>

#include "data_constants/data_folder.h"
#include "scene/scene.h"

#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

#include "grass/grass_field.h"
#include "tree/tree_model.h"

namespace {

struct Level {
    double w, p[3], u[3], v[3];
};

struct GrassFile {
    int count = 0;
    int levels = 0;
    double header[6] = {};
    std::vector<Level> points; // count * levels, blade by blade, root first
    bool complete = false;     // every number read, nothing after the last
};

GrassFile readGrass(const char* path)
{
    GrassFile file;
    std::ifstream in(path);
    if (!(in >> file.count >> file.levels)) return file;
    for (double& h : file.header) in >> h;
    if (!in || file.count <= 0 || file.levels <= 0 || file.count > 1000000) return file;
    file.points.resize(static_cast<size_t>(file.count) * file.levels);
    for (Level& l : file.points) {
        in >> l.w >> l.p[0] >> l.p[1] >> l.p[2] >> l.u[0] >> l.u[1] >> l.u[2] >> l.v[0] >> l.v[1] >> l.v[2];
    }
    if (!in) return file;
    std::string rest;
    file.complete = !(in >> rest);
    return file;
}

const GrassFile& grass()
{
    static const GrassFile file = readGrass(dataPath(kDefaultDataDir, kGrassFileName).c_str());
    return file;
}

double dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm3(const double* a) { return std::sqrt(dot3(a, a)); }

constexpr double kScale = 1.5; // file units to model units, as the reader scales

} // namespace

TEST(GrassData, FiveThousandBladesOfFiveFiniteLevels)
{
    const GrassFile& g = grass();
    ASSERT_EQ(g.count, 5000);
    ASSERT_EQ(g.levels, 5);
    ASSERT_TRUE(g.complete);
    for (const Level& l : g.points) {
        ASSERT_TRUE(std::isfinite(l.w));
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(std::isfinite(l.p[i]) && std::isfinite(l.u[i]) && std::isfinite(l.v[i]));
        }
    }
}

TEST(GrassData, RootsCoverTheLawnAndKeepClearOfTheTrunk)
{
    const GrassFile& g = grass();
    ASSERT_TRUE(g.complete);
    double minX = 1e9, maxX = -1e9, minZ = 1e9, maxZ = -1e9;
    int centreQuadrants[4] = {0, 0, 0, 0};
    for (int b = 0; b < g.count; ++b) {
        const Level& root = g.points[static_cast<size_t>(b) * g.levels];
        const double x = root.p[0] * kScale, z = root.p[2] * kScale;
        EXPECT_EQ(root.p[1], 0.0);
        EXPECT_LE(std::fabs(x), 10.0);
        EXPECT_LE(std::fabs(z), 10.0);
        EXPECT_GE(std::hypot(x, z), 0.5) << "blade " << b << " stands in the trunk";
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minZ = std::min(minZ, z);
        maxZ = std::max(maxZ, z);
        if (std::hypot(x, z) < 2.0) ++centreQuadrants[(x > 0) + 2 * (z > 0)];
    }
    // A square of 16..20 model units, centred on the trunk.
    EXPECT_GE(maxX - minX, 16.0);
    EXPECT_LE(maxX - minX, 20.0);
    EXPECT_GE(maxZ - minZ, 16.0);
    EXPECT_NEAR(minX + maxX, 0.0, 0.5);
    EXPECT_NEAR(minZ + maxZ, 0.0, 0.5);
    // Blades grow right up to the trunk on every side.
    for (int q : centreQuadrants) EXPECT_GT(q, 10);
}

TEST(GrassData, BladesStandUpTaperAndCarryPerpendicularCrossDirections)
{
    const GrassFile& g = grass();
    ASSERT_TRUE(g.complete);
    double shortest = 1e9, tallest = 0.0;
    for (int b = 0; b < g.count; ++b) {
        const Level* blade = &g.points[static_cast<size_t>(b) * g.levels];
        const double height = blade[g.levels - 1].p[1] * kScale;
        shortest = std::min(shortest, height);
        tallest = std::max(tallest, height);
        // Root half-width after the reader's 1.5 and a mean width factor of 0.8.
        const double halfWidth = blade[0].w * kScale * 0.8 * norm3(blade[0].v);
        EXPECT_GT(halfWidth, 0.015);
        EXPECT_LT(halfWidth, 0.035);
        for (int j = 0; j < g.levels; ++j) {
            const Level& l = blade[j];
            if (j > 0) {
                EXPECT_GT(l.p[1], blade[j - 1].p[1]);   // rises level by level
                EXPECT_LE(l.w, blade[j - 1].w);         // narrows toward the tip
                EXPECT_GT(l.w, 0.0);
            }
            const double nu = norm3(l.u), nv = norm3(l.v);
            ASSERT_GT(nu, 0.5);
            ASSERT_GT(nv, 0.5);
            EXPECT_LT(std::fabs(dot3(l.u, l.v)) / (nu * nv), 1e-3);
            EXPECT_LT(std::fabs(l.v[1]) / nv, 0.2); // width direction nearly level
        }
        // U x V points up the blade (the blade normal of the dynamics).
        const double* u = blade[0].u;
        const double* v = blade[0].v;
        const double upward = (u[2] * v[0] - u[0] * v[2]) / (norm3(u) * norm3(v));
        EXPECT_GT(upward, 0.8);
        // A slight lean: the tip stays within half the height of the root.
        const double drift = std::hypot(blade[g.levels - 1].p[0] - blade[0].p[0], blade[g.levels - 1].p[2] - blade[0].p[2]);
        EXPECT_LT(drift * kScale, 0.5 * height);
    }
    EXPECT_GE(shortest, 0.25 - 1e-6);
    EXPECT_LE(tallest, 0.6 + 1e-6);
    EXPECT_GT(tallest - shortest, 0.2); // natural variety
}

TEST(GrassData, ProgramLoaderReadsTheField)
{
    auto model = std::make_unique<Scene>();
    ASSERT_TRUE(loadGrassFile(model->grass, dataPath(kDefaultDataDir, kGrassFileName).c_str(), model->random));
    ASSERT_EQ(model->grass.bladeCount, 5000);
    ASSERT_EQ(model->grass.pointsPerBlade, 5);
    const GrassFile& g = grass();
    ASSERT_TRUE(g.complete);
    const GrassBlade& last = model->grass.blades[4999];
    const Level& root = g.points[static_cast<size_t>(4999) * g.levels];
    EXPECT_NEAR(last.centre[0].x, root.p[0] * kScale, 1e-9);
    EXPECT_NEAR(last.centre[0].z, root.p[2] * kScale, 1e-9);
    for (int b = 0; b < model->grass.bladeCount; ++b) {
        const GrassBlade& blade = model->grass.blades[b];
        ASSERT_GE(blade.textureIndex, 0);
        ASSERT_LE(blade.textureIndex, 3);
        EXPECT_EQ(blade.baseNormal.status, 0);
        EXPECT_NEAR(length(blade.baseNormal), 1.0, 1e-12);
        EXPECT_GT(blade.baseNormal.y, 0.8);
    }
}
