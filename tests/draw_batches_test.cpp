#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "batch/draw_batches.h"
#include "frame/frame_pipeline.h"
#include "grass/grass_shade.h"
#include "dynamics/simulation.h"
#include "math/planar_shadow.h"
#include "tree/leaf_geometry.h"
#include "motion_scene.h"
#include "view/view_state.h"

namespace {

// Three branches, six grass blades, the synthetic leaf template with a blade
// of real triangles in the xy plane: faces 0..3 counter-clockwise seen from
// +z, face 4 clockwise, face 5 pointing outside the template (skipped).
std::unique_ptr<Scene> smallScene(bool refine)
{
    auto scene = motion_scene::makeScene();
    motion_scene::buildScene(*scene, 3, 6, 12345, refine);
    LeafTemplate& t = scene->leafTemplate;
    for (int k = 0; k < kBladeVertices; ++k) {
        t.bladeVertices[k] = {0.01 * k, 0.02 * (k % 5), 0.0, 0};
        t.bladeTexCoords[k][0] = k / 76.0;
    }
    for (int f = 0; f < kBladeFaces; ++f) {
        t.bladeFaces[f][0] = 0;
        t.bladeFaces[f][1] = 1;
        t.bladeFaces[f][2] = 2;
    }
    t.bladeVertices[0] = {0, 0, 0, 0};
    t.bladeVertices[1] = {1, 0, 0, 0};
    t.bladeVertices[2] = {0, 1, 0, 0};
    t.bladeFaces[4][1] = 2; // clockwise from +z
    t.bladeFaces[4][2] = 1;
    t.bladeFaces[5][2] = kBladeVertices;
    scene->grass.blades[2].textureIndex = 7; // names no texture: last group
    return scene;
}

size_t tubeStripVertices(const Scene& s, int b, int sides) { return (s.tree.branches[b].pointCount - 1) * (2 * sides + 2); }

// Where every array's storage lives: equal before and after a fill means the fill did not allocate.
std::vector<const void*> storage(const DrawBatches& b)
{
    std::vector<const void*> out = {b.trunk.vertices.data(),    b.trunk.indices.data(),     b.grass.vertices.data(),
                                    b.grass.indices.data(),     b.grassGroupOf.data(),      b.branches.vertices.data(),
                                    b.branches.indices.data(),  b.blades.data(),            b.lowerIndices.data(),
                                    b.upperIndices.data(),      b.bladeSides.data(),        b.petioles.vertices.data(),
                                    b.petioles.indices.data(),  b.branchShadowQuads.data(), b.leafOutlines.data(),
                                    b.grassShadow.vertices.data(), b.grassShadow.indices.data()};
    for (const auto& lines : b.branchShadowLines) out.push_back(lines.data());
    return out;
}

bool same(const PlainVertex& v, const Vec3& p)
{
    return v.x == static_cast<float>(p.x) && v.y == static_cast<float>(p.y) && v.z == static_cast<float>(p.z);
}

} // namespace

