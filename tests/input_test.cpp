#include <gtest/gtest.h>

#include <memory>

#include "view/interaction_state.h"
#include "view/transformer.h"
#include "view/view_state.h"

namespace {

// The program's start state (a default view), seen through the fields the controls change.
struct Settings {
    ViewState view;
    double& windMagnitude = view.wind.constant.magnitude;
    bool& galeMode = view.wind.constant.gale;
    bool& showShadows = view.showShadows;
    bool& skeletonView = view.skeletonView;
    InteractionMode& interactionMode = view.interactionMode;
    Mat4& windRotation = view.windRotation;
    Mat4& treeRotation = view.treeRotation;
    Mat4& lightRotation = view.lightRotation;
    Mat4& dragBase = view.dragBase;
    bool& realtime = view.realtime;

    ControlState controls()
    {
        return {windMagnitude, galeMode,     showShadows,  skeletonView, interactionMode,
                windRotation,  treeRotation, lightRotation, dragBase,    realtime};
    }
};

Mat4 glTranslation(double x, double y, double z)
{
    Mat4 m = identity();
    m.m[12] = x;
    m.m[13] = y;
    m.m[14] = z;
    return m;
}

// Quarter turn about z in OpenGL order: x goes to y.
Mat4 glQuarterTurnZ()
{
    Mat4 m = identity();
    m.m[0] = 0.0;
    m.m[1] = 1.0;
    m.m[4] = -1.0;
    m.m[5] = 0.0;
    return m;
}

void expectMatEq(const Mat4& a, const Mat4& b)
{
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(a.m[i], b.m[i]) << "index " << i;
}

} // namespace

TEST(Compose, DragActsAfterTheBase)
{
    // drag = translate (1, 2, 3), base = quarter turn about z. drag * base
    // keeps the turn and translates by (1, 2, 3) afterwards; base * drag would
    // turn the translation into (-2, 1, 3).
    const Mat4 out = composeDrag(glTranslation(1, 2, 3), glQuarterTurnZ());
    Mat4 expected = glQuarterTurnZ();
    expected.m[12] = 1.0;
    expected.m[13] = 2.0;
    expected.m[14] = 3.0;
    expectMatEq(out, expected);

    const Mat4 other = composeDrag(glQuarterTurnZ(), glTranslation(1, 2, 3));
    EXPECT_DOUBLE_EQ(other.m[12], -2.0);
    EXPECT_DOUBLE_EQ(other.m[13], 1.0);
    EXPECT_DOUBLE_EQ(other.m[14], 3.0);
}

TEST(Compose, EqualsRowMajorMultiplyOfBaseAndDrag)
{
    Mat4 d, b;
    for (int i = 0; i < 16; ++i) {
        d.m[i] = 0.5 * i - 3.0;
        b.m[i] = (i % 5) - 1.25 * (i % 3);
    }
    const Mat4 out = composeDrag(d, b);
    const Mat4 ref = multiply(b, d);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out.m[i], ref.m[i]) << "index " << i;
    // One entry by hand: (r 1, c 2) = sum_k D[4k+1] * B[8+k].
    EXPECT_DOUBLE_EQ(out.m[9], d.m[1] * b.m[8] + d.m[5] * b.m[9] + d.m[9] * b.m[10] + d.m[13] * b.m[11]);
}

TEST(Keys, BreezeAndGaleSetTheirMagnitudes)
{
    Settings s;
    ControlState c = s.controls();
    EXPECT_EQ(applyKey(c, 'p'), KeyResult::Handled);
    EXPECT_FALSE(s.galeMode);
    EXPECT_EQ(s.windMagnitude, 10.0);
    EXPECT_EQ(applyKey(c, 'P'), KeyResult::Handled);
    EXPECT_TRUE(s.galeMode);
    EXPECT_EQ(s.windMagnitude, 100.0);
}

