// arborvane-record: the window program's scene, rendered offscreen frame by
// frame with a fixed foliage seed, written as numbered BMP files.
//
// Sections, in order:
//   Checks before the run: prepareOutDir, checkDataFiles, runInputs, findOutputClashes,
//                          checkVideoTarget, checkOutputs
//   Recording: clearEarlierFrames, startRecordedScene, recordFrames
//   Summary and video: printSummary, recordAndEncode
//   Entry: main
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "dynamics/simulation.h"
#include "data_constants/data_files.h"
#include "data_constants/data_folder.h"
#include "recorder/frame_dir.h"
#include "recorder/frame_writer.h"
#include "recorder/offscreen_context.h"
#include "platform/atomic_file.h"
#include "cli/file_probe.h"
#include "cli/median.h"
#include "cli/progress.h"
#include "platform/text_file.h"
#include "recorder/record_options.h"
#include "recorder/stand_record.h"
#include "recorder/stand_start.h"
#include "view/stand_view.h"
#include "recorder/video_encode.h"
#include "frame/frame_pipeline.h"
#include "render/frame_draw.h"
#include "render/render_assets.h"
#include "scene/scene.h"
#include "cli/wind_trace.h"
#include "render/scene_start.h"
#include "view/interaction_state.h"
#include "view/view_state.h"

// ---- Checks before the run