TEST(DrawBatches, CountsPerBatchFollowTheGeometryAndSizingHolds)
{
    for (bool refine : {false, true}) {
        auto scene = smallScene(refine);
        DrawBatches batches;
        sizeDrawBatches(batches, *scene);
        const std::vector<const void*> before = storage(batches);
        const Vec3 eye{3.0, 4.0, 5.0, 0};
        fillSceneBatches(batches, *scene, &eye);
        fillShadowBatches(batches, *scene, {0.3, 1.0, 0.2, 0});
        // The arrays were sized for refined lines and every leaf and blade: no growth either way.
        EXPECT_EQ(storage(batches), before);
        fillSceneBatches(batches, *scene, nullptr);
        const Scene& s = *scene;

        EXPECT_EQ(batches.trunk.vertices.size(), tubeStripVertices(s, 0, 16));
        EXPECT_EQ(batches.trunk.indices.size(), (s.tree.branches[0].pointCount - 1) * 16 * 6u);
        EXPECT_EQ(batches.branches.vertices.size(), tubeStripVertices(s, 1, 8) + tubeStripVertices(s, 2, 8));
        EXPECT_EQ(batches.petioles.vertices.size(), 18u * 5 * 8); // 18 leaves, 5 strips of 3 sides
        EXPECT_EQ(batches.petioles.indices.size(), 18u * 5 * 3 * 6);
        EXPECT_EQ(batches.blades.size(), 18u * kBladeVertices);
        EXPECT_EQ(batches.fixed->bladeIndices.size(), 18u * (kBladeFaces - 1) * 3);
        // Without an eye both sides take every triangle.
        EXPECT_EQ(batches.lowerIndices, batches.fixed->bladeIndices);
        EXPECT_EQ(batches.upperIndices, batches.fixed->bladeIndices);
        // Blades 0..5 take textures 0,1,7,3,0,1: groups hold 2,2,0,1 blades, then the stray one.
        const int perBlade = 4 * 6;
        const int expected[kGrassGroups + 1] = {0, 2 * perBlade, 4 * perBlade, 4 * perBlade, 5 * perBlade,
                                                6 * perBlade};
        for (int g = 0; g <= kGrassGroups; ++g) EXPECT_EQ(batches.grassGroupFirst[g], expected[g]) << g;
        EXPECT_EQ(batches.grass.vertices.size(), 6u * 10);
    }
}

TEST(DrawBatches, StripQuadsKeepTheDiagonalFromFirstToFourthVertex)
{
    auto scene = smallScene(false);
    DrawBatches batches;
    fillSceneBatches(batches, *scene, nullptr); // sizes itself on first use
    const GrassBlade& blade = scene->grass.blades[0];
    const auto& g = batches.grass;
    auto at = [&](int i) {
        const GrassVertex& v = g.vertices[g.indices[i]];
        return PlainVertex{v.x, v.y, v.z};
    };
    auto opposite = [&](int j) { return sub(scale(blade.centre[j], 2.0), blade.edge[j]); };
    // Level 0 to level 1: (opposite 0, edge 0, edge 1) and (opposite 0, edge 1, opposite 1).
    EXPECT_TRUE(same(at(0), opposite(0)));
    EXPECT_TRUE(same(at(1), blade.edge[0]));
    EXPECT_TRUE(same(at(2), blade.edge[1]));
    EXPECT_TRUE(same(at(3), opposite(0)));
    EXPECT_TRUE(same(at(4), blade.edge[1]));
    EXPECT_TRUE(same(at(5), opposite(1)));
    EXPECT_FLOAT_EQ(g.vertices[g.indices[5]].v, 0.2f); // texture row of level 1
    EXPECT_FLOAT_EQ(g.vertices[g.indices[5]].u, 0.0f);
}

TEST(DrawBatches, BladesArePlacedByTheirMatrixAndSortedBySide)
{
    auto scene = smallScene(false);
    for (auto& branch : scene->tree.branches)
        for (Leaf& leaf : branch.leaves) leaf.bladeMatrix = translation({1.0, 2.0, 3.0, 0});
    DrawBatches batches;
    sizeDrawBatches(batches, *scene);
    const Vec3 front{1.2, 2.2, 10.0, 0}, back{1.2, 2.2, -10.0, 0}, edgeOn{10.0, 2.0, 3.0, 0};
    fillSceneBatches(batches, *scene, &front);
    EXPECT_FLOAT_EQ(batches.blades[kBladeVertices + 1].x, 2.0f); // second leaf, vertex 1
    EXPECT_FLOAT_EQ(batches.blades[kBladeVertices + 1].z, 3.0f);
    const size_t faces = batches.fixed->bladeIndices.size() / 3;
    const size_t perLeafClockwise = 18; // face 4 of each of 18 leaves
    EXPECT_EQ(batches.lowerIndices.size() / 3, faces - perLeafClockwise);
    EXPECT_EQ(batches.upperIndices.size() / 3, perLeafClockwise);

    fillSceneBatches(batches, *scene, &back);
    EXPECT_EQ(batches.lowerIndices.size() / 3, perLeafClockwise);
    EXPECT_EQ(batches.upperIndices.size() / 3, faces - perLeafClockwise);

    fillSceneBatches(batches, *scene, &edgeOn); // in the blade's plane: both sides draw everything
    EXPECT_EQ(batches.lowerIndices.size(), batches.fixed->bladeIndices.size());
    EXPECT_EQ(batches.upperIndices.size(), batches.fixed->bladeIndices.size());
}

