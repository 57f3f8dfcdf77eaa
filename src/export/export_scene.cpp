#include "export/export_scene.h"

#include <cstdio>

#include "api/scene_access.h"
#include "data_constants/data_files.h"
#include "data_constants/data_folder.h"
#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "data_constants/texture_files.h"
#include "data_constants/tree_file.h"
#include "export/export_wind.h"
#include "platform/same_file.h"
#include "platform/text_file.h"

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
                     std::string& error, const arborvane::OpenOptions& at)
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
    arborvane::LoadSummary report;
    // Opened with the run's seed, so set-up need not read the folder again for it.
    arborvane::SceneAccess::seedNextOpen(scene.sim, seed);
    const arborvane::Result opened = scene.sim.open(dataDir, at, &report);
    // On standard output, where the loaders print them in the other programs.
    for (const std::string& line : report.messages) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (!report.noise) return unread(report.failedFile, loadFault(report.failedFile, "the noise grids did not load"));
    if (!report.tree || (opened && report.branches == 0))
        return missing(kTreeFileName, loadFault(path(kTreeFileName), "the tree file did not load"));
    if (!report.leaf) return missing(kLeafFileName, loadFault(path(kLeafFileName), "the leaf file did not load"));
    if (!report.grass) return missing(kGrassFileName, loadFault(path(kGrassFileName), "the grass file did not load"));
    if (!opened) return unread(dataDir, opened.message);
    if (const arborvane::Result setUp = scene.sim.setUp(seed); !setUp) return unread(dataDir, setUp.message);
    return true;
}

bool playExportWind(ExportScene& scene, const RunFlags& run, std::string& error)
{
    std::string text;
    if (!runWindText(run, text, error)) return false;
    const arborvane::Result played = scene.sim.setWindScheduleText(
        text, run.windChoice.file.empty() ? std::string("the run's wind") : run.windChoice.file);
    if (!played) error = played.message;
    return played.ok;
}

bool stepExportScene(ExportScene& scene, std::string& error)
{
    const arborvane::Result stepped = scene.sim.step();
    if (!stepped) error = stepped.message;
    return stepped.ok;
}

WindSettings exportWind(const ExportScene& scene)
{
    const arborvane::Wind w = scene.sim.wind();
    const arborvane::Point3& d = w.direction;
    return {w.regime == arborvane::WindRegime::gale, w.magnitude, {d.x, d.y, d.z, 0}};
}

std::vector<std::string> exportInputFiles(const std::string& dataDir)
{
    std::vector<std::string> paths;
    for (const std::string& name : dataFileNames()) paths.push_back(dataPath(dataDir, name.c_str()));
    return paths;
}

void exportRunInputs(const RunFlags& run, std::vector<std::string>& inputs, std::vector<NamedInput>& named)
{
    inputs = exportInputFiles(run.dataDir);
    named.clear();
    for (const std::string& path : inputs) named.push_back({"", path});
    if (!run.windChoice.file.empty()) {
        inputs.push_back(run.windChoice.file);
        named.push_back({"--wind", run.windChoice.file});
    }
}
