// The shade grid over the scene's x/z extent, and the grass colour easing
// that reads it. Marking and easing run between steps, before drawing: the
// grid marked from one frame's branch shadows darkens the next frame's grass.
#pragma once
#include <cstdint>

#include "math/vec3.h"

struct GrassBlade;
struct GrassField;
struct TreeModel;

constexpr int kShadeGridSize = 40;

// Unshaded and shaded targets of the grass colour.
constexpr Vec3 kGrassLightColour = {81.0 / 255.0, 126.0 / 255.0, 41.0 / 255.0, 0};
constexpr Vec3 kGrassShadeColour = {56.0 / 255.0, 73.0 / 255.0, 33.0 / 255.0, 0};

struct ShadeGrid {
    uint8_t cells[kShadeGridSize * kShadeGridSize] = {}; // [ix*40+iz], 1 under a branch shadow
    Vec3 boundsMin, boundsMax;                           // x/z extent the cells cover (the scene bounds)
};

// Cell coordinate trunc(39*(v - min)/(max - min) + 0.5), or -1 when it falls
// outside 0..39 (also for an empty extent or a non-finite value).
int shadeCellCoordinate(double v, double min, double max);

// Marks the cell under (x, z) when it lies strictly inside the box in x and z.
// Returns true when a cell was marked.
bool markShadeCell(ShadeGrid& grid, double x, double z);

// True when the root's cell lies in the grid and is marked.
bool grassRootShaded(const ShadeGrid& grid, const Vec3& root);

// Moves colour 40% of the way towards the shaded or the unshaded target.
void easeGrassColour(Vec3& colour, bool shaded);

void clearShadeGrid(ShadeGrid& grid);

struct ShadowSegment;
// Branch b's shadow segments along lightDir at its own shadow height, as the
// shadow pass draws them and the grid is marked from them; 0 for a branch
// without a centre line.
int projectTreeBranchShadow(const TreeModel& tree, int b, const Vec3& lightDir, ShadowSegment* out);

// Marks the cells under the projected start of every branch shadow segment,
// as the shadow pass flattens them along light. Nothing for an unusable light.
void markBranchShadows(ShadeGrid& grid, const TreeModel& tree, const Vec3& light);

// Clears the grid, then marks it from the branches under light when shadows
// are on: what next frame's easing reads.
void remarkShadeGrid(ShadeGrid& grid, const TreeModel& tree, const Vec3& light, bool shadows);

// Once per drawn frame, before drawing: eases every blade's colour through the
// grid marked last frame, then remarks it (remarkShadeGrid) from the branches
// about to be drawn. The tree must have branches for the grass to
// be drawn, and so eased.
void shadeGrass(ShadeGrid& grid, GrassField& grass, const TreeModel& tree, const Vec3& light, bool shadows);