TEST(DrawBatches, EyeOfAModelviewMapsToTheOrigin)
{
    // Turned 30 degrees about y, shifted: OpenGL element order.
    const double c = std::cos(0.5235987756), s = std::sin(0.5235987756);
    Mat4 m = identity();
    m.m[0] = c, m.m[2] = -s, m.m[8] = s, m.m[10] = c;
    m.m[12] = 0.5, m.m[13] = -2.0, m.m[14] = -12.0;
    Vec3 eye;
    ASSERT_TRUE(eyeInObjectSpace(m, eye));
    for (int r = 0; r < 3; ++r)
        EXPECT_NEAR(m.m[r] * eye.x + m.m[4 + r] * eye.y + m.m[8 + r] * eye.z + m.m[12 + r], 0.0, 1e-12);
    Mat4 mirrored = m;
    mirrored.m[0] = -mirrored.m[0], mirrored.m[2] = -mirrored.m[2];
    EXPECT_FALSE(eyeInObjectSpace(mirrored, eye)); // facing would flip: sort nothing
    Mat4 projective = m;
    projective.m[11] = -1.0;
    EXPECT_FALSE(eyeInObjectSpace(projective, eye));
}

TEST(DrawBatches, ShadowsLieOnTheGroundAlongTheLight)
{
    auto scene = smallScene(true);
    DrawBatches batches;
    sizeDrawBatches(batches, *scene);
    const Vec3 light{-10.0, 12.0, 5.0, 0};
    fillShadowBatches(batches, *scene, light);
    ASSERT_EQ(leafOutlineIndexCount(batches), 18u * kShadowOutlineFaces * 3);
    EXPECT_EQ(batches.leafOutlines.size(), 18u * 17); // 17 distinct outline corners a leaf
    // Branch 2's first leaf: its outline corner flattened by hand.
    const Leaf& leaf = scene->tree.branches[2].leaves[0];
    const int k = shadowOutlineFaces[0][0];
    const Vec3 p = scale(scene->leafTemplate.bladeVertices[k], kShadowOutlineScale);
    const Mat4& m = leaf.bladeMatrix; // row-major
    const Vec3 q{m.m[0] * p.x + m.m[1] * p.y + m.m[2] * p.z + m.m[3], m.m[4] * p.x + m.m[5] * p.y + m.m[6] * p.z + m.m[7],
                 m.m[8] * p.x + m.m[9] * p.y + m.m[10] * p.z + m.m[11], 0};
    const OutlineVertex& o = batches.leafOutlines[batches.fixed->leafOutlineIndices[2 * 6 * kShadowOutlineFaces * 3]];
    EXPECT_NEAR(o.x / o.w, q.x + q.y * 10.0 / 12.0, 1e-5);
    EXPECT_NEAR(o.z / o.w, q.z - q.y * 5.0 / 12.0, 1e-5);
    EXPECT_NEAR(o.y / o.w, 0.05 * 2 / 3 / 12.0, 1e-7);

    // Every branch segment is either a quad or a line.
    size_t segments = 0;
    for (int b = 0; b < 3; ++b) segments += scene->tree.branches[b].pointCount - 1;
    size_t lines = 0;
    for (const auto& l : batches.branchShadowLines) lines += l.size() / 2;
    EXPECT_EQ(batches.branchShadowQuads.size() / 4 + lines, segments);
    EXPECT_EQ(batches.grassShadow.indices.size(), 6u * 2 * 6); // levels 0, 2, 4: two quads a blade

    fillShadowBatches(batches, *scene, {1.0, 0.0, 0.0, 0}); // light in the ground plane
    EXPECT_TRUE(batches.leafOutlines.empty() && batches.branchShadowQuads.empty() && batches.grassShadow.indices.empty());
}

