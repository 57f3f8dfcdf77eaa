// arborvane-export: the tree in the wind, simulated without a window and
// written as one binary glTF 2.0 file for 3D packages and game engines.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "export/export_bones.h"
#include "export/export_loop.h"
#include "export/export_options.h"
#include "export/export_rig.h"
#include "export/export_scene.h"
#include "export/export_stand.h"
#include "export/glb_writer.h"
#include "export/live_page.h"
#include "export/motion_tracks.h"
#include "export/web_page.h"
#include "platform/atomic_file.h"
#include "cli/progress.h"
#include "platform/same_file.h"
#include "cli/wind_trace.h"

namespace {

int fail(const std::string& message, int status = 1)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return status;
}

std::string megabytes(uint64_t bytes) { return std::to_string((bytes + 500000) / 1000000) + " MB"; }

// Refuses, before the run, a clip the .glb format or the output's file system
// cannot hold; the scratch tracks sit beside the output until it is written.
bool clipFits(const GlbSizeEstimate& file, uint64_t scratchPerFrame, const ExportOptions& options,
              const std::string& out, std::string& error)
{
    constexpr uint64_t kGlbLimit = 0xFFFFFFFFull; // the header's 32-bit length
    const GlbSizeEstimate onDisk{file.fixed, file.perFrame + scratchPerFrame};
    uint64_t free = 0;
    const bool overLimit = file.at(options.frames) > kGlbLimit;
    if (!overLimit && !(freeSpaceFor(out, free) && onDisk.at(options.frames) > free)) return true;
    const GlbSizeEstimate& need = overLimit ? file : onDisk;
    const uint64_t room = overLimit ? kGlbLimit : free;
    const long long fits = room > need.fixed ? static_cast<long long>((room - need.fixed) / need.perFrame) : 0;
    error = out + ": " + std::to_string(options.frames) + " frames need about " +
            megabytes(need.at(options.frames)) + ", more than " +
            (overLimit ? "the 4 GiB limit of .glb" : "the free space where it goes") + " (" + megabytes(room) +
            "); " + (fits > 0 ? "--frames " + std::to_string(fits) + " fits" : "no clip fits");
    return false;
}

// Simulates the clip frame by frame into tracks, the trace and windLog (the
// wind of each frame, for the page's label); false with a reason. The library
// plays the run's schedule: step k takes its wind at (k - 1) x 0.05 s, as in
// the recorder, and the frame's wind is what drove that step.
bool runClip(ExportScene& scene, const ExportRig& rig, MotionTracks& tracks, WindTraceFile& trace,
             const ExportOptions& options, const std::function<double()>& elapsed,
             std::vector<WindSettings>& windLog, std::string& error)
{
    // A bar on a terminal only: the exporter is often run from scripts.
    std::unique_ptr<RunProgress> progress;
    if (options.progress && stderrIsTerminal()) progress = std::make_unique<RunProgress>(options.frames, true);
    // Frame k is the state after k steps: frame 0 (captured already) is the tree at rest.
    trace.begin(scene.sim);
    trace.add(0, windLog.front(), scene.sim);
    if (progress) progress->frameDone(1, elapsed());
    for (int frame = 1; frame < options.frames; ++frame) {
        if (!stepExportScene(scene, error)) return false;
        const WindSettings wind = exportWind(scene);
        windLog.push_back(wind);
        if (!captureFrame(tracks, rig, scene.sim, frame, &error)) return false;
        trace.add(frame, wind, scene.sim);
        if (progress) progress->frameDone(frame + 1, elapsed());
    }
    if (progress) progress->finish();
    return true;
}

// The run up to frame 0: the wind played and, for a loop, the noise made
// periodic and the motion settled (said when `say`). False with a reason.
bool startRun(ExportScene& scene, const ExportOptions& options, bool say, std::string& error)
{
    if (!playExportWind(scene, options.run, error)) return false;
    if (options.loop <= 0) return true;
    const LoopPlan loop = planLoop(scene.sim, options.frames - 1);
    if (!settleLoop(scene.sim, loop, error)) return false;
    if (say) std::printf("%s\n", describeLoop(loop).c_str());
    return true;
}

// --bones: the run surveyed once, the bones chosen from its motion, and the
// run started again from set-up, so the clip is the motion surveyed.
// 0, or the exit status with error set.
int fitBones(ExportScene& scene, ExportRig& rig, const ExportOptions& options, std::string& error)
{
    RigSurvey survey;
    if (!surveyRig(scene.sim, rig, options.frames - 1, survey, error)) return 1;
    if (!chooseBones(rig, scene.sim, survey, options.bones, error)) return 2;
    if (const arborvane::Result again = scene.sim.setUp(options.run.seed); !again) {
        error = again.message;
        return 1;
    }
    return startRun(scene, options, false, error) ? 0 : 1;
}

