// arborvane-record: the window program's scene, rendered offscreen frame by
// frame with a fixed foliage seed, written as numbered BMP files.
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "dynamics/simulation.h"
#include "formats/data_files.h"
#include "formats/data_folder.h"
#include "recorder/frame_dir.h"
#include "recorder/frame_writer.h"
#include "recorder/offscreen_context.h"
#include "platform/progress.h"
#include "platform/text_file.h"
#include "recorder/record_options.h"
#include "recorder/video_encode.h"
#include "batch/frame_pipeline.h"
#include "render/frame_draw.h"
#include "render/render_assets.h"
#include "scene/scene.h"
#include "view/interaction_state.h"
#include "view/view_state.h"

namespace {

// The recorder's own records: the same three the window program has.
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
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        error = "cannot create the frame directory " + dir + (ec ? ": " + ec.message() : "");
        return false;
    }
    const std::string probe = dir + "/.arborvane-record-probe";
    FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) {
        error = "cannot write into the frame directory " + dir;
        return false;
    }
    std::fclose(f);
    std::filesystem::remove(probe, ec);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    RecordOptions options;
    std::string error;
    const int status = parseExitStatus(parseRecordOptions(argc, argv, options, error), "arborvane-record", error,
                                       printRecordUsage);
    if (status >= 0) return status;

    // The window program carries on without most of these; a recording of a
    // half-loaded scene is worthless, so all must be there.
    for (const std::string& name : dataFileNames()) {
        const std::string path = dataPath(options.run.dataDir, name.c_str());
        std::string why;
        FILE* probe = openDataFile(path.c_str(), why);
        if (probe) std::fclose(probe);
        else if (why != std::strerror(ENOENT))
            return fail("cannot read data file " + path + ": " + why);
        else
            return fail("missing data file " + path +
                        (options.run.dataDir == kDefaultDataDir
                             ? " (run from the build directory, where the build generates ./data, or give --data DIR)"
                             : " (is " + options.run.dataDir + " a complete data folder? arborvane-grow --out makes one)"));
    }
    std::string ffmpeg;
    if (!options.video.empty()) {
        ffmpeg = findFfmpeg();
        if (ffmpeg.empty())
            return fail("--video needs ffmpeg, which is not installed (apt-get install ffmpeg); "
                        "drop --video to write the frames only");
    }
    if (!prepareOutDir(options.outDir, error)) return fail(error);
    const int removed = removeEarlierFrames(options.outDir, error);
    if (removed < 0) return fail(error);
    if (removed > 0)
        std::printf("Removed %d frame file%s of an earlier run from %s\n", removed, removed == 1 ? "" : "s",
                    options.outDir.c_str());

    OffscreenContext context;
    if (!createOffscreenContext(context, options.width, options.height, error))
        return fail("no offscreen OpenGL: " + error);

    // The window program's settings, as its keys would leave them.
    view.windowWidth = options.width;
    view.windowHeight = options.height;
    view.galeMode = options.run.gale;
    view.windMagnitude = static_cast<float>(options.run.magnitude);
    view.windDirection = options.run.windDirection;
    view.showShadows = options.shadows;
    view.skeletonView = options.skeleton;
    view.interactionMode = 2;
    const StartReport report = startScene(scene, assets, view, options.run.dataDir, &options.run.seed);
    if (!report.sceneTexturesOk) {
        std::printf("Error on loading texture %s\n", report.failedTexture.c_str());
        return fail("the scene data did not load (see the lines above); nothing recorded");
    }
    // The window carries on after these load errors; a recording of a half-loaded scene is no use.
    if (!report.files.complete() || scene.tree.branchCount <= 0 || scene.grass.bladeCount <= 0)
        return fail("the scene data did not load (see the lines above); nothing recorded");
    sizeFramePipeline(pipeline, scene);
    applyWindowSize(view, options.width, options.height); // the 60 degree projection the window gets before its first frame

    std::printf("Recording %d frames of %d x %d to %s (%s, magnitude %.2f, shadows %s, seed %u) on %s\n",
                options.frames, options.width, options.height, options.outDir.c_str(),
                options.run.gale ? "moderate gale" : "light breeze", options.run.magnitude, options.shadows ? "on" : "off",
                options.run.seed, offscreenDescription().c_str());
    std::fflush(stdout);

    std::vector<uint8_t> rgb;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    RunProgress progress(options.frames, stderrIsTerminal());
    std::vector<double> frameMs, stepMs, waitMs, saveMs;
    frameMs.reserve(static_cast<size_t>(options.frames));
    stepMs.reserve(static_cast<size_t>(options.frames));
    waitMs.reserve(static_cast<size_t>(options.frames));
    saveMs.reserve(static_cast<size_t>(options.frames));
    FrameWriter writer(options.width, options.height);
    for (int frame = 0; frame < options.frames; ++frame) {
        const double frameStart = elapsed();
        // As the window does: the frame's arrays (filled while the last frame
        // was drawn), the step and the next frame's arrays while these are
        // drawn, then save what was drawn.
        const DrawBatches& arrays = beginPipelinedFrame(pipeline, scene, view);
        startPipelinedSteps(pipeline, scene, 1, kTimeStep);
        drawFrame(scene, assets, arrays, view);
        glFlush(); // the rasteriser starts on the frame
        const double waitStart = elapsed();
        stepMs.push_back(finishPipelinedFrame(pipeline));
        waitMs.push_back((elapsed() - waitStart) * 1000.0);
        glFinish();
        const double saveStart = elapsed();
        readOffscreenPixels(context, rgb);
        // Written while the next frame is drawn; a failed write stops the run at the next frame.
        if (!writer.submit(rgb, options.outDir + "/" + frameFileName(frame), error)) {
            progress.finish();
            return fail(error);
        }
        saveMs.push_back((elapsed() - saveStart) * 1000.0);
        frameMs.push_back((elapsed() - frameStart) * 1000.0);
        progress.frameDone(frame + 1, elapsed());
    }
    if (!writer.finish(error)) {
        progress.finish();
        return fail(error);
    }
    const double seconds = elapsed();
    // The median leaves out the first frame's one-off work (ground list, first use of each texture).
    // Drawing, as the window counts it: the frame without saving and without
    // the time spent waiting for a step that outlasted the drawing.
    std::vector<double> drawMs(frameMs.size());
    for (size_t i = 0; i < frameMs.size(); ++i) drawMs[i] = frameMs[i] - waitMs[i] - saveMs[i];
    auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    progress.finish();
    std::printf("Wrote %d frames in %.2f s (%.2f frames per second, median frame %.1f ms: draw %.1f, step %.1f, "
                "save %.1f) to %s\n",
                options.frames, seconds, seconds > 0 ? options.frames / seconds : 0.0, median(frameMs),
                median(drawMs), median(stepMs), median(saveMs), options.outDir.c_str());
    std::fflush(stdout);
    destroyOffscreenContext(context);

    if (!options.video.empty()) {
        if (!encodeVideo(ffmpeg, options.outDir, options.frames, options.fps, options.video, error))
            return fail("video not made: " + error);
        std::printf("Video %s: %d frames at %d fps (%.2f s%s)\n", options.video.c_str(), options.frames, options.fps,
                    options.frames / static_cast<double>(options.fps), options.fps == 20 ? ", real time" : "");
    }
    return 0;
}
