// Lighter levels of the tree for the distance, over the same rig and the
// same animation: bark of fewer sides and rings, petioles of fewer points
// (none at the lightest level), and fewer, larger leaf blades of a simpler
// outline. Each level is its own top-level nodes, named `Bark_LOD1`,
// `Petioles_LOD1`, `Leaves_LOD1` and so on: Blender, three.js and Godot all
// import plain nodes, and none of them reads MSFT_lod.
#pragma once
#include <cstddef>

#include "arborvane/arborvane.h"
#include "export/export_rig.h"
#include "export/glb_parts.h"
#include "export/motion_tracks.h"

namespace glb {

constexpr int kLodLevels = 2; // levels added beside the full tree

// Adds levels 1..kLodLevels. leafFirst: the first leaf node (addLeafBlades),
// whose nodes the lighter blades are skinned to, so they move as the full ones;
// with rig.bones (no leaf nodes) they ride on the tree's skin as the full blades.
// triangles[level] gets each level's tree triangles, level 0 included.
void addLodLevels(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig, const MotionTracks& tracks,
                  const TreeMaterials& mats, int treeSkin, int leafFirst, size_t triangles[kLodLevels + 1]);

} // namespace glb
