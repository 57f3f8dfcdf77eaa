#include "scenery/grass_field_shade.h"

#include <cmath>
#include <cstring>

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

bool markShadeCell(TreeModel& model, double x, double z)
{
    const Vec3& lo = model.boundsMin;
    const Vec3& hi = model.boundsMax;
    if (!(lo.x < x && x < hi.x && lo.z < z && z < hi.z)) return false;
    const int ix = shadeCellCoordinate(x, lo.x, hi.x);
    const int iz = shadeCellCoordinate(z, lo.z, hi.z);
    if (ix < 0 || iz < 0) return false;
    model.shadeGrid[ix * kShadeGridSize + iz] = 1;
    return true;
}

bool grassRootShaded(const TreeModel& model, const Vec3& root)
{
    const int ix = shadeCellCoordinate(root.x, model.boundsMin.x, model.boundsMax.x);
    const int iz = shadeCellCoordinate(root.z, model.boundsMin.z, model.boundsMax.z);
    if (ix < 0 || iz < 0) return false;
    return model.shadeGrid[ix * kShadeGridSize + iz] != 0;
}

void easeGrassColour(Vec3& colour, bool shaded)
{
    const Vec3& target = shaded ? kGrassShadeColour : kGrassLightColour;
    colour = add(scale(target, 0.4), scale(colour, 0.6));
}

void clearShadeGrid(TreeModel& model) { std::memset(model.shadeGrid, 0, sizeof model.shadeGrid); }
