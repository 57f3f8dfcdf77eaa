#include <gtest/gtest.h>

#include <cmath>

#include "motion_scene.h"
#include "tree/foliage.h"

namespace {

constexpr double kPi = 3.1415926538;
constexpr double kTilt[6] = {0.78539816345, 1.0471975512666667, 1.178097245175,
                             1.0471975512666667, 0.78539816345, 0.392699081725};

struct Foliage {
    std::unique_ptr<TreeModel> model = std::make_unique<TreeModel>();
    LeafTemplate tmpl;
};

std::unique_ptr<Foliage> makeFoliage(uint32_t seed, int branches = 40)
{
    auto f = std::make_unique<Foliage>();
    Random random;
    motion_scene::buildTree(*f->model, branches);
    motion_scene::buildLeafTemplate(f->tmpl);
    placeLeaves(*f->model, f->tmpl, &seed, random);
    initLeafFrames(*f->model, &seed, random);
    return f;
}

Vec3 unit(Vec3 v)
{
    normalize(v);
    return v;
}

double dotv(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Spread, scale, tilt and spiral of one branch's leaves about its last segment.
void expectLeafSpiral(const Branch& b, const LeafTemplate& tmpl, int i)
{
    const Vec3 p = b.points[b.pointCount - 2];
    const Vec3 q = b.points[b.pointCount - 1];
    const Vec3 a = unit(sub(q, p));
    for (int j = 0; j < 6; ++j) {
        const Leaf& leaf = b.leaves[j];
        // The template's first petiole point is its origin.
        const Vec3 base = leaf.petiolePoints[0];
        EXPECT_NEAR(base.x, p.x + (q.x - p.x) * j / 5.0, 1e-12);
        EXPECT_NEAR(base.y, p.y + (q.y - p.y) * j / 5.0, 1e-12);
        if (j == 0) {
            EXPECT_EQ(base.x, p.x);
        }
        for (int k = 0; k < 16; ++k) EXPECT_EQ(leaf.bladeMatrix.m[k], leaf.restBladeMatrix.m[k]);
        for (int k = 0; k < 6; ++k) {
            EXPECT_EQ(leaf.petiolePoints[k].x, leaf.restPetiolePoints[k].x);
            EXPECT_EQ(leaf.petioleRadii[k], tmpl.petioleVertexRadii[k]);
        }
        // Blade scale grows to the tip; its y axis is tilted off the segment
        // by pi/2 - K[j] within the +-15 degree jitter.
        const Vec3 o = transformPoint(leaf.bladeMatrix, Vec3{});
        const Vec3 yAxis = sub(transformPoint(leaf.bladeMatrix, Vec3{0, 1, 0, 0}), o);
        EXPECT_NEAR(length(yAxis), 0.5 + 0.5 * j / 6.0, 1e-9) << i << " " << j;
        const double tilt = std::acos(dotv(unit(yAxis), a));
        EXPECT_NEAR(tilt, kPi / 2 - kTilt[j], kPi / 12 + 1e-9) << i << " " << j;
    }
    // Successive leaves turn about the segment by 137.5 +- 7 degrees.
    for (int j = 0; j + 1 < 6; ++j) {
        auto side = [&](int k) {
            const Mat4& m = b.leaves[k].bladeMatrix;
            const Vec3 y = sub(transformPoint(m, Vec3{0, 1, 0, 0}), transformPoint(m, Vec3{}));
            return unit(sub(y, scale(a, dotv(y, a))));
        };
        const Vec3 s0 = side(j), s1 = side(j + 1);
        double turn = std::atan2(dotv(cross(s0, s1), a), dotv(s0, s1));
        // rotate() turns points by minus the angle, so the spiral runs clockwise about A.
        turn = -turn;
        if (turn < 0) turn += 2 * kPi;
        EXPECT_NEAR(turn, 2.3998277216527777, 0.1222 + 1e-6) << i << " " << j;
    }
}

} // namespace

TEST(Foliage, LeavesSpreadOverLastSegment)
{
    auto f = makeFoliage(7);
    for (int i = 0; i < f->model->branchCount; ++i) expectLeafSpiral(f->model->branches[i], f->tmpl, i);
}

// A hand-made tree may end a branch exactly level or exactly upright, where
// the horizontal part of the segment gives no side direction.
TEST(Foliage, LevelAndUprightLastSegmentsStillSpiral)
{
    const Vec3 directions[] = {{1, 0, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0.6, 0, -0.8, 0}, {0, 1, 0, 0}, {0, -1, 0, 0}};
    auto model = std::make_unique<TreeModel>();
    model->branchCount = 0;
    for (const Vec3& d : directions) {
        Branch& b = model->branches[model->branchCount++];
        b.pointCount = 3;
        b.points.reset(new Vec3[3]);
        b.radii.reset(new double[3]);
        // A bend before the last segment, as a real branch has.
        b.points[0] = {0, -1, 0, 0};
        b.points[1] = {0.2, 0, 0.1, 0};
        b.points[2] = add(b.points[1], scale(d, 0.8));
    }
    LeafTemplate tmpl;
    motion_scene::buildLeafTemplate(tmpl);
    Random random;
    for (uint32_t seed : {1u, 2u, 3u}) {
        placeLeaves(*model, tmpl, &seed, random);
        for (int i = 0; i < model->branchCount; ++i) expectLeafSpiral(model->branches[i], tmpl, i);
    }
}

TEST(Foliage, RandomParametersAndFrames)
{
    auto f = makeFoliage(99);
    for (int i = 0; i < f->model->branchCount; ++i)
        for (const Leaf& leaf : f->model->branches[i].leaves) {
            EXPECT_GE(leaf.stiffness, 0.9);
            EXPECT_LE(leaf.stiffness, 1.1);
            EXPECT_GE(leaf.frequency, 1.3);
            EXPECT_LE(leaf.frequency, 1.7);
            EXPECT_GE(leaf.dampingRatio, 0.07);
            EXPECT_LE(leaf.dampingRatio, 0.09);
            const Vec3 p0 = leaf.petiolePoints[0];
            const Vec3 x = sub(leaf.frameX, p0), y = sub(leaf.frameY, p0), z = sub(leaf.frameZ, p0);
            for (const Vec3* axis : {&x, &y, &z}) EXPECT_NEAR(length(*axis), 1.0, 1e-12);
            for (double d : {dotv(x, y), dotv(y, z), dotv(x, z)}) EXPECT_NEAR(d, 0.0, 1e-12);
            // Y along the first petiole segment.
            EXPECT_NEAR(dotv(y, unit(sub(leaf.petiolePoints[1], p0))), 1.0, 1e-12);
            EXPECT_EQ(leaf.restFrameX.x, leaf.frameX.x);
            EXPECT_EQ(leaf.restFrameZ.z, leaf.frameZ.z);
            EXPECT_EQ(leaf.bendPosition[1], 0.0);
        }
}

TEST(Foliage, SeedDecidesTheFoliage)
{
    auto a = makeFoliage(1234, 10);
    auto b = makeFoliage(1234, 10);
    auto c = makeFoliage(4321, 10);
    EXPECT_EQ(a->model->branches[5].leaves[2].bladeMatrix.m[0], b->model->branches[5].leaves[2].bladeMatrix.m[0]);
    EXPECT_EQ(a->model->branches[5].leaves[2].stiffness, b->model->branches[5].leaves[2].stiffness);
    EXPECT_NE(a->model->branches[5].leaves[2].bladeMatrix.m[0], c->model->branches[5].leaves[2].bladeMatrix.m[0]);
}

TEST(Foliage, DegenerateLeafFrameIsReported)
{
    auto model = std::make_unique<TreeModel>();
    motion_scene::buildTree(*model, 2);
    LeafTemplate tmpl;
    // A petiole along the blade's own y axis leaves no plane for the frame.
    for (int k = 0; k < kPetiolePoints; ++k) tmpl.petioleVertices[k] = {0, 0.1 * k, 0, 0};
    const uint32_t seed = 3;
    Random random;
    placeLeaves(*model, tmpl, &seed, random);
    testing::internal::CaptureStdout();
    initLeafFrames(*model, &seed, random);
    const std::string out = testing::internal::GetCapturedStdout();
    // The first three by name, then the count: not one line per leaf.
    EXPECT_EQ(out, "Error! i=0, j=0\nError! i=0, j=1\nError! i=0, j=2\nError! 12 leaves in all have no frame\n");
}

TEST(Foliage, BranchWithoutLastSegmentIsSkipped)
{
    auto model = std::make_unique<TreeModel>();
    model->branchCount = 1;
    Branch& b = model->branches[0];
    b.pointCount = 1;
    b.points.reset(new Vec3[1]);
    b.radii.reset(new double[1]);
    b.points[0] = {1, 2, 3, 0};
    LeafTemplate tmpl;
    motion_scene::buildLeafTemplate(tmpl);
    const uint32_t seed = 3;
    Random random;
    placeLeaves(*model, tmpl, &seed, random);
    EXPECT_EQ(b.leaves[0].bladeMatrix.m[3], 0.0);
}
