#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "math/tube_geometry.h"

namespace {

struct Emitted {
    Vec3 normal;
    double u, v;
    Vec3 position;
};

struct Recorder {
    std::vector<std::vector<Emitted>> strips;
    bool open = false;
    void beginStrip()
    {
        EXPECT_FALSE(open);
        open = true;
        strips.emplace_back();
    }
    void vertex(const Vec3& n, double u, double v, const Vec3& p) { strips.back().push_back({n, u, v, p}); }
    void endStrip()
    {
        EXPECT_TRUE(open);
        open = false;
    }
};

Recorder trace(const std::vector<Vec3>& points, const std::vector<double>& thickness, int sides)
{
    Recorder r;
    traceTube(static_cast<int>(points.size()), points.data(), thickness.data(), sides, r);
    return r;
}

double dotv(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

void expectNear(const Vec3& a, const Vec3& b, double eps = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// In a strip the end ring's vertex s sits at index 2s, the start ring's at 2s+1.
const Emitted& endVertex(const std::vector<Emitted>& strip, int s) { return strip[2 * s]; }
const Emitted& startVertex(const std::vector<Emitted>& strip, int s) { return strip[2 * s + 1]; }

} // namespace

TEST(Tube, FewerThanTwoPointsDrawNothing)
{
    EXPECT_TRUE(trace({}, {}, 8).strips.empty());
    EXPECT_TRUE(trace({{0, 0, 0, 0}}, {1.0}, 8).strips.empty());
}

// Side counts are clamped at both ends of 1..kMaxTubeSides.
TEST(Tube, SideCountIsClampedAtBothEnds)
{
    const int asked[][2] = {{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {kMaxTubeSides, kMaxTubeSides}, {kMaxTubeSides + 1, kMaxTubeSides}};
    for (const auto& [sides, kept] : asked) {
        TubeAngles angles;
        makeTubeAngles(sides, angles);
        EXPECT_EQ(angles.sides, kept) << sides;
    }
}

TEST(Tube, StraightUpRingVertices)
{
    const std::vector<Vec3> points{{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}, {0, 3.5, 0, 0}};
    const Recorder r = trace(points, {1, 1, 1, 1}, 8);
    ASSERT_EQ(r.strips.size(), 3u);
    for (size_t k = 0; k < r.strips.size(); ++k) {
        const auto& strip = r.strips[k];
        ASSERT_EQ(strip.size(), 18u); // 2*8 + 2
        expectNear(startVertex(strip, 0).position, add(points[k], {0, 0, 0.5, 0}));
        expectNear(startVertex(strip, 2).position, add(points[k], {0.5, 0, 0, 0}));
        expectNear(endVertex(strip, 0).position, add(points[k + 1], {0, 0, 0.5, 0}));
        expectNear(endVertex(strip, 2).position, add(points[k + 1], {0.5, 0, 0, 0}));
        expectNear(endVertex(strip, 0).normal, {0, 0, 1, 0});
        expectNear(endVertex(strip, 2).normal, {1, 0, 0, 0});
        for (int s = 0; s < 8; ++s) {
            const Vec3 d = sub(endVertex(strip, s).position, points[k + 1]);
            EXPECT_NEAR(std::sqrt(dotv(d, d)), 0.5, 1e-12) << "ring radius is half the thickness";
        }
    }
}

TEST(Tube, RightAngleBendCornerRingFacesOutgoingSegment)
{
    // Up +y, then along +z. (A bend along +x, parallel to the first ring's W,
    // collapses the frame by design: the propagation has nothing to cross.)
    const std::vector<Vec3> points{{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 1, 1, 0}};
    const Recorder r = trace(points, {0.4, 0.3, 0.2}, 16);
    ASSERT_EQ(r.strips.size(), 2u);
    const Vec3 outgoing{0, 0, 1, 0};
    for (int s = 0; s < 16; ++s) {
        const auto& corner = endVertex(r.strips[0], s);
        EXPECT_NEAR(dotv(corner.normal, outgoing), 0.0, 1e-12);
        EXPECT_NEAR(dotv(corner.normal, corner.normal), 1.0, 1e-12);
        EXPECT_NEAR(dotv(sub(corner.position, points[1]), outgoing), 0.0, 1e-12);
        // The last ring faces the last segment too.
        EXPECT_NEAR(dotv(endVertex(r.strips[1], s).normal, outgoing), 0.0, 1e-12);
        // The first ring faces the first segment.
        EXPECT_NEAR(startVertex(r.strips[0], s).normal.y, 0.0, 1e-12);
    }
}

TEST(Tube, NeighbouringStripsShareRingsExactly)
{
    const std::vector<Vec3> points{{0, 0, 0, 0}, {0.3, 1, 0.2, 0}, {0.5, 2, -0.4, 0}, {1.5, 2.5, -0.4, 0}};
    const Recorder r = trace(points, {0.5, 0.4, 0.3, 0.1}, 8);
    ASSERT_EQ(r.strips.size(), 3u);
    for (size_t k = 0; k + 1 < r.strips.size(); ++k) {
        for (int s = 0; s <= 8; ++s) {
            const auto& a = endVertex(r.strips[k], s);
            const auto& b = startVertex(r.strips[k + 1], s);
            expectNear(a.position, b.position, 0.0);
            expectNear(a.normal, b.normal, 0.0);
            EXPECT_EQ(a.u, b.u) << k << " " << s;
        }
    }
}

TEST(Tube, TextureCoordinatesRunOnceAroundAndAlong)
{
    const std::vector<Vec3> points{{0, 0, 0, 0}, {0, 1, 0, 0}, {0.2, 2, 0.1, 0}, {0.1, 3, 0.3, 0}};
    for (int sides : {16, 8, 3}) {
        const Recorder r = trace(points, {1, 1, 1, 1}, sides);
        ASSERT_EQ(r.strips.size(), 3u);
        for (size_t k = 0; k < r.strips.size(); ++k) {
            const auto& strip = r.strips[k];
            ASSERT_EQ(strip.size(), static_cast<size_t>(2 * sides + 2));
            EXPECT_EQ(endVertex(strip, 1).u, 1.0 / sides); // exactly, 1/3 included
            for (int s = 0; s < sides; ++s) {
                EXPECT_DOUBLE_EQ(endVertex(strip, s).u, static_cast<double>(s) / sides);
                EXPECT_EQ(startVertex(strip, s).v, k / 3.0);
                EXPECT_EQ(endVertex(strip, s).v, (k + 1) / 3.0);
            }
            // The closing pair repeats vertex 0 with u exactly 1.
            EXPECT_EQ(endVertex(strip, sides).u, 1.0);
            EXPECT_EQ(startVertex(strip, sides).u, 1.0);
            EXPECT_EQ(endVertex(strip, sides).position.x, endVertex(strip, 0).position.x);
        }
        EXPECT_EQ(startVertex(r.strips.front(), 0).v, 0.0);
        EXPECT_EQ(endVertex(r.strips.back(), 0).v, 1.0);
    }
}

TEST(Tube, QuadsFaceOutward)
{
    const std::vector<Vec3> points{{0, 0, 0, 0}, {0.2, 1, 0.1, 0}, {0.6, 1.8, -0.3, 0}};
    const Recorder r = trace(points, {0.5, 0.4, 0.3}, 8);
    for (size_t k = 0; k < r.strips.size(); ++k) {
        const auto& strip = r.strips[k];
        const Vec3 axisMid = scale(add(points[k], points[k + 1]), 0.5);
        for (int s = 0; s < 8; ++s) {
            // Triangle (end s, start s, start s+1) of the quad.
            const Vec3 a = endVertex(strip, s).position;
            const Vec3 b = startVertex(strip, s).position;
            const Vec3 c = startVertex(strip, s + 1).position;
            const Vec3 n = cross(sub(b, a), sub(c, a));
            const Vec3 centre = scale(add(add(a, b), c), 1.0 / 3.0);
            EXPECT_GT(dotv(n, sub(centre, axisMid)), 0.0) << "segment " << k << " side " << s;
        }
    }
}

TEST(Tube, CoincidentFirstPointsGiveDegenerateStrips)
{
    const std::vector<Vec3> points{{1, 2, 3, 0}, {1, 2, 3, 0}, {1, 3, 3, 0}};
    const Recorder r = trace(points, {1, 1, 1}, 8);
    ASSERT_EQ(r.strips.size(), 2u);
    for (size_t k = 0; k < r.strips.size(); ++k) {
        for (int s = 0; s <= 8; ++s) {
            const auto& e = endVertex(r.strips[k], s);
            EXPECT_FALSE(std::isnan(e.position.x) || std::isnan(e.normal.x));
            expectNear(e.position, points[k + 1], 0.0);
            expectNear(e.normal, {0, 0, 0, 0}, 0.0);
        }
    }
}

TEST(Tube, FirstFrameStraightUpAndOblique)
{
    expectNear(tubeReference({0, 1, 0, 0}), {1, 0, 0, 0}, 0.0);
    Vec3 v, w;
    tubeInitialFrame({0, 1, 0, 0}, v, w);
    expectNear(v, {0, 0, 1, 0}, 0.0);
    expectNear(w, {1, 0, 0, 0}, 0.0);
    const Vec3 t{1, 2, 3, 0};
    const Vec3 u = tubeReference(t);
    EXPECT_EQ(dotv(u, {1, 0, 0, 0}), 0.0);
    EXPECT_NEAR(dotv(u, u), 1.0, 1e-12);
    tubeInitialFrame(t, v, w);
    EXPECT_NEAR(dotv(v, t), 0.0, 1e-12);
    EXPECT_NEAR(dotv(w, t), 0.0, 1e-12);
    EXPECT_GT(dotv(cross(v, w), t), 0.0) << "(direction, V, W) is right-handed";
    expectNear(tubeReference({2, 3, 0, 0}), {0, 0, 1, 0}, 0.0);
    expectNear(tubeReference({2, 0, 3, 0}), {0, 1, 0, 0}, 0.0);
}