TEST(DrawBatches, NoBranchesDrawNothing)
{
    auto scene = smallScene(false);
    scene->tree.branchCount = 0;
    DrawBatches batches;
    sizeDrawBatches(batches, *scene);
    fillSceneBatches(batches, *scene, nullptr);
    EXPECT_TRUE(batches.trunk.indices.empty() && batches.grass.indices.empty() && batches.petioles.indices.empty());
    EXPECT_TRUE(batches.lowerIndices.empty() && batches.upperIndices.empty());
}

TEST(DrawBatches, ViewFillTakesTheCameraInTreeSpaceAndOnlyWhatTheViewShows)
{
    ViewState view;
    Vec3 eye;
    ASSERT_TRUE(eyeInObjectSpace(treeModelview(view), eye));
    EXPECT_NEAR(eye.y, kTreeDrop, 1e-12); // identity camera: the eye sits at the drop above the tree's foot
    // The window's camera, from (0, 2, 12) towards (0, 2, 0), and the tree turned a quarter about y.
    view.cameraView.m[13] = -2.0;
    view.cameraView.m[14] = -12.0;
    view.treeRotation = transpose(toMat4(rotation(1.0, 0.0, Vec3{0, 1, 0, 0})));
    ASSERT_TRUE(eyeInObjectSpace(treeModelview(view), eye));
    EXPECT_NEAR(std::fabs(eye.x), 12.0, 1e-9);
    EXPECT_NEAR(eye.y, 2.0 + kTreeDrop, 1e-9);
    EXPECT_NEAR(eye.z, 0.0, 1e-9);

    auto scene = smallScene(false);
    DrawBatches batches;
    view.showShadows = false;
    fillViewBatches(batches, *scene, view);
    EXPECT_FALSE(batches.trunk.indices.empty());
    EXPECT_TRUE(batches.leafOutlines.empty());
    view.showShadows = true;
    view.skeletonView = true; // drawn from the scene: no textured arrays, shadows still
    fillViewBatches(batches, *scene, view);
    EXPECT_TRUE(batches.trunk.indices.empty());
    EXPECT_TRUE(batches.lowerIndices.empty());
    EXPECT_FALSE(batches.leafOutlines.empty());
}

namespace {

template <class T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Blade positions count only where the indices use them (not in the skeleton view).
bool sameArrays(const DrawBatches& a, const DrawBatches& b, bool blades)
{
    return sameBytes(a.trunk.vertices, b.trunk.vertices) && sameBytes(a.branches.vertices, b.branches.vertices) &&
           sameBytes(a.petioles.vertices, b.petioles.vertices) && sameBytes(a.grass.vertices, b.grass.vertices) &&
           (!blades || sameBytes(a.blades, b.blades)) && sameBytes(a.lowerIndices, b.lowerIndices) &&
           sameBytes(a.upperIndices, b.upperIndices) && sameBytes(a.leafOutlines, b.leafOutlines) &&
           sameBytes(a.grassShadow.vertices, b.grassShadow.vertices) &&
           sameBytes(a.branchShadowQuads, b.branchShadowQuads);
}

} // namespace

// A frame begun with no pipeline, from its documented parts in turn.
static void beginFrameInTurn(Scene& scene, ViewState& view)
{
    followWindRotation(view);
    applyViewInput(scene, view);
    shadeGrass(scene.shade, scene.grass, scene.tree, currentLight(view), view.showShadows);
}

