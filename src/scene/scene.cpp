#include "scene/scene.h"

#include <cstdio>
#include <utility>

#include "data_constants/data_folder.h"
#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "data_constants/noise_file.h"
#include "data_constants/tree_file.h"
#include "platform/platform.h"
#include "platform/text_file.h"
#include "scene/bounds.h"
#include "tree/foliage.h"
#include "tree/refine.h"

namespace {

bool loadLeafTemplate(LeafTemplate& tmpl, const std::string& path)
{
    std::string why;
    FILE* file = openDataFile(path.c_str(), why);
    if (file) return loadLeafModel(file, tmpl, path.c_str());
    showNotice("File was not found!", path.c_str());
    reportFile(path.c_str(), why);
    return false;
}

// The group's console line: what loaded, or the failure line.
bool reportGroup(bool ok, const std::string& loaded, const char* failure)
{
    consolePrintf("%s\n", ok ? loaded.c_str() : failure);
    return ok;
}

} // namespace

LoadReport loadScene(Scene& scene, const std::string& dataDir)
{
    LoadReport report;
    report.leaf = loadLeafTemplate(scene.leafTemplate, dataPath(dataDir, kLeafFileName));

    const std::string u = dataPath(dataDir, kNoiseFileNames[0]);
    const std::string v = dataPath(dataDir, kNoiseFileNames[1]);
    const std::string w = dataPath(dataDir, kNoiseFileNames[2]);
    std::string badGrid;
    report.noise = reportGroup(loadWindField(scene.wind, u.c_str(), v.c_str(), w.c_str(), &badGrid),
                               "Files " + u + "~" + w + " have successfully been loaded!",
                               "Noise files loading error!");
    const std::string tree = dataPath(dataDir, kTreeFileName);
    report.tree = reportGroup(loadTreeModel(scene.tree, tree.c_str()), "File " + tree + " has successfully been loaded!", "File loading error!");
    const std::string grass = dataPath(dataDir, kGrassFileName);
    report.grass = reportGroup(loadGrassFile(scene.grass, grass.c_str(), scene.random), "File " + grass + " has successfully been loaded!", "File loading error!");
    // Start-up order: the first fault is the one to name.
    const std::pair<bool, std::string> groups[] = {{report.leaf, dataPath(dataDir, kLeafFileName)},
                                                   {report.noise, badGrid},
                                                   {report.tree, tree},
                                                   {report.grass, grass}};
    for (const auto& [ok, path] : groups)
        if (!ok && report.failedFile.empty()) report.failedFile = path;
    return report;
}

void setUpScene(Scene& scene, const uint32_t* foliageSeed)
{
    TreeModel& tree = scene.tree;
    placeLeaves(tree, scene.leafTemplate, foliageSeed, scene.random);
    initLeafFrames(tree, foliageSeed, scene.random);
    measureAndPlaceScene(tree, scene.grass, scene.placement, scene.wind.u.size, scene.fieldPoints);
    // After the box: the tree's own noise box is the loaded field's, however far the lawn reaches.
    const int n = scene.wind.u.size;
    const double period = n > 1 ? static_cast<double>(n) / (n - 1) : 0.0;
    scene.lawnRefused = !growLawn(scene.grass, scene.lawn, tree.boundsMin, tree.boundsMax, period, scene.fieldPoints);
    if (tree.refined) refineBranches(tree, scene.scratch);
    clearShadeGrid(scene.shade);
    scene.shade.boundsMin = tree.boundsMin;
    scene.shade.boundsMax = tree.boundsMax;
}

LoadReport startSimulation(Scene& scene, const SimulationStart& start)
{
    const LoadReport report = loadScene(scene, start.dataDir);
    scene.pool = start.pool;
    scene.placement = start.placement;
    scene.lawn = start.lawn;
    scene.tree.refined = start.refined;
    scene.input.refine = start.refined;
    setUpScene(scene, start.foliageSeed);
    return report;
}
