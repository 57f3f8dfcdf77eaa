// The tree model: 322 branch records with their leaves, the wind grids, the
// grass field, bounds and the triangle figures. One global instance.
#pragma once
#include <cstdint>
#include <memory>

#include "formats/tree_file.h"
#include "math/mat4.h"
#include "scenery/grass_field.h"
#include "tree/leaf.h"
#include "wind/noise_field.h"

constexpr int kLeavesPerBranch = 6;
constexpr int kShadeGridSize = 40;

inline constexpr const char* kTreeModelPath = "./data/tree/tulip_tree.txt";

struct BranchChild {
    int32_t attachPoint = 0; // parent's centre-line point the child starts at
    int32_t childIndex = 0;  // branch number of the child
};

struct Branch {
    std::unique_ptr<Vec3[]> points;         // centre line, capacity 2N-1
    std::unique_ptr<double[]> radii;        // radius per point, capacity 2N-1
    int32_t pointCount = -1;                // N (2N-1 when refined)
    std::unique_ptr<BranchChild[]> children; // in file order
    int32_t childCount = 0;                 // M
    Leaf leaves[kLeavesPerBranch];          // the six leaves on the last segment
    Mat4 baseTransform = identity();        // handed down by the parent each step
    Vec3 frameX, frameY, frameZ;            // base point + unit axes
    int32_t colourClass = 0;                // 0..7 from the colour word
    double bendVelocity[3] = {};            // oscillator velocities (x, z used)
    double bendPosition[3] = {};            // oscillator states (x, z used)
    double stiffness = 1.0;                 // class parameter
    double frequency = 0.0;                 // class parameter
    double dampingRatio = 0.0;              // class parameter
    double windScale = 0.0;                 // height factor of the middle point
    Vec3 noisePosition;                     // where the wind is sampled
};

struct TreeModel {
    int32_t branchCount = 0;                       // RowMax once loaded
    bool showShadows = true;                       // copy of the display's shadow flag
    Vec3 refinePoints[kMaxRefinedPoints];          // refinement scratch
    double refineRadii[kMaxRefinedPoints] = {};    // refinement scratch
    Vec3 boundsMin, boundsMax;                     // scene bounding box
    WindField wind;                                // u, v, w grids with cursors
    int32_t noiseSize = 0;                         // n of the last grid read
    int32_t grassBladeCount = 0;                   // 0 when no field is loaded
    int32_t grassPointsPerBlade = 0;               // 5 once loaded
    std::unique_ptr<GrassBlade[]> grassBlades;     // file order
    uint8_t shadeGrid[kShadeGridSize * kShadeGridSize] = {}; // [ix*40+iz], 1 under a branch shadow
    int32_t triangleCount = 0;                     // overlay figure
    int32_t triangleTotalPlain = 0;                // sum of 32N+718
    int32_t triangleTotalShadowed = 0;             // sum of 64N+686
    Branch branches[kBranchCount];                 // live records
    Branch restBranches[kBranchCount];             // rest copy: points, radii, count, frames
};

extern TreeModel treeModel;

// Back to the just-constructed state (tests, reloads).
void resetTreeModel(TreeModel& model);

bool loadTreeModel(TreeModel& model, const char* path = kTreeModelPath);