TEST(Keys, ArrowStepsStopAtTheBounds)
{
    Settings s;
    for (int i = 0; i < 80; ++i) stepWindMagnitude(s.windMagnitude, true);
    EXPECT_EQ(s.windMagnitude, 800.0);
    stepWindMagnitude(s.windMagnitude, true);
    EXPECT_EQ(s.windMagnitude, 800.0);

    s.windMagnitude = 400.0;
    for (int i = 0; i < 70; ++i) stepWindMagnitude(s.windMagnitude, false);
    EXPECT_EQ(s.windMagnitude, 50.0);
    stepWindMagnitude(s.windMagnitude, false);
    EXPECT_EQ(s.windMagnitude, 50.0);

    // Below the floor: no lower, but Right still raises by 5.
    s.windMagnitude = 10.0;
    stepWindMagnitude(s.windMagnitude, false);
    EXPECT_EQ(s.windMagnitude, 10.0);
    stepWindMagnitude(s.windMagnitude, true);
    EXPECT_EQ(s.windMagnitude, 15.0);
}

TEST(Keys, TogglesResetAndExit)
{
    Settings s;
    ControlState c = s.controls();
    EXPECT_EQ(applyKey(c, 's'), KeyResult::Handled);
    EXPECT_FALSE(s.showShadows);
    EXPECT_EQ(applyKey(c, 'S'), KeyResult::Handled);
    EXPECT_TRUE(s.showShadows);
    EXPECT_EQ(applyKey(c, ' '), KeyResult::Handled);
    EXPECT_TRUE(s.skeletonView);
    EXPECT_EQ(applyKey(c, 't'), KeyResult::Handled);
    EXPECT_TRUE(s.realtime);
    EXPECT_EQ(applyKey(c, 'T'), KeyResult::Handled);
    EXPECT_FALSE(s.realtime);

    s.windRotation = glQuarterTurnZ();
    s.treeRotation = glTranslation(1, 2, 3);
    s.lightRotation = glQuarterTurnZ();
    s.dragBase = glTranslation(4, 5, 6);
    EXPECT_EQ(applyKey(c, 'r'), KeyResult::Handled);
    expectMatEq(s.windRotation, identity());
    expectMatEq(s.treeRotation, identity());
    expectMatEq(s.lightRotation, identity());
    expectMatEq(s.dragBase, identity());
    EXPECT_EQ(s.interactionMode, InteractionMode::tree);

    EXPECT_EQ(applyKey(c, 27), KeyResult::Exit);
    const double before = s.windMagnitude;
    EXPECT_EQ(applyKey(c, 'x'), KeyResult::Ignored);
    EXPECT_EQ(s.windMagnitude, before);
    EXPECT_TRUE(s.galeMode);
}

TEST(Menu, RegimeFlipKeepsMagnitudeAndModesReloadTheBase)
{
    Settings s;
    ControlState c = s.controls();
    EXPECT_TRUE(applyMenu(c, 0));
    EXPECT_FALSE(s.galeMode);
    EXPECT_EQ(s.windMagnitude, 400.0);
    EXPECT_EQ(s.interactionMode, InteractionMode::tree);

    s.windRotation = glTranslation(1, 0, 0);
    s.treeRotation = glTranslation(0, 2, 0);
    s.lightRotation = glTranslation(0, 0, 3);
    EXPECT_TRUE(applyMenu(c, 1));
    EXPECT_EQ(s.interactionMode, InteractionMode::windDirection);
    expectMatEq(s.dragBase, s.windRotation);
    EXPECT_TRUE(applyMenu(c, 3));
    EXPECT_EQ(s.interactionMode, InteractionMode::light);
    expectMatEq(s.dragBase, s.lightRotation);
    EXPECT_TRUE(applyMenu(c, 2));
    EXPECT_EQ(s.interactionMode, InteractionMode::tree);
    expectMatEq(s.dragBase, s.treeRotation);

    EXPECT_FALSE(applyMenu(c, 4));
    EXPECT_FALSE(applyMenu(c, -1));
    EXPECT_EQ(s.interactionMode, InteractionMode::tree);
}