TEST(FramePipeline, DrawsWhatTheFrameByFrameLoopDraws)
{
    // The same frames, once begun, filled and stepped in turn, once through
    // the pipeline; between frames the tree is turned, the light dragged and
    // the shadows switched off and on (input the prepared arrays must not
    // miss), and two frames show the skeleton. The shade grid the next frame's
    // grass is eased from follows a light drag or shadow switch in the same
    // frame, with no frame of lag.
    auto plainScene = smallScene(true);
    auto pipedScene = smallScene(true);
    ViewState plainView, pipedView;
    plainView.cameraView.m[14] = pipedView.cameraView.m[14] = -12.0;
    DrawBatches plain;
    FramePipeline pipeline;
    sizeFramePipeline(pipeline, *pipedScene);
    for (int frame = 0; frame < 12; ++frame) {
        for (ViewState* v : {&plainView, &pipedView}) {
            if (frame == 5) v->treeRotation = transpose(toMat4(rotation(0.6, 0.8, Vec3{0, 1, 0, 0})));
            if (frame == 3) v->lightRotation = transpose(toMat4(rotation(0.8, 0.6, Vec3{0, 1, 0, 0})));
            v->showShadows = frame != 6 && frame != 7;
            v->skeletonView = frame == 8 || frame == 9;
        }
        beginFrameInTurn(*plainScene, plainView);
        fillViewBatches(plain, *plainScene, plainView);
        const DrawBatches& piped = startFrame(pipeline, *pipedScene, pipedView);
        EXPECT_TRUE(sameArrays(plain, piped, !plainView.skeletonView)) << "frame " << frame;
        EXPECT_EQ(std::memcmp(plainScene->shade.cells, pipedScene->shade.cells, sizeof plainScene->shade.cells), 0)
            << "frame " << frame;
        startPipelinedSteps(pipeline, *pipedScene, frame % 3, kTimeStep);
        for (int i = 0; i < frame % 3; ++i) simulateStep(*plainScene, kTimeStep);
        EXPECT_GE(finishPipelinedFrame(pipeline), 0.0);
    }
}

TEST(FramePipeline, AViewChangeThatMovesThePictureIsNoticed)
{
    const ViewState base;
    std::vector<void (*)(ViewState&)> changes = {
        [](ViewState& v) { v.treeRotation.m[1] = 0.5; },   [](ViewState& v) { v.cameraView.m[14] = -3.0; },
        [](ViewState& v) { v.lightRotation.m[2] = 0.1; },  [](ViewState& v) { v.windRotation.m[4] = 0.2; },
        [](ViewState& v) { v.showShadows = false; },       [](ViewState& v) { v.skeletonView = true; },
        [](ViewState& v) { v.wind.constant.gale = false; }, [](ViewState& v) { v.wind.constant.magnitude = 10.0; },
        [](ViewState& v) { v.wind.constant.direction.z = 1.0; },
        [](ViewState& v) { v.interactionMode = InteractionMode::windDirection; }};
    for (size_t i = 0; i < changes.size(); ++i) {
        ViewState changed = base;
        changes[i](changed);
        EXPECT_FALSE(sameFrameView(base, changed)) << "change " << i;
    }
    ViewState counting = base; // what the frame counter and capture touch does not refill
    counting.fps = 19.5f;
    counting.captureFrameNumber = 7;
    counting.realtime = true;
    EXPECT_TRUE(sameFrameView(base, counting));
}

TEST(FramePipeline, EveryStepOfAFrameTakesTheScheduleAtItsOwnTime)
{
    // Up to three steps a frame, as in real time, against single steps given
    // the schedule's wind at k x 0.05 s by hand: the same tree, bit for bit.
    WindSchedule schedule = constantSchedule({true, 100.0, {1.0, 0.0, 0.0, 0}});
    WindKey storm;
    storm.time = 0.4;
    storm.state = {true, 800.0, {0.0, 0.0, 1.0, 0}};
    schedule.keys.push_back(storm);
    setGusts(schedule, {true, 0.3, 1.0, 0.1, 0.2});
    auto plainScene = smallScene(true);
    auto pipedScene = smallScene(true);
    ViewState view;
    view.wind = scheduledWind(schedule);
    FramePipeline pipeline;
    sizeFramePipeline(pipeline, *pipedScene);
    int taken = 0;
    for (int frame = 0; frame < 10; ++frame) {
        const DrawBatches& shown = startFrame(pipeline, *pipedScene, view);
        const WindSettings next = evaluateWind(schedule, taken * kTimeStep);
        EXPECT_EQ(shown.wind.magnitude, next.magnitude) << "frame " << frame; // what the overlay shows
        EXPECT_EQ(shown.wind.direction.z, next.direction.z) << "frame " << frame;
        startPipelinedSteps(pipeline, *pipedScene, frame % 4, kTimeStep);
        for (int i = 0; i < frame % 4; ++i, ++taken) {
            plainScene->input.wind = evaluateWind(schedule, taken * kTimeStep);
            simulateStep(*plainScene, kTimeStep);
        }
        finishPipelinedFrame(pipeline);
    }
    ASSERT_EQ(pipedScene->stepsTaken, taken);
    const Branch& a = plainScene->tree.branches[2];
    const Branch& b = pipedScene->tree.branches[2];
    ASSERT_EQ(a.pointCount, b.pointCount);
    for (int k = 0; k < a.pointCount; ++k) {
        EXPECT_EQ(a.points[k].x, b.points[k].x) << k;
        EXPECT_EQ(a.points[k].z, b.points[k].z) << k;
    }
    // A new schedule is new input; the wind it moves by itself is not.
    ViewState moved = view, eased = view;
    moved.wind.constant.magnitude += 1.0;
    EXPECT_TRUE(sameFrameView(view, moved));
    easeToPreset(eased.wind.schedule, 1.0, "calm");
    EXPECT_FALSE(sameFrameView(view, eased));
}

