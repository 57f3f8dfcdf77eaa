// Where a tree stands in a field it shares with other trees, and where each
// part of the scene stands on that field's ground.
#pragma once
#include <vector>

#include "math/vec3.h"

// Where a tree stands in a shared field: turned about the vertical, then
// moved over the ground. The default is the field's origin, unturned.
struct TreePlacement {
    double x = 0.0;    /// ground position along x, model units
    double z = 0.0;    /// ground position along z, model units
    double turn = 0.0; /// turn about +y (counter-clockwise seen from above), degrees
};

// The field's origin, unturned: the tree's own frame is the field's.
bool atOrigin(const TreePlacement& placement);
// A point of the tree's frame in the field: turned, then moved. y and the
// status are kept.
Vec3 intoField(const TreePlacement& placement, const Vec3& p);
// A direction of the field in the tree's frame: turned back. The status is kept.
Vec3 intoTree(const TreePlacement& placement, const Vec3& d);

// Where each part samples the wind, on the field's ground: x, z pairs, the
// tree's parts placed, the grass as it lies. What a travelling front reaches.
struct FieldPoints {
    std::vector<double> branches; /// per branch (index order), its wind point's x, z; model units
    std::vector<double> leaves;   /// per leaf (branch x leaves per branch + leaf), its tip's x, z; model units
    std::vector<double> blades;   /// per grass blade (file order), its root's x, z; model units
};
