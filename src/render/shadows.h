// Planar shadow pass: branches, leaves and grass flattened onto the ground
// along the light. Reads only; the shade grid is marked before drawing.
#pragma once
#include "math/vec3.h"

struct RenderAssets;
struct Scene;
struct TreeModel;

// With the modelview in tree space.
void drawShadows(const Scene& scene, const RenderAssets& assets, const Vec3& light);

// Projects every branch segment directly onto the ground.
void drawBranchShadows(const TreeModel& model, const Vec3& light);
