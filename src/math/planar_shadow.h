// Planar shadows on the ground plane y = 0 of tree space, along a light that
// is infinitely far away in the direction of its position.
#pragma once
#include "math/mat4.h"

// Branch shadow colour, also used for the grass shadows.
constexpr float kShadowColour[3] = {0.14509805f, 0.1882353f, 0.08627451f};
// Segments whose start radius is below this become lines.
constexpr double kThinSegmentRadius = 0.025;

// False when the light lies in (or numerically at) the ground plane or is not
// finite: every projection would divide by Ly, so no shadow can be cast.
bool shadowLightUsable(const Vec3& light);

// OpenGL element order: maps (x, y, z) to (x - y*Lx/Ly, lift/Ly, z - y*Lz/Ly),
// with a positive w (element 15) for either sign of Ly.
Mat4 shadowMatrix(const Vec3& light, double lift);

// The unit direction the light travels: -light, normalised.
Vec3 shadowLightDirection(const Vec3& light);

// Moves p along lightDir (the unit direction the light travels) onto y = 0,
// then sets y to height.
Vec3 projectAlongLight(const Vec3& p, const Vec3& lightDir, double height);

// Line width of a thin segment's shadow by colour class.
float thinShadowLineWidth(int colourClass);

// One projected segment of a branch shadow. Thick segments are the quad
// a, b, d, c; thin ones the line from the midpoint of a, b to that of c, d.
struct ShadowSegment {
    Vec3 a, b, c, d; // projected corners: start pair, end pair
    bool thin;       // start radius below kThinSegmentRadius
};

// Shadow height of branch b of count branches: each on its own level.
double branchShadowHeight(int branch, int count);

// Projects the n-1 segments of a centre line with radii; out holds n-1
// records. Consecutive segments share corners, so the strip has no gaps.
// Returns the number written (0 when n < 2).
int projectBranchShadow(const Vec3* points, const double* radii, int n, const Vec3& lightDir, double height,
                        ShadowSegment* out);
