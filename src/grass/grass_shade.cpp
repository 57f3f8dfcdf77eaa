#include "grass/grass_shade.h"

#include <cmath>
#include <cstring>

#include "grass/grass_field.h"
#include "math/planar_shadow.h"
#include "tree/tree_model.h"

int shadeCellCoordinate(double v, double min, double max)
{
    const double extent = max - min;
    if (!(extent > 0.0)) return -1;
    const double c = 39.0 * (v - min) / extent + 0.5;
    // Range test before the cast: trunc of (-1, 0) is still 0; NaN fails here.
    if (!(c > -1.0 && c < 40.0)) return -1;
    return static_cast<int>(c);
}

bool markShadeCell(ShadeGrid& grid, double x, double z)
{
    const Vec3& lo = grid.boundsMin;
    const Vec3& hi = grid.boundsMax;
    if (!(lo.x < x && x < hi.x && lo.z < z && z < hi.z)) return false;
    const int ix = shadeCellCoordinate(x, lo.x, hi.x);
    const int iz = shadeCellCoordinate(z, lo.z, hi.z);
    if (ix < 0 || iz < 0) return false;
    grid.cells[ix * kShadeGridSize + iz] = 1;
    return true;
}

bool grassRootShaded(const ShadeGrid& grid, const Vec3& root)
{
    const int ix = shadeCellCoordinate(root.x, grid.boundsMin.x, grid.boundsMax.x);
    const int iz = shadeCellCoordinate(root.z, grid.boundsMin.z, grid.boundsMax.z);
    if (ix < 0 || iz < 0) return false;
    return grid.cells[ix * kShadeGridSize + iz] != 0;
}

void easeGrassColour(Vec3& colour, bool shaded)
{
    const Vec3& target = shaded ? kGrassShadeColour : kGrassLightColour;
    colour = add(scale(target, 0.4), scale(colour, 0.6));
}

void clearShadeGrid(ShadeGrid& grid) { std::memset(grid.cells, 0, sizeof grid.cells); }

int projectTreeBranchShadow(const TreeModel& tree, int b, const Vec3& lightDir, ShadowSegment* out)
{
    const Branch& branch = tree.branches[b];
    int n = branch.pointCount;
    if (!branch.points || !branch.radii || n < 2) return 0;
    if (n > kMaxRefinedPoints) n = kMaxRefinedPoints;
    return projectBranchShadow(branch.points.get(), branch.radii.get(), n, lightDir,
                               branchShadowHeight(b, tree.branchCount), out);
}

void markBranchShadows(ShadeGrid& grid, const TreeModel& tree, const Vec3& light)
{
    if (!shadowLightUsable(light)) return;
    const Vec3 lightDir = shadowLightDirection(light);
    ShadowSegment segments[kMaxRefinedPoints];
    for (int b = 0; b < tree.branchCount; ++b) {
        const int count = projectTreeBranchShadow(tree, b, lightDir, segments);
        for (int k = 0; k < count; ++k) markShadeCell(grid, segments[k].a.x, segments[k].a.z);
    }
}

void shadeGrass(ShadeGrid& grid, GrassField& grass, const TreeModel& tree, const Vec3& light, bool shadows)
{
    if (tree.branchCount > 0 && grassLevels(grass) > 0)
        for (int i = 0; i < grass.bladeCount; ++i) {
            GrassBlade& blade = grass.blades[i];
            easeGrassColour(blade.colour, grassRootShaded(grid, blade.centre[0]));
        }
    remarkShadeGrid(grid, tree, light, shadows);
}

void remarkShadeGrid(ShadeGrid& grid, const TreeModel& tree, const Vec3& light, bool shadows)
{
    clearShadeGrid(grid);
    if (shadows) markBranchShadows(grid, tree, light);
}
