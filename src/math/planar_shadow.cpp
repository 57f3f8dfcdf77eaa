#include "math/planar_shadow.h"

#include <cmath>

bool shadowLightUsable(const Vec3& light)
{
    if (!std::isfinite(light.x) || !std::isfinite(light.y) || !std::isfinite(light.z)) return false;
    const double len = std::sqrt(light.x * light.x + light.y * light.y + light.z * light.z);
    // Relative test: a grazing light stretches shadows by |L|/|Ly|.
    return std::fabs(light.y) > 1e-6 * len;
}

Mat4 shadowMatrix(const Vec3& light, double lift)
{
    // For a light below the ground the whole matrix is negated: the same
    // mapping, but w stays positive, which OpenGL's clipping requires.
    const double sign = light.y < 0.0 ? -1.0 : 1.0;
    Mat4 m;
    m.m[0] = sign * light.y;
    m.m[4] = -sign * light.x;
    m.m[6] = -sign * light.z;
    m.m[10] = sign * light.y;
    m.m[13] = sign * lift;
    m.m[15] = sign * light.y;
    return m;
}

Vec3 shadowLightDirection(const Vec3& light)
{
    Vec3 dir = scale(light, -1.0);
    normalize(dir);
    return dir;
}

Vec3 projectAlongLight(const Vec3& p, const Vec3& lightDir, double height)
{
    const double t = -p.y / lightDir.y;
    return {p.x + t * lightDir.x, height, p.z + t * lightDir.z, p.status};
}

float thinShadowLineWidth(int colourClass)
{
    if (colourClass == 0) return 3.0f;
    if (colourClass == 1) return 2.0f;
    return 1.0f;
}

double branchShadowHeight(int branch, int count) { return (branch * 0.02) / count + 0.051; }

int projectBranchShadow(const Vec3* points, const double* radii, int n, const Vec3& lightDir, double height,
                        ShadowSegment* out)
{
    if (n < 2) return 0;
    Vec3 a, b;
    for (int k = 0; k + 1 < n; ++k) {
        Vec3 side = cross(sub(points[k + 1], points[k]), lightDir);
        normalize(side);
        if (k == 0) {
            a = projectAlongLight(add(points[0], scale(side, 0.5 * radii[0])), lightDir, height);
            b = projectAlongLight(add(points[0], scale(side, -0.5 * radii[0])), lightDir, height);
        }
        const Vec3 c = projectAlongLight(add(points[k + 1], scale(side, 0.5 * radii[k + 1])), lightDir, height);
        const Vec3 d = projectAlongLight(add(points[k + 1], scale(side, -0.5 * radii[k + 1])), lightDir, height);
        out[k] = {a, b, c, d, radii[k] < kThinSegmentRadius};
        a = c;
        b = d;
    }
    return n - 1;
}
