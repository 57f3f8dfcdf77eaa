// arborvane-export --live --stand: the stand's trees in one page. The page
// runs one module per tree; each tree's data folder goes in once, files the
// trees share (the textures, a folder used twice) stored once.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "arborvane_live_page.h"
#include "export/export_options.h"
#include "export/export_scene.h"
#include "export/live_page.h"
#include "export/page_template.h"
#include "platform/atomic_file.h"
#include "platform/same_file.h"
#include "recorder/stand_start.h"

namespace {

int fail(const std::string& message, int status = 1)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return status;
}

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// {"blobs": ["gzip in base64", ...], "trees": [{"name": blob, ...}, ...]};
// the lawn (the whole grass file and its textures) is the first tree's.
bool packStand(const StandRun& run, bool grass, std::string& json, std::string& error)
{
    std::map<std::string, size_t> blobIndex;
    std::string blobs, trees;
    for (size_t k = 0; k < run.dataDirs.size(); ++k) {
        const bool lawn = grass && k == 0;
        std::string names;
        for (const std::string& name : livePageFileNames(lawn)) {
            std::string packed;
            if (!packDataFile(run.dataDirs[k], name, lawn, packed, error)) return false;
            const auto [at, added] = blobIndex.emplace(packed, blobIndex.size());
            if (added) blobs += (blobs.empty() ? "\"" : ",\"") + packed + "\"";
            names += (names.empty() ? "" : ",") + liveJsonString(name) + ":" + std::to_string(at->second);
        }
        trees += (trees.empty() ? "{" : ",{") + names + "}";
    }
    json = "{\"blobs\":[" + blobs + "],\"trees\":[" + trees + "]}";
    return true;
}

// The page's settings with each tree's place and seed in front.
std::string standInfo(const ExportOptions& options, const StandRun& run, std::string& error)
{
    std::string trees;
    for (const StandTree& t : run.file.trees)
        trees += std::string(trees.empty() ? "" : ",") + "{\"x\":" + number(t.placement.x) +
                 ",\"z\":" + number(t.placement.z) + ",\"turn\":" + number(t.placement.turn) +
                 ",\"seed\":" + std::to_string(t.seed) + "}";
    const std::string info = livePageInfo(options, error);
    if (!error.empty()) return "";
    const std::string lawn = run.file.grass ? "\"lawn\":[" + number(run.file.grassExtent[0]) + "," +
                                                   number(run.file.grassExtent[1]) + "],"
                                             : "";
    return "{\"trees\":[" + trees + "]," + lawn + info.substr(1);
}

// Every tree opens and sets up in the library as it will in the page.
bool treesOpen(const StandRun& run, std::string& error)
{
    for (size_t k = 0; k < run.dataDirs.size(); ++k) {
        const StandTree& t = run.file.trees[k];
        arborvane::Simulation sim(arborvane::Workers{1});
        const arborvane::Lawn lawn = k == 0 ? standLawn(run) : arborvane::Lawn{};
        arborvane::Result r =
            sim.open(run.dataDirs[k], arborvane::OpenOptions{{t.placement.x, t.placement.z, t.placement.turn}, lawn});
        if (r) r = sim.setUp(t.seed);
        if (!r) {
            error = "trees[" + std::to_string(k) + "]: " + r.message;
            return false;
        }
    }
    return true;
}

} // namespace

int exportLiveStandPage(const ExportOptions& given)
{
    if (!livePageSupported())
        return fail("this build has no --live: emscripten was missing when it was built", 2);
    StandRun run;
    if (const int status = prepareStand("arborvane-export", given.stand, given.run.dataDir, run)) return status;
    ExportOptions options = given;
    options.grass = given.grass || run.file.grass; // the stand's lawn, or --grass
    std::vector<std::string> inputs = standInputs(options.stand, run);
    std::vector<std::string> runInputs;
    std::vector<NamedInput> named;
    exportRunInputs(options.run, runInputs, named);
    named.push_back({"--stand", options.stand});
    const std::string clash = findOutputClash({{"--live", options.live}}, named);
    if (!clash.empty()) return fail(clash, 2);
    if (!options.run.windChoice.file.empty()) inputs.push_back(options.run.windChoice.file);
    const OutputTarget target = checkOutputTarget(options.live, inputs);
    if (!target.ok) return fail(target.error, target.refused ? 2 : 1);
    std::string error, data;
    if (!treesOpen(run, error)) return fail(options.stand + ": " + error);
    if (!packStand(run, options.grass, data, error)) return fail(options.live + ": " + error);
    const std::string info = standInfo(options, run, error);
    if (!error.empty()) return fail(options.live + ": " + error);
    const std::string safeInfo = scriptSafe(info), module = scriptSafe(kLiveStandModuleScript),
                      viewer = scriptSafe(kLiveStandViewerScript);
    uint64_t page = 0;
    if (!writeFilledPage(target.path, kLivePageTemplate, {"@INFO@", "@DATA@", "@MODULE@", "@SCRIPT@"},
                         {&safeInfo, &data, &module, &viewer}, page, error))
        return fail(options.live + ": " + error);
    std::printf("Wrote %s: %zu trees, %.1f MB (module %.2f, viewer %.2f, data %.2f)\n", options.live.c_str(),
                run.dataDirs.size(), page / 1e6, module.size() / 1e6, viewer.size() / 1e6, data.size() / 1e6);
    return 0;
}
