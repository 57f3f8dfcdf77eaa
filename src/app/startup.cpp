#include "app/startup.h"

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/frame_stats.h"
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
    sizeFramePipeline(pipeline, scene);
}
