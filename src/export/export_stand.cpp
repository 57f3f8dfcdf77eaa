#include "export/export_stand.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "export/export_rig.h"
#include "export/export_scene.h"
#include "export/glb_merge.h"
#include "export/glb_parts.h"
#include "export/glb_writer.h"
#include "export/motion_tracks.h"
#include "export/web_motion.h"
#include "export/web_page.h"
#include "platform/atomic_file.h"
#include "recorder/stand_start.h"

namespace {

int fail(const std::string& message, int status = 1)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return status;
}

// What becomes of a tree's run: its clip made into a .glb or a page's parts.
using TreeSink = std::function<bool(const GlbInput& input, std::string& error)>;

// Tree k's clip simulated at its place and handed to sink: the trees share
// nothing but the wind, so one after the other moves as the stand does.
// windLog, when given, gets the wind of each frame (frame 0: what the first
// step takes). The poses wait in a scratch file beside out: a grown lawn's
// run can far outgrow memory.
bool exportTree(const ExportOptions& options, const StandRun& run, size_t k, std::vector<WindSettings>* windLog,
                const std::string& out, const TreeSink& sink, std::string& error)
{
    const StandTree& tree = run.file.trees[k];
    const bool grass = options.grass && k == 0; // the stand's one lawn is the first tree's
    ExportScene scene;
    // The lawn grows over the stand's extent, as the recorder's does.
    const arborvane::Lawn lawn = grass ? standLawn(run) : arborvane::Lawn{};
    const arborvane::OpenOptions at{{tree.placement.x, tree.placement.z, tree.placement.turn}, lawn};
    if (!loadExportScene(scene, run.dataDirs[k], tree.seed, grass, error, at) || !playExportWind(scene, options.run, error))
        return false;
    const ExportRig rig = buildExportRig(scene.sim, grass);
    const int scratch = openScratchFileBeside(out, error);
    if (scratch < 0) return false;
    MotionTracks tracks = makeStreamedMotionTracks(rig, scene.sim, options.frames, scratch);
    if (!captureFrame(tracks, rig, scene.sim, 0, &error)) return false;
    if (windLog) windLog->assign(1, exportWind(scene));
    for (int frame = 1; frame < options.frames; ++frame) {
        if (!stepExportScene(scene, error) || !captureFrame(tracks, rig, scene.sim, frame, &error)) return false;
        if (windLog) windLog->push_back(exportWind(scene));
    }
    const GlbInput input{&scene.sim, scene.sceneTextures, grass ? scene.grassTextures : nullptr, &rig, &tracks};
    return sink(input, error);
}

// The stand read and its destination checked, before the long run. 0, or the exit status.
int prepareExport(const ExportOptions& options, const std::string& out, StandRun& run, OutputTarget& target)
{
    if (const int status = prepareStand("arborvane-export", options.stand, options.run.dataDir, run)) return status;
    std::vector<std::string> inputs = standInputs(options.stand, run);
    if (!options.run.windChoice.file.empty()) inputs.push_back(options.run.windChoice.file);
    target = checkOutputTarget(out, inputs);
    if (!target.ok) return fail(target.error, target.refused ? 2 : 1);
    return 0;
}

// Every tree's clip through sink(k), with the progress line; 0 or the exit status.
int exportTrees(const ExportOptions& options, const StandRun& run, std::vector<WindSettings>* windLog,
                const std::string& out, const std::function<TreeSink(size_t)>& sink, std::vector<GlbPlace>& places)
{
    std::string error;
    for (size_t k = 0; k < run.dataDirs.size(); ++k) {
        const TreePlacement& p = run.file.trees[k].placement;
        // The lawn (tree 0's grass) lies in the field already, whatever that tree's place.
        places.push_back({p.x, p.z, p.turn, k == 0 && options.grass ? glb::kGrassRigName : ""});
        if (options.progress) std::printf("Tree %zu of %zu\n", k + 1, run.dataDirs.size());
        if (!exportTree(options, run, k, k == 0 ? windLog : nullptr, out, sink(k), error))
            return fail(options.stand + ": trees[" + std::to_string(k) + "]: " + error);
    }
    return 0;
}

