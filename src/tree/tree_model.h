// The tree model: 322 branch records with their leaves, their rest copies, the
// scene bounds and the triangle figures.
#pragma once
#include <cstdint>
#include <memory>

#include "data_constants/tree_file.h"
#include "math/mat4.h"
#include "tree/leaf.h"

constexpr int kLeavesPerBranch = 6;

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
    Mat4 tipTransform = identity();         // after the last joint this step: the leaves ride on it
    Vec3 frameX, frameY, frameZ;            // base point + unit axes
    int32_t colourClass = 0;                // 0..7 from the colour word
    double bendVelocity[3] = {};            // oscillator velocities (x, z used)
    double bendPosition[3] = {};            // oscillator states (x, z used)
    double stiffness = 1.0;                 /// class parameter: force units per radian of joint bend
    double frequency = 0.0;                 /// class parameter: oscillator frequency, Hz
    double dampingRatio = 0.0;              /// class parameter: fraction of critical damping
    double windScale = 0.0;                 /// height factor of the middle point, 0.32..1
    Vec3 noisePosition;                     // where the wind is sampled
};

struct TreeModel {
    int32_t branchCount = 0;                       // RowMax once loaded
    bool refined = true;                           // the centre lines hold 2N-1 points; true at construction, so set-up refines
    Vec3 boundsMin, boundsMax;                     // scene bounding box: branches, leaf tips, grass roots
    int32_t triangleCount = 0;                     // overlay figure
    int32_t triangleTotalPlain = 0;                // sum of 32N+718
    int32_t triangleTotalShadowed = 0;             // sum of 64N+686
    Branch branches[kBranchCount];                 // live records
    Branch restBranches[kBranchCount];             // rest copy: points, radii, count, frames
};

// Branches the model holds: the file's count, at most kBranchCount.
inline int liveBranchCount(const TreeModel& model) { return model.branchCount < kBranchCount ? model.branchCount : kBranchCount; }

// Colour class c (0..7) and its oscillator parameters: stiffness, frequency, damping.
void setBranchClass(Branch& branch, int colourClass);
// The rest record of a branch: its centre line, radii and frame. False, with
// a notice, when memory runs out.
bool copyRestBranch(const Branch& live, Branch& rest);
// Triangles a branch of n points adds to the overlay figure, without and with shadows.
constexpr int plainTriangles(int n) { return 32 * n + 718; }
constexpr int shadowedTriangles(int n) { return 64 * n + 686; }

// Back to the just-constructed state (tests, reloads).
void resetTreeModel(TreeModel& model);

bool loadTreeModel(TreeModel& model, const char* path);
