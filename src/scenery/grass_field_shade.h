// The shade grid over the scene's x/z extent and the grass colour easing.
#pragma once
#include <cstdint>

#include "math/vec3.h"

struct GrassBlade;
struct TreeModel;

// Unshaded and shaded targets of the grass colour.
constexpr Vec3 kGrassLightColour = {81.0 / 255.0, 126.0 / 255.0, 41.0 / 255.0, 0};
constexpr Vec3 kGrassShadeColour = {56.0 / 255.0, 73.0 / 255.0, 33.0 / 255.0, 0};

// Cell coordinate trunc(39*(v - min)/(max - min) + 0.5), or -1 when it falls
// outside 0..39 (also for an empty extent or a non-finite value).
int shadeCellCoordinate(double v, double min, double max);

// Marks the cell under (x, z) when it lies strictly inside the box in x and z.
// Returns true when a cell was marked.
bool markShadeCell(TreeModel& model, double x, double z);

// True when the root's cell lies in the grid and is marked.
bool grassRootShaded(const TreeModel& model, const Vec3& root);

// Moves colour 40% of the way towards the shaded or the unshaded target.
void easeGrassColour(Vec3& colour, bool shaded);

void clearShadeGrid(TreeModel& model);
