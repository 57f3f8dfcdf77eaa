#include "math/vec3.h"

Vec3 normalized(Vec3& v)
{
    if (v.status != 0) {
        v.status = 2;
        return {};
    }
    const double len = norm(v);
    if (len == 0.0) {
        v.status = 1;
        return {};
    }
    return {v.x / len, v.y / len, v.z / len, 0};
}