TEST(Drag, MotionPreviewsAndReleaseCommits)
{
    Settings s;
    ControlState c = s.controls();
    // Two pans in tree mode add up; the first motion does not move the base.
    EXPECT_TRUE(applyDrag(c, glTranslation(1, 0, 0), false));
    expectMatEq(s.treeRotation, glTranslation(1, 0, 0));
    expectMatEq(s.dragBase, identity());
    EXPECT_TRUE(applyDrag(c, glTranslation(2, 0, 0), true));
    expectMatEq(s.dragBase, glTranslation(2, 0, 0));
    EXPECT_TRUE(applyDrag(c, glTranslation(0, 3, 0), true));
    expectMatEq(s.treeRotation, glTranslation(2, 3, 0));

    // Switching to the light drags the light's own matrix, not the tree's.
    EXPECT_TRUE(applyMenu(c, 3));
    EXPECT_TRUE(applyDrag(c, glQuarterTurnZ(), true));
    expectMatEq(s.lightRotation, glQuarterTurnZ());
    expectMatEq(s.treeRotation, glTranslation(2, 3, 0));
    expectMatEq(s.windRotation, identity());

    s.interactionMode = static_cast<InteractionMode>(7); // no mode has it
    EXPECT_FALSE(applyDrag(c, glQuarterTurnZ(), true));
}

TEST(Drag, ModifiersChooseTheManipulator)
{
    EXPECT_EQ(dragKindFor(false, false, false), DragKind::Rotate);
    EXPECT_EQ(dragKindFor(true, false, false), DragKind::Zoom);
    EXPECT_EQ(dragKindFor(false, true, false), DragKind::Pan);
    EXPECT_EQ(dragKindFor(true, true, false), DragKind::Rotate);
    EXPECT_EQ(dragKindFor(true, false, true), DragKind::Rotate);
    EXPECT_EQ(dragKindFor(false, false, true), DragKind::Rotate);

    std::unique_ptr<Transformer> zoom(createTransformer(DragKind::Zoom, 800, 600));
    auto* z = dynamic_cast<TransformerZoom*>(zoom.get());
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->gain, 0.1f);
    std::unique_ptr<Transformer> pan(createTransformer(DragKind::Pan, 800, 600));
    ASSERT_NE(dynamic_cast<TransformerPan*>(pan.get()), nullptr);
    std::unique_ptr<Transformer> ball(createTransformer(DragKind::Rotate, 1000, 400));
    auto* b = dynamic_cast<TransformerArcBall*>(ball.get());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->radius, 539.0f);
}

TEST(Drag, MouseCoordinatesAreScaledFromTheLowerLeft)
{
    // Committed values, a third of a pixel each, and y measured up from the bottom edge.
    EXPECT_NEAR(dragInputX(100), 33.0f, 1e-4f);
    EXPECT_NEAR(dragInputY(0, 600), 198.0f, 1e-4f);
    EXPECT_EQ(dragInputY(600, 600), 0.0f);
    EXPECT_NEAR(dragInputX(800), 264.0f, 1e-3f);
    EXPECT_EQ(dragInputX(0), 0.0f);
    for (int y : {0, 17, 450}) EXPECT_EQ(dragInputY(y, 600), dragInputX(600 - y)) << y;
}

TEST(Capture, FileNamesHaveThreeDigits)
{
    EXPECT_EQ(captureFilePath(0), "./image/snap000.bmp");
    EXPECT_EQ(captureFilePath(7), "./image/snap007.bmp");
    EXPECT_EQ(captureFilePath(10), "./image/snap010.bmp");
    EXPECT_EQ(captureFilePath(42), "./image/snap042.bmp");
    EXPECT_EQ(captureFilePath(99), "./image/snap099.bmp");
    EXPECT_EQ(captureFilePath(123), "./image/snap123.bmp");
    EXPECT_EQ(captureFilePath(kCaptureFrameLimit - 1), "./image/snap799.bmp");
}

// The window's schedule keys, from the start state (gale at 400 along +x).