// The page's one document and one stream: the trees' static files merged,
// their streams joined with each tree's nodes where the merge put them.
bool joinTrees(const std::vector<WebMotion>& trees, const std::vector<GlbPlace>& places, WebMotion& page,
               std::string& error)
{
    std::vector<std::string> glbs, streams;
    for (const WebMotion& m : trees) {
        glbs.push_back(m.staticGlb);
        streams.push_back(m.stream);
        page.channels += m.channels;
    }
    std::vector<size_t> firstNodes;
    page.frames = trees.empty() ? 0 : trees[0].frames;
    return mergeGlbs(glbs, places, page.staticGlb, error, &firstNodes) &&
           joinMotionStreams(streams, firstNodes, page.stream, error);
}

} // namespace

int exportStand(const ExportOptions& options)
{
    StandRun run;
    OutputTarget target;
    if (const int status = prepareExport(options, options.out, run, target)) return status;
    std::vector<std::string> glbs(run.dataDirs.size());
    std::vector<GlbPlace> places;
    const auto toGlb = [&](size_t k) -> TreeSink {
        return [&glbs, k](const GlbInput& input, std::string& e) {
            if (!buildGlb(input, glbs[k], e)) return false;
            // Known now, not after the trees still to run: the one file cannot hold them.
            uint64_t bytes = 0;
            for (size_t j = 0; j <= k; ++j) bytes += glbs[j].size();
            if (bytes <= kGlbByteLimit) return true;
            e = "with this tree the stand needs more than the 4 GiB a .glb holds; fewer --frames fit";
            return false;
        };
    };
    if (const int status = exportTrees(options, run, nullptr, target.path, toGlb, places)) return status;
    std::string glb, error;
    if (!mergeGlbs(glbs, places, glb, error)) return fail(error);
    AtomicFile file;
    if (!file.open(target.path, error) || !file.write(glb.data(), glb.size(), error) || !file.commit(error))
        return fail(error);
    std::printf("Wrote %s: %zu trees, %d frames (%.2f s at 20 fps), %.1f MB\n", options.out.c_str(),
                run.dataDirs.size(), options.frames, options.frames / kFramesPerSecond, glb.size() / 1e6);
    return 0;
}

int exportWebStand(const ExportOptions& options)
{
    if (!webPageSupported()) return fail("this build has no --web: node and npm were missing when it was built", 2);
    const auto start = std::chrono::steady_clock::now();
    StandRun run;
    OutputTarget target;
    if (const int status = prepareExport(options, options.web, run, target)) return status;
    std::vector<WebMotion> trees(run.dataDirs.size());
    std::vector<GlbPlace> places;
    std::vector<WindSettings> windLog; // the page's label: the wind at the stand's origin, as tree 0 had it
    const auto toPage = [&](size_t k) -> TreeSink {
        return [&trees, k](const GlbInput& input, std::string& e) {
            GlbPlan plan;
            return planGlb(input, plan, e) && makeWebMotion(plan, input, WebMotionSteps{}, trees[k], e);
        };
    };
    if (const int status = exportTrees(options, run, &windLog, target.path, toPage, places)) return status;
    WebMotion page;
    WebPageSizes sizes;
    std::string error;
    if (!joinTrees(trees, places, page, error) || !writeWebPage(target.path, page, windLog, sizes, error))
        return fail(options.web + ": " + error);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("Wrote %s: %zu trees, %d frames (%.2f s at 20 fps), %.1f MB (meshes %.1f, motion %.1f, viewer %.1f), "
                "in %.1f s\n", options.web.c_str(), run.dataDirs.size(), options.frames,
                options.frames / kFramesPerSecond, sizes.page / 1e6, sizes.model / 1e6, sizes.motion / 1e6,
                sizes.script / 1e6, elapsed);
    return 0;
}
