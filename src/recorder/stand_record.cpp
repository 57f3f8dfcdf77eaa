// arborvane-record --stand: several trees in one wind, stepped side by side
// (arborvane::Stand), drawn each at its place over one lawn.
//
// Sections, in order:
//   Start: loadStandAssets, startStand, lawnTiles
//   Frames: fillStandFrame, recordStandFrames
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
#include "batch/draw_batches.h"
#include "batch/stand_batches.h"
#include "cli/progress.h"
#include "platform/atomic_file.h"
#include "recorder/frame_dir.h"
#include "recorder/frame_writer.h"
#include "recorder/offscreen_context.h"
#include "recorder/video_encode.h"
#include "render/frame_draw.h"
#include "render/render_assets.h"
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
    ViewState view;                    // the stand's view: camera, light, flags
    RenderAssets assets;               // textures of the first tree's folder, for every tree
    std::vector<DrawBatches> trees;    // each tree's arrays, without grass
    DrawBatches lawn;                  // the first tree's grass, the stand's one lawn
    std::vector<ViewState> treeViews;  // each tree's placed view
    std::vector<ViewState> lawnViews;  // one view per lawn tile
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
    enableLight(frame.view);
    return true;
}

// The trees opened at their places, all in the run's wind; false with error set.
bool startStand(const RecordOptions& options, const StandRun& run, arborvane::Stand& stand, std::string& error)
{
    for (size_t k = 0; k < run.dataDirs.size(); ++k) {
        const StandTree& tree = run.file.trees[k];
        const TreePlacement& p = tree.placement;
        if (arborvane::Result added = stand.addTree(run.dataDirs[k], {p.x, p.z, p.turn}, tree.seed); !added) {
            error = options.stand + ": trees[" + std::to_string(k) + "]: " + added.message + "; nothing recorded";
            return false;
        }
        std::printf("Tree %zu: %s at (%g, %g), turned %g degrees, seed %u\n", k,
                    tree.preset.empty() ? run.dataDirs[k].c_str() : ("preset " + tree.preset).c_str(), p.x, p.z,
                    p.turn, tree.seed);
    }
    // The lawn is the first tree's grass; the others' would never be drawn.
    for (size_t k = 1; k < stand.treeCount(); ++k) arborvane::SceneAccess::dropGrass(stand, k);
    // The plain flags too make a schedule: one key, the same wind every step.
    if (arborvane::Result driven = arborvane::SceneAccess::drive(stand, scheduledWind(options.run.schedule)); !driven) {
        error = driven.message;
        return false;
    }
    return true;
}

// One view per lawn tile: the first tree's field, repeated to cover the extent centred on the origin.
std::vector<ViewState> lawnTiles(const StandRun& run, const Scene& lawn, const ViewState& view)
{
    if (!run.file.grass || !lawn.grass.blades || lawn.grass.bladeCount <= 0) return {view};
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    for (int i = 0; i < lawn.grass.bladeCount; ++i) {
        const Vec3& root = lawn.grass.blades[i].restCentre[0];
        const double xz[2] = {root.x, root.z};
        for (int a = 0; a < 2; ++a) {
            lo[a] = i ? std::min(lo[a], xz[a]) : xz[a];
            hi[a] = i ? std::max(hi[a], xz[a]) : xz[a];
        }
    }
    int count[2];
    double size[2];
    for (int a = 0; a < 2; ++a) {
        size[a] = std::max(hi[a] - lo[a], 1.0);
        count[a] = std::max(1, static_cast<int>(std::ceil(run.file.grassExtent[a] / size[a] - 1e-9)));
    }
    std::vector<ViewState> tiles;
    for (int i = 0; i < count[0]; ++i)
        for (int j = 0; j < count[1]; ++j)
            tiles.push_back(placedView(view, {(i - 0.5 * (count[0] - 1)) * size[0], (j - 0.5 * (count[1] - 1)) * size[1],
                                              0.0}));
    return tiles;
}

// ---- Frames

