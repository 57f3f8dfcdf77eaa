// Bark and stalk surfaces: a textured, lit-ready tube around a polyline.
#pragma once
#include "math/vec3.h"

// One GL_QUAD_STRIP per segment with the caller's texture, colour and
// lighting. Ring radius is half of radii[k]. sides is 16, 8 or 3.
void drawTube(int n, const Vec3* points, const double* radii, int sides);
