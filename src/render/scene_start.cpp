#include "render/scene_start.h"

#include "data_constants/data_folder.h"
#include "data_constants/texture_files.h"
#include "platform/platform.h"

StartReport startScene(Scene& scene, RenderAssets& assets, ViewState& view, const std::string& dataDir,
                       const uint32_t* foliageSeed)
{
    StartReport report;
    initGlState(view);
    report.sceneTexturesOk = loadSceneTextures(assets, dataDir, report.failedTexture);
    if (!report.sceneTexturesOk) return report;

    std::string& failure = report.grassFailure;
    report.grassTexturesOk = loadGrassTextures(assets, dataDir, &failure);
    if (report.grassTexturesOk)
        consolePrintf("Files %s~%s have successfully been loaded!\n",
                      dataPath(dataDir, kGrassTextureNames[0]).c_str(),
                      dataPath(dataDir, kGrassTextureNames[kGrassTextureCount - 1]).c_str());
    else
        consolePrintf("Texture file loading error!\n%s\n", failure.c_str());

    report.files = startSimulation(scene, {dataDir, foliageSeed, true, nullptr, {}});
    buildRenderAssets(assets);
    enableLight(view);
    return report;
}
