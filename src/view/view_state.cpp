#include "view/view_state.h"

#include "dynamics/simulation.h"
#include "scene/scene.h"

Vec3 currentLight(const ViewState& view) { return transformPoint(view.lightRotation, view.lightRestPosition); }

Mat4 treeModelview(const ViewState& view)
{
    // An OpenGL-order array is the row-major transpose, so A B C is C' B' A' here.
    const Mat4 drop = transpose(translation({0.0, -kTreeDrop, 0.0, 0}));
    return multiply(multiply(drop, view.treeRotation), view.cameraView);
}

void followWindRotation(ViewState& view)
{
    // A playing schedule owns the direction; a wind drag ends it first.
    if (view.interactionMode != InteractionMode::windDirection || view.windScheduled) return;
    // The arrow points along the rotated +x axis: the first column in OpenGL order.
    Vec3 d{view.windRotation.m[0], view.windRotation.m[1], view.windRotation.m[2], 0};
    normalize(d);
    if (d.status != 0 || length(d) < 1e-7) d = {1.0, 0.0, 0.0, 0};
    view.wind.direction = d;
}

void followWindSchedule(ViewState& view, const Scene& scene)
{
    if (view.windScheduled)
        view.wind = evaluateWind(view.windSchedule, static_cast<double>(scene.stepsTaken) * kTimeStep);
}

void applyViewInput(Scene& scene, const ViewState& view)
{
    scene.input.wind = view.wind;
    scene.input.refine = view.showShadows;
    scene.windScheduled = view.windScheduled;
    if (view.windScheduled) scene.windSchedule = view.windSchedule;
}

namespace {
bool sameMatrix(const Mat4& a, const Mat4& b)
{
    for (int i = 0; i < 16; ++i)
        if (a.m[i] != b.m[i]) return false;
    return true;
}
bool sameVector(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
bool sameWind(const WindSettings& a, const WindSettings& b)
{
    return a.gale == b.gale && a.magnitude == b.magnitude && sameVector(a.direction, b.direction);
}
// The same step input: the same schedule while one plays (its wind moves every
// step by itself), else the same wind.
bool sameWindInput(const ViewState& a, const ViewState& b)
{
    if (a.windScheduled != b.windScheduled) return false;
    if (!a.windScheduled) return sameWind(a.wind, b.wind);
    const WindSchedule& x = a.windSchedule;
    const WindSchedule& y = b.windSchedule;
    if (x.keys.size() != y.keys.size() || x.seed != y.seed) return false;
    for (size_t i = 0; i < x.keys.size(); ++i)
        if (x.keys[i].time != y.keys[i].time || !sameWind(x.keys[i].state, y.keys[i].state)) return false;
    const GustSettings &g = x.gusts, &h = y.gusts;
    const VeerSettings &v = x.veer, &w = y.veer;
    return g.enabled == h.enabled && g.every == h.every && g.strength == h.strength && g.rise == h.rise &&
           g.fall == h.fall && v.enabled == w.enabled && v.degrees == w.degrees && v.period == w.period;
}
} // namespace

bool sameLighting(const ViewState& a, const ViewState& b)
{
    return sameMatrix(a.lightRotation, b.lightRotation) && sameVector(a.lightRestPosition, b.lightRestPosition) &&
           a.showShadows == b.showShadows;
}

bool sameFrameView(const ViewState& a, const ViewState& b)
{
    return sameMatrix(a.cameraView, b.cameraView) && sameMatrix(a.treeRotation, b.treeRotation) &&
           sameMatrix(a.lightRotation, b.lightRotation) && sameMatrix(a.windRotation, b.windRotation) &&
           sameVector(a.lightRestPosition, b.lightRestPosition) && sameWindInput(a, b) &&
           a.interactionMode == b.interactionMode && a.showShadows == b.showShadows && a.skeletonView == b.skeletonView;
}
