// The window program's state: the scene it animates, the GL assets it draws
// with, the frame pipeline, the view the input callbacks change, the
// manipulator of the current drag and the data folder.
#pragma once
#include <memory>
#include <string>

#include "frame/frame_pipeline.h"
#include "render/render_assets.h"
#include "scene/scene.h"
#include "view/transformer.h"
#include "view/view_state.h"

extern Scene scene;          // everything the simulation reads and writes
extern RenderAssets assets;  // textures, display lists, arrow quadric
extern FramePipeline pipeline; // the frame's vertex arrays (two sets) and the step thread
extern ViewState view;       // window, camera, drags, flags, capture, frame rate
extern std::unique_ptr<Transformer> dragManipulator; // manipulator of the current drag; outside the view, which is copied
extern std::string dataDir;  // folder the data files are read from (./data)
