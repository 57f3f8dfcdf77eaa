#include "export/export_scene.h"

#include <cstdio>

#include "dynamics/simulation.h"
#include "data_constants/data_files.h"
#include "data_constants/data_folder.h"
#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "data_constants/noise_file.h"
#include "data_constants/texture_files.h"
#include "data_constants/tree_file.h"
#include "platform/platform.h"
#include "platform/text_file.h"
#include "wind/noise_field.h"

namespace {

// Why a data file did not load: the system's reason when it cannot be opened
// (a link loop, no permission), else `what` (its lines above say more).
std::string loadFault(const std::string& file, const char* what)
{
    std::string why;
    FILE* probe = openDataFile(file.c_str(), why);
    if (!probe) return why;
    std::fclose(probe);
    return what;
}

} // namespace

bool loadExportScene(ExportScene& scene, const std::string& dataDir, uint32_t seed, bool withGrassTextures,
                     std::string& error)
{
    auto path = [&](const char* name) { return dataPath(dataDir, name); };
    auto unread = [&](const std::string& file, const std::string& why) {
        error = "cannot read " + file + (why.empty() ? "" : ": " + why) +
                " (run from the build directory, or give --data)";
        return false;
    };
    auto missing = [&](const char* name, const std::string& why) { return unread(path(name), why); };
    for (int t = 0; t < kSceneTextureCount; ++t) {
        std::string why;
        if (t == kGroundTexture) continue; // no ground in the export
        if (!readBmpFile(path(kSceneTextureNames[t]).c_str(), scene.sceneTextures[t], &why))
            return missing(kSceneTextureNames[t], why);
    }
    for (int t = 0; withGrassTextures && t < kGrassTextureCount; ++t) {
        std::string why;
        if (!readBmpFile(path(kGrassTextureNames[t]).c_str(), scene.grassTextures[t], &why))
            return missing(kGrassTextureNames[t], why);
    }
    Scene& m = *scene.model;
    // Unrefined centre lines: one joint per point of the tree file. The
    // motion is the same either way; refinement only adds drawn points.
    const LoadReport report = startSimulation(m, {dataDir, &seed, false});
    if (!report.noise) return unread(report.failedFile, loadFault(report.failedFile, "the noise grids did not load"));
    if (!report.tree || m.tree.branchCount <= 0)
        return missing(kTreeFileName, loadFault(path(kTreeFileName), "the tree file did not load"));
    if (!report.leaf) return missing(kLeafFileName, loadFault(path(kLeafFileName), "the leaf file did not load"));
    if (!report.grass) return missing(kGrassFileName, loadFault(path(kGrassFileName), "the grass file did not load"));
    return true;
}

void stepExportScene(ExportScene& scene, const WindSettings& wind)
{
    scene.model->input = {wind, false};
    simulateStep(*scene.model, kTimeStep);
}

std::vector<std::string> exportInputFiles(const std::string& dataDir)
{
    std::vector<std::string> paths;
    for (const std::string& name : dataFileNames()) paths.push_back(dataPath(dataDir, name.c_str()));
    return paths;
}
