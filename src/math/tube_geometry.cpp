#include "math/tube_geometry.h"

#include <cmath>

void makeTubeAngles(int sides, TubeAngles& angles)
{
    if (sides < 1) sides = 1;
    if (sides > kMaxTubeSides) sides = kMaxTubeSides;
    angles.sides = sides;
    for (int s = 0; s < sides; ++s) {
        // s*2pi/S equals s*2pi*0.0625 and s*2pi*0.125 exactly for 16 and 8 sides.
        const double theta = s * 6.2831853076 / sides;
        angles.cosines[s] = std::cos(theta);
        angles.sines[s] = std::sin(theta);
        angles.u[s] = static_cast<double>(s) / sides;
    }
}

Vec3 tubeReference(const Vec3& t)
{
    if (t.x * t.y * t.z != 0.0) {
        const double l = std::sqrt(t.y * t.y + t.z * t.z);
        return {0.0, t.z / l, -t.y / l, 0};
    }
    if (t.x == 0.0) return {1.0, 0.0, 0.0, 0};
    if (t.y == 0.0) return {0.0, 1.0, 0.0, 0};
    return {0.0, 0.0, 1.0, 0};
}

void tubeInitialFrame(const Vec3& firstDirection, Vec3& v, Vec3& w)
{
    v = cross(tubeReference(firstDirection), firstDirection);
    normalize(v);
    w = cross(firstDirection, v);
    normalize(w);
}

void tubePropagateFrame(const Vec3& next, Vec3& v, Vec3& w)
{
    v = cross(w, next);
    normalize(v);
    w = cross(next, v);
    normalize(w);
}

void tubeBuildRing(const Vec3& centre, double thickness, const Vec3& v, const Vec3& w, const TubeAngles& angles,
                   TubeRing& ring)
{
    for (int s = 0; s < angles.sides; ++s) {
        const Vec3 d = add(scale(w, angles.sines[s]), scale(v, angles.cosines[s]));
        ring.directions[s] = d;
        ring.vertices[s] = add(centre, scale(scale(d, 0.5), thickness));
    }
}
