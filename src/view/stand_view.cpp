#include "view/stand_view.h"

#include <algorithm>
#include <cmath>


namespace {

// Row-major turn about +y by degrees, as glRotatef(degrees, 0, 1, 0).
Mat4 turnAboutY(double degrees)
{
    const double a = degrees * (3.1415926538 / 180.0), c = std::cos(a), s = std::sin(a);
    Mat4 r = identity();
    r.m[0] = c;
    r.m[2] = s;
    r.m[8] = -s;
    r.m[10] = c;
    return r;
}

} // namespace

ViewState placedView(const ViewState& view, const GroundPlace& place)
{
    ViewState placed = view;
    // OpenGL order A B is multiply(B', A') here: treeRotation, then the move, then the turn.
    const Mat4 move = transpose(translation({place.x, 0.0, place.z, 0}));
    placed.treeRotation = multiply(multiply(transpose(turnAboutY(place.turn)), move), view.treeRotation);
    // The light as read by currentLight, turned back into the tree's frame.
    placed.lightRotation = multiply(turnAboutY(-place.turn), view.lightRotation);
    return placed;
}

Mat4 lookAtView(const Vec3& eye, const Vec3& target)
{
    Vec3 f = sub(target, eye);
    normalize(f);
    Vec3 s = cross(f, {0.0, 1.0, 0.0, 0});
    normalize(s);
    const Vec3 u = cross(s, f);
    Mat4 v = identity(); // (r, c) at 4c + r
    const Vec3 rows[3] = {s, u, {-f.x, -f.y, -f.z, 0}};
    for (int r = 0; r < 3; ++r) {
        v.m[r] = rows[r].x;
        v.m[4 + r] = rows[r].y;
        v.m[8 + r] = rows[r].z;
        v.m[12 + r] = -(rows[r].x * eye.x + rows[r].y * eye.y + rows[r].z * eye.z);
    }
    return v;
}

void standCamera(const std::vector<GroundPlace>& places, Vec3& eye, Vec3& target)
{
    double minX = 0.0, maxX = 0.0, minZ = 0.0, maxZ = 0.0;
    for (size_t i = 0; i < places.size(); ++i) {
        minX = i ? std::min(minX, places[i].x) : places[i].x;
        maxX = i ? std::max(maxX, places[i].x) : places[i].x;
        minZ = i ? std::min(minZ, places[i].z) : places[i].z;
        maxZ = i ? std::max(maxZ, places[i].z) : places[i].z;
    }
    const double cx = 0.5 * (minX + maxX), cz = 0.5 * (minZ + maxZ);
    // Half the stand's width plus a crown, inside the 4:3 window's 75 degree
    // width of view from in front (+z), the nearest row not too close.
    const double half = 0.5 * std::max(maxX - minX, maxZ - minZ) + 4.0;
    const double distance = std::max(12.0, half / 0.75 + 0.5 * (maxZ - minZ));
    target = {cx, 2.0, cz, 0};
    eye = {cx, 2.0 + 0.2 * (distance - 12.0), cz + distance, 0};
}
