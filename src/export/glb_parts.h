// The scene's parts in the document: materials and textures, the tree's rig,
// bark and petioles, the leaf blades, the grass, and the animation over them.
#pragma once
#include <string>

#include "arborvane/arborvane.h"
#include "export/export_rig.h"
#include "export/glb_animation.h"
#include "export/gltf_kit.h"
#include "export/motion_tracks.h"
#include "image/bmp_file.h"

namespace glb {

// The grass rig's root node: the lawn's joints hang under it.
inline constexpr const char* kGrassRigName = "GrassRig";

// What every phase of the build adds to: the model, its binary chunk and the one scene.
struct GlbParts {
    tinygltf::Model& m;      // the glTF document
    Bin& bin;                // its binary chunk
    tinygltf::Scene& scene;  // the scene's top-level nodes
};

// Materials of the tree, by part.
struct TreeMaterials {
    int trunk = -1;   // lit bark of branch 0
    int branch = -1;  // lit bark of the others
    int lower = -1;   // leaf blade, lower surface
    int upper = -1;   // leaf blade, upper surface
    int petiole = -1; // leaf stalks
};

// Joint nodes where each animated block starts (-1: no block).
struct AnimatedNodes {
    int tree = 0;   // first tree joint node
    int leaves = 0; // first leaf node
    int grass = -1; // first grass joint node
};

void startModel(tinygltf::Model& m);
// The sampler and the tree's textured materials (sceneTextures by SceneTextureIndex).
bool addTreeMaterials(GlbParts& out, const BmpImage* sceneTextures, TreeMaterials& mats, std::string& error);
// The tree's joint nodes under their root; returns the tree skin.
int addTreeRig(GlbParts& out, const ExportRig& rig, int& treeFirst);
// Bark: every branch's rest tube, ring k on joint k of its branch; and the
// petioles, each starting on its branch tip's joint.
void addBarkAndPetioles(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig,
                        const TreeMaterials& mats, int treeSkin);
// One blade mesh, drawn by a node per leaf under "Leaves"; returns the first leaf node.
int addLeafBlades(GlbParts& out, const arborvane::Simulation& sim, const MotionTracks& tracks,
                  const TreeMaterials& mats);
// --bones: the blades as one mesh on the tree's skin, each on its branch's
// bone, in the order of tracks.leafBranch; their own flutter is not kept.
void addSkinnedLeafBlades(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig,
                          const MotionTracks& tracks, const TreeMaterials& mats, int treeSkin);
// The first skin joint whose turns are stored as int16.
int shortTurnsFrom(const ExportRig& rig);
// Grass: one strip per blade, grouped by texture (rig.grassTexture) as the window draws them.
bool addGrass(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig, const BmpImage* grassTextures,
              int& grassFirst, std::string& error);
// Every moving joint's tracks into anim (not yet finished).
void addAnimatedNodes(const arborvane::Simulation& sim, const ExportRig& rig, const MotionTracks& tracks,
                      const AnimatedNodes& nodes, Animator& anim);

} // namespace glb
