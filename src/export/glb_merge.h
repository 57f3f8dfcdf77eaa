// Several trees' binary glTF files as one: each tree's nodes, meshes, skin and
// textures kept whole under a node that stands it at its place, every
// animation channel in one clip, one buffer. Knows the glTF format only, not
// how a tree's file was made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most bytes a .glb holds: its header's length is 32 bits.
constexpr uint64_t kGlbByteLimit = 0xFFFFFFFFull;

// Where a tree's root node stands: a ground position and a turn about +y.
struct GlbPlace {
    double x = 0.0;    /// along x, the file's units
    double z = 0.0;    /// along z, the file's units
    double turn = 0.0; /// degrees about +y, counter-clockwise seen from above
    std::string inField; // a root node's name whose node lies in the field as it is (a lawn): left unplaced
};

// out: the files of glbs (one per tree, in order) merged, tree K at
// places[K]. Tree K's nodes keep their order from firstNodes[K] on (when
// given), so node N of its own file is node firstNodes[K] + N. False with a
// one-line reason, also when the merged file would pass limit bytes.
bool mergeGlbs(const std::vector<std::string>& glbs, const std::vector<GlbPlace>& places, std::string& out,
               std::string& error, std::vector<size_t>* firstNodes = nullptr, uint64_t limit = kGlbByteLimit);
