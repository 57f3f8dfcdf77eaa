// What drawing needs from OpenGL besides the scene: the ten textures, the
// display lists and the arrow quadric. Made once at start-up, kept for the
// run, read as const while drawing.
#pragma once
#include <cstdint>
#include <string>

#include "data_constants/texture_files.h"
#include "scene/scene.h"
#include "textures/texture.h"

struct GLUquadric;
struct ViewState;

struct RenderAssets {
    Texture sceneTextures[kSceneTextureCount]; // indexed by SceneTextureIndex: bark, ground, leaf sides, petiole
    Texture grassTextures[kGrassTextureCount]; // grass01 .. grass04
    unsigned int groundList = 0;               // the tiled ground
    unsigned int standGroundList = 0;          // a stand's wider ground (buildStandGround), else 0
    GLUquadric* arrowQuadric = nullptr;        // cone of the wind arrow
};

// The six scene textures in order; false at the first failure, with the
// failing file's path in failedPath.
bool loadSceneTextures(RenderAssets& assets, const std::string& dataDir, std::string& failedPath);
// The four grass textures in order; false at the first failure, with
// "<path>: <reason>" in failure when given.
bool loadGrassTextures(RenderAssets& assets, const std::string& dataDir, std::string* failure = nullptr);
// The ground list (binding the ground texture, so after it loads) and the
// arrow quadric. Needs a current GL context.
void buildRenderAssets(RenderAssets& assets);

// A stand's ground: wide enough that its edge stays beyond kStandFarPlane
// from a camera over the stand. After buildRenderAssets.
void buildStandGround(RenderAssets& assets);
// How far a stand's view reaches: past the lawn's far edge from any camera over it.
constexpr double kStandFarPlane = 1000.0;

// Fixed GL state, the camera matrices into view (read back from GLU) and the
// light colour: the part of start-up that needs a context but no files.
void initGlState(ViewState& view);
// A new window size: viewport and the 60 degree projection. A minimised
// window reports height 0: the last projection is kept rather than one built
// from an infinite aspect.
void applyWindowSize(ViewState& view, int width, int height);
// Lights GL_LIGHT0 with the view's colour and sets the viewport.
void enableLight(const ViewState& view);
