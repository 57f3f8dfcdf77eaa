// arborvane-export: the tree in the wind, simulated without a window and
// written as one binary glTF 2.0 file for 3D packages and game engines.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "export/export_options.h"
#include "export/export_rig.h"
#include "export/export_scene.h"
#include "export/glb_writer.h"
#include "export/motion_tracks.h"
#include "dynamics/simulation.h"
#include "platform/progress.h"
#include "scene/wind_trace.h"

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    ExportOptions options;
    const int status = parseExportOptions(argc, argv, options);
    if (status >= 0) return status;
    std::string error;
    // Before the long run: an unwritable destination is known now.
    if (!probeWritable(options.out, error)) return fail(error);
    WindTraceFile trace;
    bool refused = false;
    // The schedule file is an input the trace must not replace.
    if (!trace.check(options.trace, {options.run.windChoice.file}, error, refused)) {
        std::fprintf(stderr, "arborvane-export: %s\n", error.c_str());
        return refused ? 2 : 1;
    }

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    ExportScene scene;
    if (!loadExportScene(scene, options.run.dataDir, options.run.seed, options.grass, error)) return fail(error);

    const ExportRig rig = buildExportRig(*scene.model, options.grass);
    MotionTracks tracks = makeMotionTracks(rig, *scene.model, options.frames);
    // A bar on a terminal only: the exporter is often run from scripts.
    std::unique_ptr<RunProgress> progress;
    if (options.progress && stderrIsTerminal()) progress = std::make_unique<RunProgress>(options.frames, true);
    trace.begin(scene.model->tree);
    // Frame k is the state after k steps: frame 0 is the tree at rest. Step k
    // takes the schedule's wind at (k - 1) x 0.05 s, as in the recorder.
    const WindSchedule& schedule = options.run.schedule;
    for (int frame = 0; frame < options.frames; ++frame) {
        const WindSettings wind = evaluateWind(schedule, (frame > 0 ? frame - 1 : 0) * kTimeStep);
        if (frame > 0) stepExportScene(scene, wind);
        captureFrame(tracks, rig, *scene.model, frame);
        trace.add(frame, wind, scene.model->tree);
        if (progress) progress->frameDone(frame + 1, elapsed());
    }
    if (progress) progress->finish();

    GlbInput input;
    input.model = scene.model.get();
    input.leaf = &scene.model->leafTemplate;
    input.sceneTextures = scene.sceneTextures;
    input.grassTextures = options.grass ? scene.grassTextures : nullptr;
    input.rig = &rig;
    input.tracks = &tracks;
    std::string glb;
    if (!buildGlb(input, glb, error)) return fail(error);
    if (!writeFileReplacing(options.out, glb, error)) return fail(error);
    if (!trace.commit(error)) return fail(error);
    std::printf("Wrote %s: %d frames (%.2f s at 20 fps), %zu tree joints, %zu leaves%s, %.1f MB, in %.1f s\n",
                options.out.c_str(), options.frames, options.frames / kFramesPerSecond, rig.tree.size(),
                tracks.leafBranch.size(),
                options.grass ? (", " + std::to_string(rig.grassBlades) + " grass blades").c_str() : "",
                glb.size() / 1e6, elapsed());
    return 0;
}
