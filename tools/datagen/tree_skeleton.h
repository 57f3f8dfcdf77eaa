// The tree skeleton the generator grows: branches as polylines with radii,
// in model units (the tree file stores them divided by kTreeFileScale).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "data_constants/tree_file.h"
#include "math/vec3.h"

struct TreeParams {
    uint64_t seed = 1987;             // --tree-seed
    int branchCount = kBranchCount;   // rows of the tree file
    double height = 11.1;             // --tree-height: top of the leader
    double crownBase = 2.7;           // --crown-base: height of the lowest limb
    double crownWidth = 7.9;          // --crown-width
    std::string crownShape = "oval";  // --crown-shape: oval, round, cone, column
    int limbs = 15;                   // --limbs: scaffold limbs on the leader
    double limbAngleLow = 68.0;       // --limb-angle-low: lowest limb against the vertical, degrees
    double limbAngleHigh = 42.0;      // --limb-angle-high: highest limb
    double trunkRadius = 0.6;         // --trunk-radius: radius column at the base, model units
    double pipeExponent = 2.3;        // --pipe-exponent: r^e of a fork adds up
    double twigLength = 0.6;          // --twig-length: typical twig length
    double tipSegment = 0.2;          // --tip-segment: last segment, where the leaves sit
    double segment = 0.32;            // --segment: body segment length
    int trunkPoints = 14;             // --trunk-points: joints bend in series, so fewer keep the leader steady
    double upwardBend = 0.12;         // --upward-bend: tropism per unit length
};

struct SkeletonBranch {
    std::vector<Vec3> points;   // centre line, base first
    std::vector<double> radii;    // radius column per point, model units
    int parent = -1;              // branch number of the parent, -1 for the trunk
    int attachPoint = 0;          // parent point the branch starts at
    int level = 0;                // 0 trunk, 1 limbs, 2 secondaries, ...
    int colourClass = 0;          // 0..7, the colour word of the row
    std::vector<int> children;    // branch numbers, by attach point
};

struct TreeSkeleton {
    std::vector<SkeletonBranch> branches; // parents before children
};

// Grows a tree; throws std::runtime_error on parameters it cannot honour.
TreeSkeleton growTree(const TreeParams& params);

bool writeTreeFile(const std::string& path, const TreeSkeleton& tree);
bool writeTreePreview(const std::string& path, const TreeSkeleton& tree, const TreeParams& params);
