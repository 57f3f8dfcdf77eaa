// Poplar leaf template: a petiole of six points and a deltoid, serrate blade
// of 77 vertices and 95 triangles, in leaf-file units (the program scales by kLeafFileScale).
#pragma once
#include <array>

#include "data_constants/leaf_file.h"
#include "math/vec3.h"

struct LeafParams {
    double bladeLength = 2.72;      // base to apex along +y
    double widthRatio = 0.92;       // widest span / blade length
    double petioleRatio = 0.25;     // petiole length / blade length
    double petioleBendDeg = 26.0;   // first petiole segment against +y
    double petioleRadius = 0.04;    // at the twig; tapers to 3/4 at the blade
    double toothDepth = 0.022;      // serration depth / blade length
    double cup = 0.22;              // margin rise towards -z (upper side)
    double droop = 0.05;            // apex bend towards +z (lower side)
};

struct LeafMesh {
    std::array<std::array<double, 4>, kPetiolePoints> petiole{}; // x, y, z, r
    std::array<Vec3, kBladeVertices> position{};                     // x, y, z
    std::array<std::array<double, 2>, kBladeVertices> texCoord{};     // u, v
    std::array<std::array<int, 3>, kBladeFaces> faces{};              // counter-clockwise seen from +z
};

// Front (+z) is the lower leaf side. The numbering puts the vertices of the
// program's built-in shadow outline on the margin and midrib.
LeafMesh buildLeafMesh(const LeafParams& params);
