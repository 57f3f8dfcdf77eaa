#include "export/export_stand.h"

#include <cstdio>
#include <string>
#include <vector>

#include "api/scene_access.h"
#include "export/export_rig.h"
#include "export/export_scene.h"
#include "export/glb_merge.h"
#include "export/glb_writer.h"
#include "export/motion_tracks.h"
#include "platform/atomic_file.h"
#include "recorder/stand_start.h"

namespace {

int fail(const std::string& message, int status = 1)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return status;
}

// Tree k's clip as a .glb of its own, simulated at its place: the trees share
// nothing but the wind, so one after the other moves as the stand does.
bool exportTree(const ExportOptions& options, const StandRun& run, size_t k, std::string& glb, std::string& error)
{
    const StandTree& tree = run.file.trees[k];
    const bool grass = options.grass && k == 0; // the stand's one lawn is the first tree's
    ExportScene scene;
    arborvane::SceneAccess::seedNextOpen(scene.sim, tree.seed);
    // The lawn grows over the stand's extent, as the recorder's does.
    const arborvane::Lawn lawn = grass && run.file.grass ? arborvane::Lawn{run.file.grassExtent[0], run.file.grassExtent[1]}
                                                         : arborvane::Lawn{};
    const arborvane::OpenOptions at{{tree.placement.x, tree.placement.z, tree.placement.turn}, lawn};
    if (!loadExportScene(scene, run.dataDirs[k], tree.seed, grass, error, at) || !playExportWind(scene, options.run, error))
        return false;
    const ExportRig rig = buildExportRig(scene.sim, grass);
    MotionTracks tracks = makeMotionTracks(rig, scene.sim, options.frames);
    if (!captureFrame(tracks, rig, scene.sim, 0, &error)) return false;
    for (int frame = 1; frame < options.frames; ++frame)
        if (!stepExportScene(scene, error) || !captureFrame(tracks, rig, scene.sim, frame, &error)) return false;
    const GlbInput input{&scene.sim, scene.sceneTextures, grass ? scene.grassTextures : nullptr, &rig, &tracks};
    return buildGlb(input, glb, error);
}

} // namespace

int exportStand(const ExportOptions& options)
{
    StandRun run;
    if (const int status = prepareStand("arborvane-export", options.stand, options.run.dataDir, run)) return status;
    std::vector<std::string> inputs = standInputs(options.stand, run);
    if (!options.run.windChoice.file.empty()) inputs.push_back(options.run.windChoice.file);
    const OutputTarget target = checkOutputTarget(options.out, inputs);
    if (!target.ok) return fail(target.error, target.refused ? 2 : 1);
    std::vector<std::string> glbs(run.dataDirs.size());
    std::vector<GlbPlace> places;
    std::string error;
    for (size_t k = 0; k < run.dataDirs.size(); ++k) {
        const TreePlacement& p = run.file.trees[k].placement;
        places.push_back({p.x, p.z, p.turn});
        if (options.progress) std::printf("Tree %zu of %zu\n", k + 1, run.dataDirs.size());
        if (!exportTree(options, run, k, glbs[k], error))
            return fail(options.stand + ": trees[" + std::to_string(k) + "]: " + error);
    }
    std::string glb;
    if (!mergeGlbs(glbs, places, glb, error)) return fail(error);
    AtomicFile file;
    if (!file.open(target.path, error) || !file.write(glb.data(), glb.size(), error) || !file.commit(error))
        return fail(error);
    std::printf("Wrote %s: %zu trees, %d frames (%.2f s at 20 fps), %.1f MB\n", options.out.c_str(),
                run.dataDirs.size(), options.frames, options.frames / kFramesPerSecond, glb.size() / 1e6);
    return 0;
}