TEST(WindKeys, PresetKeysEaseFromTheTimeOfThePressOverTwoSeconds)
{
    WindDriver p;
    WindDriver& b = p;
    EXPECT_EQ(applyWindKey(b, '5', 10.0), KeyResult::Handled);
    ASSERT_TRUE(p.scheduled);
    // Until the press: the constant wind as it was; then up to the storm's 800, rising throughout.
    EXPECT_EQ(evaluateWind(p.schedule, 0.0).magnitude, 400.0);
    EXPECT_EQ(evaluateWind(p.schedule, 10.0).magnitude, 400.0);
    double last = 400.0;
    for (double t = 10.25; t < 12.0; t += 0.25) {
        const double m = evaluateWind(p.schedule, t).magnitude;
        EXPECT_GT(m, last) << t;
        last = m;
    }
    EXPECT_EQ(evaluateWind(p.schedule, 12.0).magnitude, 800.0);
    EXPECT_EQ(evaluateWind(p.schedule, 12.0).direction.x, 1.0);
    // '1' is calm, reached two seconds after its own press.
    EXPECT_EQ(applyWindKey(b, '1', 20.0), KeyResult::Handled);
    EXPECT_EQ(evaluateWind(p.schedule, 22.0).magnitude, 0.0);
    for (unsigned char other : {'0', '6', 'p', 's', ' ', '\x1b'}) {
        const WindSchedule before = p.schedule;
        EXPECT_EQ(applyWindKey(b, other, 30.0), KeyResult::Ignored) << other;
        EXPECT_EQ(p.schedule.keys.size(), before.keys.size()) << other;
    }
}

TEST(WindKeys, GTogglesTheDefaultGustsAndEndingKeepsTheWindWhereItWas)
{
    WindDriver p;
    WindDriver& b = p;
    EXPECT_EQ(applyWindKey(b, 'g', 0.0), KeyResult::Handled);
    EXPECT_TRUE(p.scheduled && p.schedule.gusts.enabled);
    EXPECT_EQ(p.schedule.gusts.every, 6.0);
    EXPECT_EQ(p.schedule.gusts.strength, 0.5);
    EXPECT_EQ(applyWindKey(b, 'G', 0.0), KeyResult::Handled);
    EXPECT_FALSE(p.schedule.gusts.enabled);
    EXPECT_TRUE(p.scheduled); // gusts off, the schedule still plays

    applyWindKey(b, '5', 0.0);
    endSchedule(b, 1.0);
    EXPECT_FALSE(p.scheduled);
    EXPECT_EQ(p.constant.magnitude, evaluateWind(p.schedule, 1.0).magnitude);
    EXPECT_GT(p.constant.magnitude, 400.0);
    EXPECT_LT(p.constant.magnitude, 800.0);
    const double kept = p.constant.magnitude;
    endSchedule(b, 5.0); // nothing plays: the wind stays
    EXPECT_EQ(p.constant.magnitude, kept);
}

// In wind mode the wind blows along the dragged arrow (the rotated +x axis), at unit
// length whatever the matrix's scale; a collapsed matrix falls back to +x, still usable.
TEST(Drag, WindModeTurnsTheWindWithTheArrow)
{
    Settings s;
    s.windRotation = glQuarterTurnZ();
    followWindRotation(s.view);
    EXPECT_EQ(s.view.wind.constant.direction.x, 1.0) << "the tree mode leaves the wind alone";
    s.interactionMode = InteractionMode::windDirection;
    for (double scale : {1.0, 2.5}) {
        for (int i : {0, 1, 4, 5}) s.windRotation.m[i] = glQuarterTurnZ().m[i] * scale;
        followWindRotation(s.view);
        EXPECT_EQ(s.view.wind.constant.direction.y, 1.0) << scale;
        EXPECT_EQ(s.view.wind.constant.direction.x, 0.0) << scale;
    }
    s.windRotation.m[0] = s.windRotation.m[1] = s.windRotation.m[2] = 0.0;
    followWindRotation(s.view);
    EXPECT_EQ(s.view.wind.constant.direction.x, 1.0);
    EXPECT_EQ(s.view.wind.constant.direction.status, 0);
}
