// The tree skeleton file: one header line, then one row per branch
// (colour word, N points with radii, M children with attach points).
#pragma once

inline constexpr const char* kTreeFileName = "tree/tulip_tree.txt"; // under the data folder

constexpr int kBranchCount = 322;     // rows in the file, branches in the model
constexpr int kMaxBranchPoints = 40;  // N is 2..40
constexpr int kMaxRefinedPoints = 2 * kMaxBranchPoints - 1;
constexpr double kTreeFileScale = 0.35; // file units -> model units
constexpr double kRadiusFloor = 0.015;  /// model units; thinner radii are raised to this

// Colour words in class order: the index is a branch's colour class.
inline constexpr const char* kColourWords[] = {"red",     "green",  "blue",    "springgreen",
                                               "magenta", "orange", "skyblue", "violetred"};
constexpr int kColourClassCount = 8;