// The clip as one HTML page instead of the .glb.
int writePage(GlbPlan& plan, const GlbInput& input, const ExportOptions& options,
              const std::vector<WindSettings>& windLog, const std::function<double()>& elapsed)
{
    WebPageSizes sizes;
    std::string error;
    if (!exportWebPage(plan, input, options.web, windLog, sizes, error)) return fail(options.web + ": " + error);
    const double seconds = (options.frames - (options.loop > 0 ? 1 : 0)) / kFramesPerSecond; // a loop ends on its start
    std::printf("Wrote %s: %d frames (%.2f s at 20 fps), %.1f MB (meshes %.1f, motion %.1f, viewer %.1f), in %.1f s\n",
                options.web.c_str(), options.frames, seconds, sizes.page / 1e6,
                sizes.model / 1e6, sizes.motion / 1e6, sizes.script / 1e6, elapsed());
    return 0;
}

// Before the long run: each output can be written, and none is a file the run
// reads or another output. 0, or the exit status with the message printed.
int checkOutputs(const ExportOptions& options, const std::string& out, OutputTarget& target, WindTraceFile& trace)
{
    std::vector<std::string> inputs;
    std::vector<NamedInput> named;
    exportRunInputs(options.run, inputs, named);
    const std::string clash =
        findOutputClash({{options.web.empty() ? "--out" : "--web", out}, {"--trace", options.trace}}, named);
    if (!clash.empty()) return fail(clash, 2);
    target = checkOutputTarget(out, inputs);
    if (!target.ok) return fail(target.error, target.refused ? 2 : 1);
    std::string error;
    bool refused = false;
    if (!trace.check(options.trace, inputs, error, refused)) return fail(error, refused ? 2 : 1);
    return 0;
}

int exportClip(const ExportOptions& options)
{
    std::string error;
    // Before the long run: a destination that cannot be written is known now.
    if (!options.web.empty() && !webPageSupported())
        return fail("this build has no --web: node and npm were missing when it was built", 2);
    const std::string& out = options.web.empty() ? options.out : options.web;
    OutputTarget target;
    WindTraceFile trace;
    if (const int status = checkOutputs(options, out, target, trace)) return status;

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    ExportScene scene;
    if (!loadExportScene(scene, options.run.dataDir, options.run.seed, options.grass, error)) return fail(error);
    // The rig first: it reads the blades' rest placement before any step.
    ExportRig rig = buildExportRig(scene.sim, options.grass);
    if (!startRun(scene, options, true, error)) return fail(error);
    if (options.bones > 0)
        if (const int status = fitBones(scene, rig, options, error)) return fail(error, status);
    const int scratch = openScratchFileBeside(target.path, error);
    if (scratch < 0) return fail(error);
    MotionTracks tracks = makeStreamedMotionTracks(rig, scene.sim, options.frames, scratch);
    if (!captureFrame(tracks, rig, scene.sim, 0, &error)) return fail(out + ": " + error);

    const GlbInput input{&scene.sim, scene.sceneTextures, options.grass ? scene.grassTextures : nullptr, &rig,
                         &tracks, options.lod, options.compress};
    GlbPlan plan;
    if (!planGlb(input, plan, error)) return fail(error);
    const uint64_t scratchPerFrame =
        static_cast<uint64_t>(tracks.tree.joints + tracks.grass.joints + tracks.leaves.joints) * kPoseFloats * 4;
    if (!clipFits(glbSizeEstimate(plan, input), scratchPerFrame, options, out, error)) return fail(error, 2);
    // Frame 0: the wind the clip starts in, what the first step takes.
    std::vector<WindSettings> windLog{exportWind(scene)};
    if (!runClip(scene, rig, tracks, trace, options, elapsed, windLog, error)) return fail(out + ": " + error);
    if (!options.web.empty()) {
        const int status = writePage(plan, input, options, windLog, elapsed);
        if (status != 0) return status;
        return trace.commit(error) ? 0 : fail(error);
    }

    AtomicFile file;
    uint64_t written = 0;
    const GlbSink sink = [&](const void* bytes, size_t size, std::string& e) { return file.write(bytes, size, e); };
    if (!file.open(target.path, error) || !finishGlb(plan, input, sink, written, error) || !file.commit(error))
        return fail(error);
    if (!trace.commit(error)) return fail(error);
    // A loop's last frame is its first again: the clip lasts one frame less.
    const double seconds = (options.frames - (options.loop > 0 ? 1 : 0)) / kFramesPerSecond;
    std::printf("Wrote %s: %d frames (%.2f s at 20 fps), %zu tree joints, %zu leaves%s, %.1f MB, in %.1f s\n",
                options.out.c_str(), options.frames, seconds, skinJoints(rig).size(),
                tracks.leafBranch.size(),
                options.grass ? (", " + std::to_string(rig.grassBlades) + " grass blades").c_str() : "",
                written / 1e6, elapsed());
    const std::vector<size_t> levels = glbLodTriangles(plan);
    for (size_t l = 0; l < levels.size(); ++l)
        std::printf("  level %zu: %zu tree triangles (%.0f %%)\n", l, levels[l], 100.0 * levels[l] / levels[0]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ExportOptions options;
    const int status = parseExportOptions(argc, argv, options);
    if (status >= 0) return status;
    try {
        if (!options.live.empty() && !options.stand.empty()) return exportLiveStandPage(options);
        if (!options.live.empty()) return exportLivePage(options);
        if (!options.stand.empty() && !options.web.empty()) return exportWebStand(options);
        if (!options.stand.empty()) return exportStand(options);
        return exportClip(options);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
}
