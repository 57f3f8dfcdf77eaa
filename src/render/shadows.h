// Planar shadow pass: branches, leaves and grass flattened onto the ground
// along the light, and the shade grid that darkens the grass under the tree.
#pragma once
#include "math/vec3.h"

struct TreeModel;

// With the modelview in tree space. Uses the global model and lightPosition.
void drawShadows();
void drawShadows(TreeModel& model, const Vec3& light);

// Projects every branch segment directly and marks the shade grid.
void drawBranchShadows();
void drawBranchShadows(TreeModel& model, const Vec3& light);
