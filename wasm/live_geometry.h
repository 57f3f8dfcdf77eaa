// What the page draws each frame, filled by the module into arrays over its
// memory: bark and petiole tubes (the window's tube geometry) and one matrix
// per leaf blade for an instanced mesh. Fixed parts (indices, the blade's
// mesh) are made once per tree.
#pragma once
#include <cstdint>
#include <vector>

#include "arborvane/arborvane.h"
#include "tree/leaf_template.h"

// The grass's textures, then the blades that name none.
constexpr int kLiveGrassGroups = 5;

struct LiveGeometry {
    // Tubes as (u, v, nx, ny, nz, x, y, z) floats per vertex: the trunk, then
    // the branches, then the petioles; triangles over them in the same order.
    std::vector<float> tube;
    std::vector<std::uint32_t> tubeIndices;
    std::uint32_t trunkIndexCount = 0;  // indices of the trunk
    std::uint32_t branchIndexCount = 0; // indices of the branches after it
    // The rest are the petioles'.
    // Per leaf, branch by branch: the blade matrix in column-major floats (three.js order).
    std::vector<float> leafMatrices;
    // The shared blade: positions (x, y, z), texture (u, v), triangles.
    std::vector<float> bladePositions, bladeUvs;
    std::vector<std::uint32_t> bladeIndices;
    // Grass, when shown: per blade and level the far edge and the edge
    // (x, y, z each), with (u, v) and quad triangles fixed, the triangles
    // grouped by texture.
    bool grass = false;
    std::vector<float> grassPositions, grassUvs;
    std::vector<std::uint32_t> grassIndices;
    std::uint32_t grassGroupCounts[kLiveGrassGroups] = {}; // indices per group, in order
    // The tree top: branch and centre-line point of the highest rest point.
    std::size_t tipBranch = 0, tipPoint = 0;
};

// Sizes everything and makes the fixed parts for the simulation's tree, at
// rest (right after setUp). tmpl gives the blade's texture coordinates and
// the petiole radii.
void buildLiveGeometry(const arborvane::Simulation& sim, const LeafTemplate& tmpl, LiveGeometry& out);
// Refills the tube vertices and leaf matrices from the current state.
void updateLiveGeometry(const arborvane::Simulation& sim, const LeafTemplate& tmpl, LiveGeometry& out);