namespace {

// Every grass blade bent over along x: each level moved by share u of lean blade lengths, u 0 at the root.
void leanGrass(Scene& scene, double lean)
{
    const int levels = grassLevels(scene.grass);
    for (int i = 0; i < scene.grass.bladeCount; ++i) {
        GrassBlade& b = scene.grass.blades[i];
        const double length = std::sqrt(dot(sub(b.restCentre[levels - 1], b.restCentre[0]),
                                             sub(b.restCentre[levels - 1], b.restCentre[0])));
        for (int j = 0; j < levels; ++j) {
            const Vec3 by = {lean * length * j / (levels - 1), 0, 0, 0};
            b.centre[j] = add(b.restCentre[j], by);
            b.edge[j] = add(b.restEdge[j], by);
        }
    }
}

std::vector<GrassVertex> grassVertices(const Scene& scene, bool sheen)
{
    DrawBatches batches;
    batches.grassSheen = sheen;
    fillSceneBatches(batches, scene, nullptr);
    return batches.grass.vertices;
}

float brightness(const GrassVertex& v) { return v.r + v.g + v.b; }

} // namespace

TEST(DrawBatches, GrassSheenPalesLeaningBladesTipMostAndLeavesRestAlone)
{
    auto scene = smallScene(false);
    const std::vector<GrassVertex> rest = grassVertices(*scene, false);
    ASSERT_FALSE(rest.empty());
    EXPECT_TRUE(sameBytes(grassVertices(*scene, true), rest)); // at rest the flag shows nothing
    leanGrass(*scene, 0.8);
    const std::vector<GrassVertex> plain = grassVertices(*scene, false), pale = grassVertices(*scene, true);
    ASSERT_EQ(plain.size(), rest.size());
    ASSERT_EQ(pale.size(), rest.size());
    const float top = pale.back().v; // the last vertex is a blade's top level
    for (size_t k = 0; k < rest.size(); ++k) {
        // Off, a bent blade keeps its own colour.
        EXPECT_EQ(plain[k].r, rest[k].r);
        EXPECT_EQ(plain[k].g, rest[k].g);
        EXPECT_EQ(plain[k].b, rest[k].b);
        if (pale[k].v == 0.0f) {
            EXPECT_FLOAT_EQ(brightness(pale[k]), brightness(rest[k])) << k; // the root stays
        }
        if (pale[k].v == top) {
            EXPECT_GT(brightness(pale[k]), brightness(rest[k]) + 0.2f) << k;
        }
        if (k + 2 < rest.size() && pale[k + 2].v > pale[k].v) { // one level up the same blade: paler still
            EXPECT_GE(brightness(pale[k + 2]) - brightness(rest[k + 2]), brightness(pale[k]) - brightness(rest[k]));
        }
    }
    // A slight lean (a breeze) pales less than a strong one.
    leanGrass(*scene, 0.3);
    EXPECT_LT(brightness(grassVertices(*scene, true).back()), brightness(pale.back()));
}
