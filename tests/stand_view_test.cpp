// A placed tree's view draws tree-space points where the stand's placement
// puts them, lights it from the same world direction, and the stand camera
// keeps every tree in the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "view/stand_view.h"

namespace {

// OpenGL-order matrix (element (r, c) at 4c + r) times a point.
Vec3 apply(const Mat4& m, const Vec3& p)
{
    const double* a = m.m;
    return {a[0] * p.x + a[4] * p.y + a[8] * p.z + a[12], a[1] * p.x + a[5] * p.y + a[9] * p.z + a[13],
            a[2] * p.x + a[6] * p.y + a[10] * p.z + a[14], 0};
}

// The placement by hand: turn counter-clockwise seen from above (+x towards -z), then move.
Vec3 placed(const Vec3& p, const GroundPlace& g)
{
    const double a = g.turn * 3.14159265358979 / 180.0;
    return {std::cos(a) * p.x + std::sin(a) * p.z + g.x, p.y, -std::sin(a) * p.x + std::cos(a) * p.z + g.z, 0};
}

void expectNear(const Vec3& a, const Vec3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-8); // the code's pi is 3.1415926538
    EXPECT_NEAR(a.y, b.y, 1e-8);
    EXPECT_NEAR(a.z, b.z, 1e-8);
}

} // namespace

TEST(StandView, PlacedViewDrawsTreePointsAtTheirPlaceAndTurnsTheLight)
{
    ViewState view;
    view.cameraView = lookAtView({3, 5, 20, 0}, {1, 0, -2, 0});
    const GroundPlace place{14.0, -3.0, 90.0};
    const ViewState tree = placedView(view, place);
    // A quarter turn takes the tree's +x to the stand's -z.
    expectNear(placed({1, 0, 0, 0}, {0, 0, 90}), {0, 0, -1, 0});
    for (const Vec3& p : {Vec3{0, 0, 0, 0}, Vec3{1, 2, 3, 0}, Vec3{-4, 11, 0.5, 0}})
        expectNear(apply(treeModelview(tree), p), apply(treeModelview(view), placed(p, place)));
    // The tree's light, placed back into the stand, is the stand's light.
    const Vec3 light = currentLight(tree);
    expectNear(placed(light, {0, 0, place.turn}), currentLight(view));
}

TEST(StandView, LookAtPutsTheTargetStraightAhead)
{
    // The window's camera: a move back along z, no turn.
    const Mat4 window = lookAtView({0, 2, 12, 0}, {0, 2, 0, 0});
    expectNear(apply(window, {0, 2, 0, 0}), {0, 0, -12, 0});
    expectNear(apply(window, {1, 3, 0, 0}), {1, 1, -12, 0});
    const Mat4 side = lookAtView({10, 4, -3, 0}, {-2, 1, 5, 0});
    const Vec3 t = apply(side, {-2, 1, 5, 0});
    EXPECT_NEAR(t.x, 0.0, 1e-9);
    EXPECT_NEAR(t.y, 0.0, 1e-9);
    EXPECT_NEAR(t.z, -std::sqrt(144.0 + 9.0 + 64.0), 1e-9);
}

TEST(StandView, TheStandCameraSeesEveryTreeWhole)
{
    const std::vector<std::vector<GroundPlace>> stands = {
        {{0, 0, 0}}, {{-12, 0, 0}, {0, -4, 90}, {12, 2, 40}, {24, -3, 200}}, {{-60, -40, 0}, {70, 50, 0}, {0, 90, 0}}};
    for (const auto& places : stands) {
        Vec3 eye, target;
        standCamera(places, eye, target);
        const Mat4 camera = lookAtView(eye, target);
        for (const GroundPlace& g : places)
            for (const Vec3& p : {Vec3{g.x, -4.5, g.z, 0}, Vec3{g.x, 7.0, g.z, 0}}) { // base and top
                const Vec3 e = apply(camera, p);
                ASSERT_LT(e.z, -1.0) << "behind the eye";
                // Inside the 60 degree height and the 4:3 window's width of view.
                EXPECT_LE(std::fabs(e.y / e.z), std::tan(3.14159265358979 / 6.0)) << g.x << "," << g.z;
                EXPECT_LE(std::fabs(e.x / e.z), std::tan(3.14159265358979 / 6.0) * 4.0 / 3.0) << g.x << "," << g.z;
            }
    }
}
