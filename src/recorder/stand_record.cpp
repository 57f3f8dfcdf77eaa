// arborvane-record --stand: several trees in one wind, stepped side by side
// (arborvane::Stand), drawn each at its place over one lawn.
//
// Sections, in order:
//   Start: loadStandAssets
//   Frames: recordStandFrames, aimCamera
//   Entry: recordStand
#include "recorder/stand_record.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "api/scene_access.h"
#include "arborvane/arborvane.h"
#include "cli/progress.h"
#include "platform/atomic_file.h"
#include "recorder/frame_dir.h"
#include "recorder/frame_writer.h"
#include "recorder/offscreen_context.h"
#include "recorder/video_encode.h"
#include "render/render_assets.h"
#include "render/stand_draw.h"
#include "scene/scene.h"
#include "view/stand_view.h"
#include "view/view_state.h"

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "arborvane-record: %s\n", message.c_str());
    return 1;
}

// What a stand's recording holds besides the trees.
struct StandFrame {
    ViewState view;       // the stand's view: camera, light, flags
    RenderAssets assets;  // textures of the first tree's folder, for every tree
    StandDrawing drawing; // the trees' and the lawn's arrays
};

// ---- Start

bool loadStandAssets(StandFrame& frame, const std::string& dataDir, std::string& error)
{
    std::string failed;
    if (!loadSceneTextures(frame.assets, dataDir, failed)) {
        error = "texture did not load: " + failed + "; nothing recorded";
        return false;
    }
    if (!loadGrassTextures(frame.assets, dataDir, &failed)) {
        error = "grass texture did not load: " + failed + "; nothing recorded";
        return false;
    }
    buildRenderAssets(frame.assets);
    buildStandGround(frame.assets);
    enableLight(frame.view);
    return true;
}

// ---- Frames

bool recordStandFrames(const RecordOptions& options, OffscreenContext& context, arborvane::Stand& stand,
                       StandFrame& frame, WindTraceFile& trace, std::string& error)
{
    std::vector<uint8_t> rgb;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    RunProgress progress(options.frames, stderrIsTerminal());
    FrameWriter writer(options.width, options.height);
    for (int f = 0; f < options.frames; ++f) {
        // The state this frame shows, after f steps, and the wind of the step that made it.
        const WindSettings wind = windSettingsOf(stand);
        trace.add(f, wind, stand);
        drawStand(frame.drawing, stand, frame.assets, frame.view, wind);
        if (arborvane::Result stepped = stand.step(1); !stepped) {
            progress.finish();
            error = stepped.message;
            return false;
        }
        glFinish();
        readOffscreenPixels(context, rgb);
        if (!writer.submit(rgb, options.outDir + "/" + frameFileName(f), error)) {
            progress.finish();
            return false;
        }
        progress.frameDone(f + 1, elapsed());
    }
    const bool written = writer.finish(error);
    progress.finish();
    if (written)
        std::printf("Wrote %d frames of %zu trees in %.2f s to %s\n", options.frames, stand.treeCount(), elapsed(),
                    options.outDir.c_str());
    return written;
}

// The stand's camera: --camera, or one that frames every tree.
void aimCamera(const RecordOptions& options, const StandRun& run, ViewState& view)
{
    Vec3 eye, target;
    if (options.camera) {
        eye = {options.cameraEye[0], options.cameraEye[1], options.cameraEye[2], 0};
        target = {options.cameraTarget[0], options.cameraTarget[1], options.cameraTarget[2], 0};
    } else {
        std::vector<GroundPlace> places;
        for (const StandTree& t : run.file.trees) places.push_back({t.placement.x, t.placement.z, t.placement.turn});
        standCamera(places, eye, target);
    }
    view.cameraEye = eye;
    view.cameraView = lookAtView(eye, target);
}

} // namespace

// ---- Entry

int recordStand(const RecordOptions& options, const StandRun& run, const std::string& ffmpeg, WindTraceFile& trace)
{
    std::string error;
    OffscreenContext context;
    if (!createOffscreenContext(context, options.width, options.height, error))
        return fail("no offscreen OpenGL: " + error);
    StandFrame frame;
    frame.view.windowWidth = options.width;
    frame.view.windowHeight = options.height;
    frame.view.showShadows = options.shadows;
    frame.view.farPlane = kStandFarPlane; // the lawn and the ground reach further than one tree's
    initGlState(frame.view);
    arborvane::Stand stand;
    if (!loadStandAssets(frame, run.dataDirs.front(), error) || !openStand(options.stand, run, scheduledWind(options.run.schedule), stand, error))
        return fail(error);
    aimCamera(options, run, frame.view);
    applyWindowSize(frame.view, options.width, options.height);
    std::vector<GroundPlace> places;
    for (const StandTree& t : run.file.trees) places.push_back({t.placement.x, t.placement.z, t.placement.turn});
    sizeStandDrawing(frame.drawing, stand, places);
    const int removed = removeEarlierFrames(options.outDir, error);
    if (removed < 0) return fail(error);
    trace.begin(stand);
    std::printf("Recording %d frames of %d x %d to %s: a stand of %zu trees, a lawn of %zu blades, shadows %s, on %s\n",
                options.frames, options.width, options.height, options.outDir.c_str(), stand.treeCount(),
                stand.tree(0).grassBladeCount(), options.shadows ? "on" : "off", offscreenDescription().c_str());
    std::fflush(stdout);
    if (!recordStandFrames(options, context, stand, frame, trace, error)) return fail(error);
    if (!trace.commit(error)) return fail(error);
    destroyOffscreenContext(context);
    if (!writeRunVideo(ffmpeg, options.video, options.outDir, options.frames, options.fps, error)) return fail(error);
    return 0;
}
