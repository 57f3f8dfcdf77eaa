// The --live page's door into the core: plain C functions over one
// arborvane::Simulation on the calling thread (no workers: the page has no
// threads). Calls that can fail return 1 or 0 and leave their reason in
// av_message(). The drawing arrays live in the module's memory; the page
// reads them in place through the pointers given here.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <memory>
#include <string>

#include "arborvane/arborvane.h"
#include "data_constants/data_folder.h"
#include "data_constants/leaf_file.h"
#include "live_clip.h"
#include "live_geometry.h"
#include "live_grow.h"
#include "platform/text_file.h"
#include "tree/leaf_template.h"

namespace {

struct Live {
    std::unique_ptr<arborvane::Simulation> sim;
    std::string dataDir; // the folder open now
    std::string baseDir; // the page's own folder once a grown tree is open, else empty
    LeafTemplate leafTemplate;
    LiveGeometry geometry;
    LiveClip clip;       // the last steps' poses, for the .glb
    std::string glb;     // the last .glb built
    std::string message;
    double wind[6] = {};
    double tip[3] = {};
};

Live& live()
{
    static Live state;
    return state;
}

int report(const arborvane::Result& result)
{
    live().message = result.message;
    return result.ok ? 1 : 0;
}

// The blade's texture coordinates and petiole radii are not in the library's
// views: read the leaf file once more.
bool loadTemplate(const std::string& dir, std::string& error)
{
    const std::string path = dataPath(dir, kLeafFileName);
    FILE* file = openDataFile(path.c_str(), error);
    if (!file) {
        error = path + ": " + error;
        return false;
    }
    if (!loadLeafModel(file, live().leafTemplate, path.c_str())) {
        error = path + ": the leaf file did not load";
        return false;
    }
    return true;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* av_message() { return live().message.c_str(); }

EMSCRIPTEN_KEEPALIVE int av_open(const char* dir)
{
    Live& s = live();
    s.sim = std::make_unique<arborvane::Simulation>(arborvane::Workers{1});
    s.dataDir = dir;
    s.baseDir.clear();
    if (!report(s.sim->open(dir))) return 0;
    std::string error;
    if (!loadTemplate(dir, error)) {
        s.message = error;
        return 0;
    }
    return 1;
}

// Grows a tree of the grower's preset with seed into /grown (the other
// files from the folder open now) and opens it; setUp follows.
EMSCRIPTEN_KEEPALIVE int av_grow(const char* preset, double seed)
{
    Live& s = live();
    if (!s.sim) return report({false, "no data folder is open"});
    const std::string base = s.baseDir.empty() ? s.dataDir : s.baseDir;
    std::string error;
    if (!growLiveTree(preset, static_cast<std::uint64_t>(seed), base, "/grown", error)) return report({false, error});
    if (!report(s.sim->open("/grown"))) {
        s.sim->open(s.dataDir); // back to the tree before
        return 0;
    }
    s.baseDir = base;
    s.dataDir = "/grown";
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* av_presets()
{
    static std::string names;
    names = livePresetNames();
    return names.c_str();
}

// setUp(seed), then the fixed drawing parts for the tree at rest.
EMSCRIPTEN_KEEPALIVE int av_set_up(unsigned seed)
{
    Live& s = live();
    if (!s.sim) return report({false, "no data folder is open"});
    if (!report(s.sim->setUp(seed))) return 0;
    buildLiveGeometry(*s.sim, s.leafTemplate, s.geometry);
#ifndef ARBORVANE_LIVE_NO_CLIP
    startLiveClip(s.clip, *s.sim, s.geometry.grass);
#endif
    return 1;
}

EMSCRIPTEN_KEEPALIVE int av_set_wind(int gale, double magnitude, double dx, double dy, double dz)
{
    if (!live().sim) return report({false, "no data folder is open"});
    const arborvane::Wind wind{gale ? arborvane::WindRegime::gale : arborvane::WindRegime::breeze, magnitude,
                               {dx, dy, dz}};
    return report(live().sim->setWind(wind));
}

EMSCRIPTEN_KEEPALIVE int av_set_schedule(const char* json, const char* name)
{
    if (!live().sim) return report({false, "no data folder is open"});
    return report(live().sim->setWindScheduleText(json, name));
}

// One step at a time, each kept for the .glb (only the last ones of a long run).
EMSCRIPTEN_KEEPALIVE int av_step(int count)
{
    Live& s = live();
    if (!s.sim) return report({false, "no data folder is open"});
    for (int i = 0; i < count; ++i) {
        if (!report(s.sim->step())) return 0;
#ifndef ARBORVANE_LIVE_NO_CLIP
        if (count - i <= kLiveClipFrames) captureLiveClip(s.clip, *s.sim);
#endif
    }
    return report({});
}

// The kept steps as a .glb, then at av_glb_bytes(), av_glb_size() bytes long.
EMSCRIPTEN_KEEPALIVE int av_glb()
{
    Live& s = live();
    if (!s.sim) return report({false, "no data folder is open"});
    std::string error;
    s.glb.clear();
    if (!buildLiveGlb(s.clip, *s.sim, s.dataDir, s.glb, error)) return report({false, error});
    return report({});
}

EMSCRIPTEN_KEEPALIVE const char* av_glb_bytes() { return live().glb.data(); }
// Once the page has its copy.
EMSCRIPTEN_KEEPALIVE void av_glb_release() { std::string().swap(live().glb); }
EMSCRIPTEN_KEEPALIVE double av_glb_size() { return double(live().glb.size()); }
// Frames the .glb would hold, and the bytes their ring takes.
EMSCRIPTEN_KEEPALIVE int av_clip_frames() { return int(live().clip.count); }
EMSCRIPTEN_KEEPALIVE double av_clip_bytes() { return double(liveClipBytes(live().clip)); }

// gale (1/0), magnitude, direction x, y, z, scheduled (1/0).
EMSCRIPTEN_KEEPALIVE const double* av_wind()
{
    Live& s = live();
    if (!s.sim) return s.wind;
    const arborvane::Wind w = s.sim->wind();
    const double values[6] = {w.regime == arborvane::WindRegime::gale ? 1.0 : 0.0, w.magnitude, w.direction.x,
                              w.direction.y, w.direction.z, s.sim->windScheduled() ? 1.0 : 0.0};
    std::copy(values, values + 6, s.wind);
    return s.wind;
}

EMSCRIPTEN_KEEPALIVE double av_step_count() { return live().sim ? double(live().sim->stepCount()) : 0.0; }

EMSCRIPTEN_KEEPALIVE const double* av_tip()
{
    Live& s = live();
    if (!s.sim || s.geometry.tipBranch >= s.sim->branchCount()) return s.tip;
    const arborvane::Point3& p = s.sim->branchPoints(s.geometry.tipBranch)[s.geometry.tipPoint];
    s.tip[0] = p.x;
    s.tip[1] = p.y;
    s.tip[2] = p.z;
    return s.tip;
}

// Whether the arrays hold the grass too, from the next setUp on.
EMSCRIPTEN_KEEPALIVE void av_show_grass(int on) { live().geometry.grass = on != 0; }

// Refills the tubes and leaf matrices from the current state.
EMSCRIPTEN_KEEPALIVE void av_update()
{
    if (live().sim) updateLiveGeometry(*live().sim, live().leafTemplate, live().geometry);
}

// The arrays and their lengths (in elements), by number: 0 tube vertices
// (8 floats each), 1 tube indices, 2 leaf matrices (16 floats each),
// 3 blade positions, 4 blade uvs, 5 blade indices, 8 the blade's shadow
// outline (triangles over its vertices, as the window's leaf shadows),
// 9 grass positions, 10 grass uvs, 11 grass indices (with av_show_grass),
// 12 the grass's index counts per texture (kLiveGrassGroups).
EMSCRIPTEN_KEEPALIVE const void* av_array(int which)
{
    const LiveGeometry& g = live().geometry;
    switch (which) {
    case 0: return g.tube.data();
    case 1: return g.tubeIndices.data();
    case 2: return g.leafMatrices.data();
    case 3: return g.bladePositions.data();
    case 4: return g.bladeUvs.data();
    case 5: return g.bladeIndices.data();
    case 8: return shadowOutlineFaces;
    case 9: return g.grassPositions.data();
    case 10: return g.grassUvs.data();
    case 11: return g.grassIndices.data();
    case 12: return g.grassGroupCounts;
    default: return nullptr;
    }
}

EMSCRIPTEN_KEEPALIVE int av_array_length(int which)
{
    const LiveGeometry& g = live().geometry;
    switch (which) {
    case 0: return int(g.tube.size());
    case 1: return int(g.tubeIndices.size());
    case 2: return int(g.leafMatrices.size());
    case 3: return int(g.bladePositions.size());
    case 4: return int(g.bladeUvs.size());
    case 5: return int(g.bladeIndices.size());
    case 6: return int(g.trunkIndexCount);
    case 7: return int(g.branchIndexCount);
    case 8: return kShadowOutlineFaces * 3;
    case 9: return int(g.grassPositions.size());
    case 10: return int(g.grassUvs.size());
    case 11: return int(g.grassIndices.size());
    case 12: return kLiveGrassGroups;
    default: return 0;
    }
}

} // extern "C"
