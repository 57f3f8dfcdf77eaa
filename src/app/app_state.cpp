#include "app/app_state.h"

#include "data_constants/data_folder.h"

Scene scene;
RenderAssets assets;
FramePipeline pipeline;
ViewState view;
std::unique_ptr<Transformer> dragManipulator;
std::string dataDir = kDefaultDataDir;
