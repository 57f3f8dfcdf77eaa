#include "view/view_state.h"

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
    if (view.interactionMode != 1) return;
    // The arrow points along the rotated +x axis: the first column in OpenGL order.
    Vec3 d{view.windRotation.m[0], view.windRotation.m[1], view.windRotation.m[2], 0};
    normalize(d);
    if (d.status != 0 || length(d) < 1e-7) d = {1.0, 0.0, 0.0, 0};
    view.wind.direction = d;
}

void applyViewInput(Scene& scene, const ViewState& view)
{
    scene.input.wind = view.wind;
    scene.input.refine = view.showShadows;
}

void beginFrame(Scene& scene, ViewState& view)
{
    followWindRotation(view);
    applyViewInput(scene, view);
    prepareFrame(scene, currentLight(view), view.showShadows);
}

namespace {
bool sameMatrix(const Mat4& a, const Mat4& b)
{
    for (int i = 0; i < 16; ++i)
        if (a.m[i] != b.m[i]) return false;
    return true;
}
bool sameVector(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
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
           sameVector(a.lightRestPosition, b.lightRestPosition) && sameVector(a.wind.direction, b.wind.direction) &&
           a.interactionMode == b.interactionMode && a.wind.magnitude == b.wind.magnitude && a.wind.gale == b.wind.gale &&
           a.showShadows == b.showShadows && a.skeletonView == b.skeletonView;
}
