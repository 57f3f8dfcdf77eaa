// The leaf template file: petiole points with radii, blade vertices with
// texture coordinates, blade faces.
#pragma once

inline constexpr const char* kLeafFileName = "tree/poplar_leaf.txt"; // under the data folder

constexpr int kPetiolePoints = 6;       // petiole centre-line points
constexpr int kBladeVertices = 77;      // blade vertices
constexpr int kBladeFaces = 95;         // blade triangles
constexpr double kLeafFileScale = 0.25; // file units -> model units
