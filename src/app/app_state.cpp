#include "app/app_state.h"

#include "data_constants/data_folder.h"

Scene scene;
RenderAssets assets;
FramePipeline pipeline;
ViewState view;
std::string dataDir = kDefaultDataDir;
