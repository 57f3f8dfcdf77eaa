#include "math/arrow_rotation.h"

ArrowRotation arrowRotation(const Vec3& direction)
{
    const Vec3 zAxis{0.0, 0.0, 1.0, 0};
    Vec3 d = direction;
    const Vec3 unit = normalized(d);
    ArrowRotation r;
    r.axis = cross(zAxis, unit);
    normalize(r.axis);
    if (r.axis.status != 0) r.axis = {1.0, 0.0, 0.0, 0};
    r.degrees = angleBetween(zAxis, direction) * 180.0 / 3.1415926538;
    return r;
}
