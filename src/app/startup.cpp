#include "app/startup.h"

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/frame_stats.h"
#include "data_constants/data_folder.h"
#include "data_constants/tree_file.h"
#include "render/scene_start.h"
#include "platform/platform.h"

void initScene(bool fatalWaitsForKey)
{
    initFrameStats();
    const StartReport report = startScene(scene, assets, view, dataDir, nullptr);
    if (!report.sceneTexturesOk) {
        // Fatal: the scene cannot be drawn without its six textures.
        consolePrintf("Error on loading texture %s", report.failedTexture.c_str());
        if (fatalWaitsForKey) std::getchar(); // one character, or end of input
        else consolePrintf("\n");
        std::exit(1);
    }
    // The window goes on with what loaded (the recorder and the exporter stop
    // here); say so, or a missing or empty tree file looks like a bare field.
    if (!report.files.tree || scene.tree.branchCount <= 0)
        consolePrintf("arborvane: the tree file %s did not load; the window goes on without the tree\n",
                      dataPath(dataDir, kTreeFileName).c_str());
    sizeFramePipeline(pipeline, scene);
}
