#include "dynamics/wind_force.h"

#include <cmath>

#include "wind/noise_field.h"

WindInput makeWindInput(bool gale, double magnitude, const Vec3& direction)
{
    WindInput wind;
    wind.along = direction;
    wind.across = cross(direction, Vec3{0.0, 1.0, 0.0, 0});
    normalize(wind.across);
    wind.third = cross(wind.across, direction);
    normalize(wind.third);
    wind.gale = gale;
    wind.magnitude = magnitude;
    return wind;
}

Vec3 windForce(const WindInput& wind, double u, double v, double w, double scaleFactor)
{
    if (wind.gale) {
        // A fresh sample vector per element: a zero one must not silence the next.
        Vec3 n{u, (v - 0.5) * 0.88, (w - 0.5) * 0.55, 0};
        // 1.269225 = 1 + (0.88 * 0.5)^2 + (0.55 * 0.5)^2, the largest |n|^2.
        const double size = lengthAndNormalize(n); // length(n), and n made unit
        const double a = scaleFactor * wind.magnitude * ((size / std::sqrt(1.269225) - 0.5) * 1.5 + 1.0);
        return add(add(scale(wind.along, a * n.x), scale(wind.across, a * n.y)), scale(wind.third, a * n.z));
    }
    return add(scale(wind.third, (2.0 * w - 1.0) * 5.5),
               add(scale(wind.across, (2.0 * v - 1.0) * 10.0), scale(wind.along, (2.0 * u - 1.0) * 10.0)));
}

Vec3 sampleWindForce(const WindField& field, const WindInput& wind, const Vec3& p, double scaleFactor)
{
    double uvw[3];
    sampleWind(field, p.x, p.y, p.z, uvw);
    return windForce(wind, uvw[0], uvw[1], uvw[2], scaleFactor);
}
