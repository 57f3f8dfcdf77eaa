#include "view/view_state.h"

#include "dynamics/simulation.h"
#include "data_constants/scene_look.h"
#include "scene/scene.h"

Vec3 currentLight(const ViewState& view)
{
    const Vec3 rest{kLightRestPosition[0], kLightRestPosition[1], kLightRestPosition[2], 0};
    return transformPoint(view.lightRotation, rest);
}

Mat4 treeModelview(const ViewState& view)
{
    // An OpenGL-order array is the row-major transpose, so A B C is C' B' A' here.
    const Mat4 drop = transpose(translation({0.0, -kTreeDrop, 0.0, 0}));
    return multiply(multiply(drop, view.treeRotation), view.cameraView);
}

void followWindRotation(ViewState& view)
{
    // A playing schedule owns the direction; a wind drag ends it first.
    if (view.interactionMode != InteractionMode::windDirection || view.wind.scheduled) return;
    // The arrow points along the rotated +x axis: the first column in OpenGL order.
    Vec3 d{view.windRotation.m[0], view.windRotation.m[1], view.windRotation.m[2], 0};
    normalize(d);
    if (d.status != 0 || length(d) < 1e-7) d = {1.0, 0.0, 0.0, 0};
    view.wind.constant.direction = d;
}

void applyViewInput(Scene& scene, const ViewState& view)
{
    driveWind(scene, view.wind);
    scene.input.refine = view.showShadows;
}

namespace {
bool sameMatrix(const Mat4& a, const Mat4& b)
{
    for (int i = 0; i < 16; ++i)
        if (a.m[i] != b.m[i]) return false;
    return true;
}
} // namespace

bool sameLighting(const ViewState& a, const ViewState& b)
{
    return sameMatrix(a.lightRotation, b.lightRotation) && a.showShadows == b.showShadows;
}

bool sameFrameView(const ViewState& a, const ViewState& b)
{
    return sameMatrix(a.cameraView, b.cameraView) && sameMatrix(a.treeRotation, b.treeRotation) &&
           sameMatrix(a.lightRotation, b.lightRotation) && sameMatrix(a.windRotation, b.windRotation) &&
           sameWindDriver(a.wind, b.wind) && a.interactionMode == b.interactionMode && a.showShadows == b.showShadows && a.skeletonView == b.skeletonView;
}