// Every tree's arrays for its place, and the lawn's for the stand's origin.
void fillStandFrame(StandFrame& frame, const arborvane::Stand& stand)
{
    for (size_t k = 0; k < stand.treeCount(); ++k) {
        fillViewBatches(frame.trees[k], *arborvane::SceneAccess::scene(stand.tree(k)), frame.treeViews[k]);
        dropGrassBatches(frame.trees[k]);
    }
    fillViewBatches(frame.lawn, *arborvane::SceneAccess::scene(stand.tree(0)), frame.view);
    keepGrassBatches(frame.lawn);
}

WindSettings settingsOf(const arborvane::Wind& w)
{
    return {w.regime == arborvane::WindRegime::gale, w.magnitude, {w.direction.x, w.direction.y, w.direction.z, 0}};
}

bool recordStandFrames(const RecordOptions& options, OffscreenContext& context, arborvane::Stand& stand,
                       StandFrame& frame, WindTraceFile& trace, std::string& error)
{
    std::vector<uint8_t> rgb;
    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    RunProgress progress(options.frames, stderrIsTerminal());
    FrameWriter writer(options.width, options.height);
    std::vector<PlacedBatches> parts;
    for (size_t k = 0; k < stand.treeCount(); ++k) parts.push_back({&frame.trees[k], &frame.treeViews[k]});
    for (const ViewState& tile : frame.lawnViews) parts.push_back({&frame.lawn, &tile});
    for (int f = 0; f < options.frames; ++f) {
        // The state this frame shows, after f steps, and the wind of the step that made it.
        const WindSettings wind = settingsOf(stand.wind());
        trace.add(f, wind, stand);
        fillStandFrame(frame, stand);
        drawStandFrame(frame.assets, parts.data(), static_cast<int>(parts.size()), frame.view, wind);
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
    initGlState(frame.view);
    arborvane::Stand stand;
    if (!loadStandAssets(frame, run.dataDirs.front(), error) || !startStand(options, run, stand, error))
        return fail(error);
    aimCamera(options, run, frame.view);
    applyWindowSize(frame.view, options.width, options.height);
    frame.trees.resize(stand.treeCount());
    for (size_t k = 0; k < stand.treeCount(); ++k) {
        const Scene& scene = *arborvane::SceneAccess::scene(stand.tree(k));
        // The blade indices and texture coordinates are the same for trees of one leaf count: one copy.
        sizeDrawBatches(frame.trees[k], scene, k ? frame.trees[0].fixed : nullptr);
        const TreePlacement& p = run.file.trees[k].placement;
        frame.treeViews.push_back(placedView(frame.view, {p.x, p.z, p.turn}));
    }
    const Scene& lawn = *arborvane::SceneAccess::scene(stand.tree(0));
    sizeDrawBatches(frame.lawn, lawn, frame.trees[0].fixed);
    frame.lawnViews = lawnTiles(run, lawn, frame.view);
    const int removed = removeEarlierFrames(options.outDir, error);
    if (removed < 0) return fail(error);
    trace.begin(stand);
    std::printf("Recording %d frames of %d x %d to %s: a stand of %zu trees, %zu lawn tile%s, shadows %s, on %s\n",
                options.frames, options.width, options.height, options.outDir.c_str(), stand.treeCount(),
                frame.lawnViews.size(), frame.lawnViews.size() == 1 ? "" : "s", options.shadows ? "on" : "off",
                offscreenDescription().c_str());
    std::fflush(stdout);
    if (!recordStandFrames(options, context, stand, frame, trace, error)) return fail(error);
    if (!trace.commit(error)) return fail(error);
    destroyOffscreenContext(context);
    if (!options.video.empty()) {
        AtomicFile video;
        if (!video.open(options.video, error) ||
            !encodeVideo(ffmpeg, options.outDir, options.frames, options.fps, video, error))
            return fail("video not made: " + error);
        std::printf("Video %s: %d frames at %d fps\n", options.video.c_str(), options.frames, options.fps);
    }
    return 0;
}