namespace {

// The recorder's own scene, assets, frame pipeline and view, as the window program has them.
Scene scene;
RenderAssets assets;
FramePipeline pipeline; // the frame arrays, two sets, and the step thread
ViewState view;

int fail(const std::string& message)
{
    std::fprintf(stderr, "arborvane-record: %s\n", message.c_str());
    return 1;
}

bool prepareOutDir(const std::string& dir, std::string& error)
{
    std::error_code made, ec;
    std::filesystem::create_directories(dir, made);
    if (!std::filesystem::is_directory(dir, ec)) {
        // The reason the folder could not be made, not that it is missing afterwards.
        const std::error_code& reason = made ? made : ec;
        error = "cannot create the frame directory " + dir + (reason ? ": " + reason.message() : "");
        return false;
    }
    if (access(dir.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write into the frame directory " + dir + ": " + std::strerror(errno);
        return false;
    }
    if (probeFileCreation(dir + "/.arborvane-record-probe") != 0) {
        error = "cannot write into the frame directory " + dir;
        return false;
    }
    return true;
}

// Every data file is there: the window program carries on without most of
// them, but a recording of a half-loaded scene is worthless.
bool checkDataFiles(const RunFlags& run, std::string& error)
{
    for (const std::string& name : dataFileNames()) {
        const std::string path = dataPath(run.dataDir, name.c_str());
        std::string why;
        FILE* probe = openDataFile(path.c_str(), why);
        if (probe) {
            std::fclose(probe);
            continue;
        }
        if (why != std::strerror(ENOENT)) {
            error = "cannot read data file " + path + ": " + why;
            return false;
        }
        error = "missing data file " + path +
                (run.dataDir == kDefaultDataDir
                     ? " (run from the build directory, where the build generates ./data, or give --data DIR)"
                     : " (is " + run.dataDir + " a complete data folder? arborvane-grow --out makes one)");
        return false;
    }
    return true;
}

// A stand's trees, prepared before the checks (empty without --stand).
StandRun standRun;

// The files the run reads: the data folder's (or the stand's), and the wind schedule's if any.
std::vector<std::string> runInputs(const RecordOptions& options)
{
    std::vector<std::string> inputs;
    if (!options.stand.empty()) inputs = standInputs(options.stand, standRun);
    for (const std::string& name : dataFileNames()) inputs.push_back(dataPath(options.run.dataDir, name.c_str()));
    if (!options.run.windChoice.file.empty()) inputs.push_back(options.run.windChoice.file);
    return inputs;
}

// Before anything: no output is a file the run reads or another output, and
// none of them, nor the schedule, is a frame that --out gets. Empty when fine.
std::string findOutputClashes(const RecordOptions& options)
{
    std::vector<NamedInput> inputs;
    for (const std::string& path : runInputs(options))
        inputs.push_back({path == options.run.windChoice.file ? "--wind" : path == options.stand ? "--stand" : "", path});
    const std::vector<NamedOutput> outputs{{"--video", options.video}, {"--trace", options.trace}};
    const std::string clash = findOutputClash(outputs, inputs);
    if (!clash.empty()) return clash;
    return frameClash(options.outDir, {outputs[0], outputs[1], {"--wind", options.run.windChoice.file},
                                       {"--stand", options.stand}});
}

// Lower-case ending of path from its last dot, or empty.
std::string extensionOf(const std::string& path)
{
    const size_t dot = path.rfind('.'), slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The video's destination, before any work: a name ffmpeg can write, a
// regular file (or none yet) that is not one of the data files, in a
// writable folder. 0 when fine, else the exit status with error set.
int checkVideoTarget(const RecordOptions& options, std::string& error)
{
    const OutputTarget target = checkOutputTarget(options.video, runInputs(options));
    if (target.refused) {
        error = "--video: " + target.error;
        return 2;
    }
    const std::vector<std::string>& known = videoExtensions();
    if (std::find(known.begin(), known.end(), extensionOf(options.video)) == known.end()) {
        error = "--video " + options.video + ": the name must end in one of";
        for (const std::string& ext : known) error += " " + ext;
        return 2;
    }
    if (target.ok) return 0;
    error = "--video: " + target.error;
    return 1;
}

// Before the scene loads: ffmpeg and the video's destination when a video is
// wanted (ffmpeg's path in ffmpeg), a writable frame directory. Earlier
// frames stay until the scene has loaded. 0, or the exit status with error set.
int checkOutputs(const RecordOptions& options, std::string& ffmpeg, std::string& error)
{
    std::error_code ec;
    if (std::filesystem::exists(options.outDir, ec) && !std::filesystem::is_directory(options.outDir, ec)) {
        error = "--out " + options.outDir + " is not a folder";
        return 2;
    }
    if (!options.video.empty()) {
        if (const int status = checkVideoTarget(options, error)) return status;
        ffmpeg = findFfmpeg();
        if (ffmpeg.empty()) {
            error = "--video needs ffmpeg, which is not installed (apt-get install ffmpeg); "
                    "drop --video to write the frames only";
            return 1;
        }
    }
    return prepareOutDir(options.outDir, error) ? 0 : 1;
}

// ---- Recording

// Just before the first frame: the frames an earlier run left go, so the
// folder holds this run's frames only.
bool clearEarlierFrames(const RecordOptions& options, std::string& error)
{
    const int removed = removeEarlierFrames(options.outDir, error);
    if (removed < 0) return false;
    if (removed > 0)
        std::printf("Removed %d frame file%s of an earlier run from %s\n", removed, removed == 1 ? "" : "s",
                    options.outDir.c_str());
    return true;
}

// The scene loaded and set up in the window program's settings, as its keys
// would leave them; false with the reason in error.
bool startRecordedScene(const RecordOptions& options, std::string& error)
{
    view.windowWidth = options.width;
    view.windowHeight = options.height;
    // The plain flags too make a schedule: one key, the same wind every step.
    view.wind = scheduledWind(options.run.schedule);
    view.showShadows = options.shadows;
    view.skeletonView = options.skeleton;
    view.interactionMode = InteractionMode::tree;
    const StartReport report = startScene(scene, assets, view, options.run.dataDir, &options.run.seed);
    if (!report.sceneTexturesOk) std::printf("Error on loading texture %s\n", report.failedTexture.c_str());
    if (report.sceneTexturesOk && !report.grassTexturesOk) {
        error = "grass texture did not load: " + report.grassFailure + "; nothing recorded";
        return false;
    }
    // The window carries on after these load errors; a recording of a half-loaded scene is no use.
    if (!report.sceneTexturesOk || !report.files.complete() || scene.tree.branchCount <= 0 ||
        scene.grass.bladeCount <= 0) {
        // The console lines with the reason went to standard output; this one names the file.
        std::string file = !report.sceneTexturesOk ? report.failedTexture : report.files.failedFile;
        if (file.empty())
            file = dataPath(options.run.dataDir, scene.tree.branchCount <= 0 ? kTreeFileName : kGrassFileName);
        error = "the scene data did not load: " + file +
                " (see the lines above on standard output); nothing recorded";
        return false;
    }
    if (options.camera) // a chosen view instead of the window's fixed camera
        view.cameraView = lookAtView({options.cameraEye[0], options.cameraEye[1], options.cameraEye[2], 0},
                                     {options.cameraTarget[0], options.cameraTarget[1], options.cameraTarget[2], 0});
    sizeFramePipeline(pipeline, scene);
    applyViewInput(scene, view); // the scene's wind from the start: the trace reads it before the first frame
    applyWindowSize(view, options.width, options.height); // the 60 degree projection the window gets before its first frame
    return true;
}

// Per frame, milliseconds: the whole frame, the step, the wait for a step
// that outlasted the drawing, and the read-back and hand-over of the pixels.
struct FrameTimes {
    std::vector<double> frame; // whole frame
    std::vector<double> step;  // step thread's work
    std::vector<double> wait;  // drawing done, step not yet
    std::vector<double> save;  // read-back and hand-over to the writer
};

// Draws, steps and writes every frame as the window does; the timings go to
// times. False with the reason in error when a frame could not be written.
bool recordFrames(const RecordOptions& options, OffscreenContext& context, WindTraceFile& trace, FrameTimes& times,
                  double& seconds, std::string& error)
{
    std::vector<uint8_t> rgb;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    RunProgress progress(options.frames, stderrIsTerminal());
    for (std::vector<double>* v : {&times.frame, &times.step, &times.wait, &times.save})
        v->reserve(static_cast<size_t>(options.frames));
    FrameWriter writer(options.width, options.height);
    for (int frame = 0; frame < options.frames; ++frame) {
        const double frameStart = elapsed();
        // The state this frame shows, after `frame` steps, and the wind of the step that made it.
        trace.add(frame, scene.lastWind, scene.tree);
        // As the window does: the frame's arrays (filled while the last frame
        // was drawn), the step and the next frame's arrays while these are
        // drawn, then save what was drawn.
        const DrawBatches& arrays = startFrame(pipeline, scene, view);
        startPipelinedSteps(pipeline, scene, 1, kTimeStep);
        view.skeletonView ? drawSkeletonFrame(scene, assets, arrays, view) : drawFrame(assets, arrays, view);
        glFlush(); // the rasteriser starts on the frame
        const double waitStart = elapsed();
        times.step.push_back(finishPipelinedFrame(pipeline));
        times.wait.push_back((elapsed() - waitStart) * 1000.0);
        glFinish();
        const double saveStart = elapsed();
        readOffscreenPixels(context, rgb);
        // Written while the next frame is drawn; a failed write stops the run at the next frame.
        if (!writer.submit(rgb, options.outDir + "/" + frameFileName(frame), error)) {
            progress.finish();
            return false;
        }
        times.save.push_back((elapsed() - saveStart) * 1000.0);
        times.frame.push_back((elapsed() - frameStart) * 1000.0);
        progress.frameDone(frame + 1, elapsed());
    }
    const bool written = writer.finish(error);
    seconds = elapsed();
    progress.finish();
    return written;
}

// ---- Summary and video

void printSummary(const RecordOptions& options, FrameTimes& times, double seconds)
{
    // The median leaves out the first frame's one-off work (ground list, first use of each texture).
    // Drawing, as the window counts it: the frame without saving and without
    // the time spent waiting for a step that outlasted the drawing.
    std::vector<double> drawMs(times.frame.size());
    for (size_t i = 0; i < times.frame.size(); ++i) drawMs[i] = times.frame[i] - times.wait[i] - times.save[i];
    auto median = [](std::vector<double>& v) { return ::median(v.data(), static_cast<int>(v.size())); };
    std::printf("Wrote %d frames in %.2f s (%.2f frames per second, median frame %.1f ms: draw %.1f, step %.1f, "
                "save %.1f) to %s\n",
                options.frames, seconds, seconds > 0 ? options.frames / seconds : 0.0, median(times.frame),
                median(drawMs), median(times.step), median(times.save), options.outDir.c_str());
    std::fflush(stdout);
}

// Records, then encodes the video when asked; the exit status.
int recordAndEncode(const RecordOptions& options, const std::string& ffmpeg, WindTraceFile& trace)
{
    std::string error;
    OffscreenContext context;
    if (!createOffscreenContext(context, options.width, options.height, error))
        return fail("no offscreen OpenGL: " + error);
    if (!startRecordedScene(options, error) || !clearEarlierFrames(options, error)) return fail(error);
    trace.begin(scene.tree);
    const WindSettings start = keyedWind(options.run.schedule, 0.0);
    std::printf("Recording %d frames of %d x %d to %s (%s, magnitude %.2f, shadows %s, seed %u) on %s\n",
                options.frames, options.width, options.height, options.outDir.c_str(),
                start.gale ? "moderate gale" : "light breeze", start.magnitude,
                options.shadows ? "on" : "off", options.run.seed, offscreenDescription().c_str());
    std::fflush(stdout);

    FrameTimes times;
    double seconds = 0.0;
    if (!recordFrames(options, context, trace, times, seconds, error)) return fail(error);
    printSummary(options, times, seconds);
    if (!trace.commit(error)) return fail(error);
    destroyOffscreenContext(context);

    if (!writeRunVideo(ffmpeg, options.video, options.outDir, options.frames, options.fps, error)) return fail(error);
    return 0;
}

} // namespace

// ---- Entry

int main(int argc, char** argv)
{
    try {
        RecordOptions options;
        const int status = parseRecordOptions(argc, argv, options);
        if (status >= 0) return status;
        if (!options.stand.empty())
            if (const int bad = prepareStand("arborvane-record", options.stand, options.run.dataDir, standRun)) return bad;
        std::string error, ffmpeg;
        error = findOutputClashes(options);
        if (!error.empty()) {
            std::fprintf(stderr, "arborvane-record: %s\n", error.c_str());
            return 2;
        }
        WindTraceFile trace;
        bool refused = false;
        if (!trace.check(options.trace, runInputs(options), error, refused)) {
            std::fprintf(stderr, "arborvane-record: %s\n", error.c_str());
            return refused ? 2 : 1;
        }
        // A stand's folders were checked as it was read; --data only feeds its presets.
        if (options.stand.empty() && !checkDataFiles(options.run, error)) return fail(error);
        if (const int bad = checkOutputs(options, ffmpeg, error)) {
            std::fprintf(stderr, "arborvane-record: %s\n", error.c_str());
            return bad;
        }
        if (!options.stand.empty()) return recordStand(options, standRun, ffmpeg, trace);
        return recordAndEncode(options, ffmpeg, trace);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "arborvane-record: out of memory; try smaller frames (--width, --height)\n");
        return 1;
    }
}
