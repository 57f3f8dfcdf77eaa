// Start-up shared by the window program and the recorder: from a current GL
// context to the first frame.
#pragma once
#include <cstdint>
#include <string>

#include "render/render_assets.h"
#include "scene/scene.h"

struct ViewState;

// Everything a front-end does between making a GL context and its first
// frame, in the window program's order and with its console lines: GL state
// and camera, the scene textures (stops at a failure: sceneTexturesOk false,
// failedTexture names the file, nothing else loaded), the grass textures,
// the scene's files, the lists, set-up with the foliage seed (tick count when
// null), the light.
struct StartReport {
    bool sceneTexturesOk = false; // all six loaded; otherwise nothing after them ran
    std::string failedTexture;    // path of the scene texture that failed
    bool grassTexturesOk = false; // all four grass textures loaded
    std::string grassFailure;     // the grass texture that failed and why, when one did
    LoadReport files;             // leaf, noise, tree, grass files
};
StartReport startScene(Scene& scene, RenderAssets& assets, ViewState& view, const std::string& dataDir,
                       const uint32_t* foliageSeed);
