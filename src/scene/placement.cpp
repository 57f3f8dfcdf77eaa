#include "scene/placement.h"

#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 3.1415926538 / 180.0;

// Turned by `radians` about +y, right-handed: +x towards -z.
Vec3 turned(const Vec3& v, double radians)
{
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    return {v.x * c + v.z * s, v.y, v.z * c - v.x * s, v.status};
}

} // namespace

bool atOrigin(const TreePlacement& placement)
{
    return placement.x == 0.0 && placement.z == 0.0 && placement.turn == 0.0;
}

Vec3 intoField(const TreePlacement& placement, const Vec3& p)
{
    const Vec3 t = turned(p, placement.turn * kRadiansPerDegree);
    return {t.x + placement.x, t.y, t.z + placement.z, t.status};
}

Vec3 intoTree(const TreePlacement& placement, const Vec3& d) { return turned(d, -placement.turn * kRadiansPerDegree); }
