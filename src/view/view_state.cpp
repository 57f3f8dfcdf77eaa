#include "view/view_state.h"

#include "scene/scene.h"

Vec3 currentLight(const ViewState& view) { return transformPoint(view.lightRotation, view.lightRestPosition); }

Mat4 treeModelview(const ViewState& view)
{
    // An OpenGL-order array is the row-major transpose, so A B C is C' B' A' here.
    const Mat4 drop = transpose(translation({0.0, -kTreeDrop, 0.0, 0}));
    return multiply(multiply(drop, view.treeRotation), view.cameraView);
}

void beginFrame(Scene& scene, ViewState& view)
{
    if (view.interactionMode == 1) {
        // The arrow points along the rotated +x axis: the first column in OpenGL order.
        Vec3 d{view.windRotation.m[0], view.windRotation.m[1], view.windRotation.m[2], 0};
        normalize(d);
        if (d.status != 0 || length(d) < 1e-7) d = {1.0, 0.0, 0.0, 0};
        view.windDirection = d;
    }
    scene.input.gale = view.galeMode;
    scene.input.magnitude = static_cast<double>(view.windMagnitude);
    scene.input.direction = view.windDirection;
    scene.input.refine = view.showShadows;
    prepareFrame(scene, currentLight(view), view.showShadows);
}
