// The view of one tree of a stand, and a camera that frames the stand. GL-free.
#pragma once
#include <vector>

#include "view/view_state.h"

// A ground position and turn about +y (degrees): the stand's placement of a tree.
struct GroundPlace {
    double x = 0.0;    /// along x, model units
    double z = 0.0;    /// along z, model units
    double turn = 0.0; /// about +y, counter-clockwise seen from above, degrees
};

// The view as the tree at place sees it: treeRotation carries the tree's
// frame to its place, and the light is turned into that frame, so the tree's
// arrays (eye-sorted blades, shadows) are made and drawn in its own space.
ViewState placedView(const ViewState& view, const GroundPlace& place);

// A camera looking from eye at target, y up, OpenGL order (as gluLookAt).
Mat4 lookAtView(const Vec3& eye, const Vec3& target);

// Eye and target that frame every place (tree space of the stand, where the
// tree's base is at y = -kTreeDrop) with room for the crowns; one tree at the
// origin gets about the window's own view.
void standCamera(const std::vector<GroundPlace>& places, Vec3& eye, Vec3& target);
