#include "export/live_page.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "arborvane/arborvane.h"
#include "arborvane_live_page.h"
#include "data_constants/data_files.h"
#include "data_constants/scene_look.h"
#include "export/export_options.h"
#include "export/export_scene.h"
#include "export/page_template.h"
#include "platform/atomic_file.h"
#include "grass/grass_shade.h"
#include "math/planar_shadow.h"
#include "platform/same_file.h"
#include "view/view_state.h"

namespace {

int fail(const std::string& message, int status = 1)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return status;
}

// gzip (not zlib) framing: what DecompressionStream("gzip") reads.
bool gzip(const std::string& in, std::string& out, std::string& error)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) throw std::bad_alloc();
    out.resize(deflateBound(&z, in.size()) + 32);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END) error = "compressing the page's data failed";
    return status == Z_STREAM_END;
}

bool readWhole(const std::string& path, std::string& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (in) out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in || in.bad()) error = path + ": cannot be read";
    return error.empty();
}

std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (const char c : s) {
        char esc[8];
        if (c == '"' || c == '\\') out += {'\\', c};
        else if (static_cast<unsigned char>(c) < 0x20) {
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else out.push_back(c);
    }
    return out + "\"";
}

} // namespace

// The simulation needs a grass field, and the roots' extent in x and z is
// part of the box the wind is placed in. Without the grass shown the page
// carries only the blades at the field's four edges (header count changed),
// which keeps that box and so the tree's motion (the leaves reseed after the
// grass draws).
std::string edgeBladesOnly(const std::string& grassFile)
{
    constexpr size_t kHeaderNumbers = 8, kBladeNumbers = 50;
    std::vector<std::string_view> tokens;
    for (size_t at = 0; (at = grassFile.find_first_not_of(" \t\r\n", at)) != std::string::npos;) {
        const size_t end = std::min(grassFile.find_first_of(" \t\r\n", at), grassFile.size());
        tokens.push_back(std::string_view(grassFile).substr(at, end - at));
        at = end;
    }
    if (tokens.size() <= kHeaderNumbers || (tokens.size() - kHeaderNumbers) % kBladeNumbers) return grassFile;
    const size_t blades = (tokens.size() - kHeaderNumbers) / kBladeNumbers;
    // The root is the first level's point: numbers 1..3 of a record.
    auto root = [&](size_t b, int axis) {
        return std::strtod(std::string(tokens[kHeaderNumbers + b * kBladeNumbers + 1 + axis]).c_str(), nullptr);
    };
    size_t pick[4] = {0, 0, 0, 0}; // least x, most x, least z, most z: the first of equals
    for (size_t b = 1; b < blades; ++b) {
        if (root(b, 0) < root(pick[0], 0)) pick[0] = b;
        if (root(b, 0) > root(pick[1], 0)) pick[1] = b;
        if (root(b, 2) < root(pick[2], 2)) pick[2] = b;
        if (root(b, 2) > root(pick[3], 2)) pick[3] = b;
    }
    std::vector<size_t> kept(pick, pick + 4);
    std::sort(kept.begin(), kept.end());
    kept.erase(std::unique(kept.begin(), kept.end()), kept.end());
    std::string out = std::to_string(kept.size()) + " " + std::string(tokens[1]) + "\n";
    for (size_t i = 2; i < kHeaderNumbers; ++i) out += std::string(tokens[i]) + (i + 1 < kHeaderNumbers ? " " : "\n");
    for (const size_t b : kept)
        for (size_t i = 0; i < kBladeNumbers; ++i)
            out += std::string(tokens[kHeaderNumbers + b * kBladeNumbers + i]) + (i % 10 == 9 ? "\n" : " ");
    return out;
}

std::vector<std::string> livePageFileNames(bool grass)
{
    std::vector<std::string> names;
    for (const std::string& name : dataFileNames())
        if (grass || name.rfind("grass/", 0) != 0 || name == kGrassFileName) names.push_back(name);
    return names;
}

bool packDataFile(const std::string& dir, const std::string& name, bool grass, std::string& packed,
                  std::string& error)
{
    std::string bytes, zipped;
    if (!readWhole(dataPath(dir, name.c_str()), bytes, error)) return false;
    if (!grass && name == kGrassFileName) bytes = edgeBladesOnly(bytes);
    if (!gzip(bytes, zipped, error)) return false;
    packed = base64(zipped);
    return true;
}

std::string liveJsonString(std::string_view s) { return jsonString(s); }

namespace {

// The data folder's files as {"name": "gzip in base64", ...}.
bool packData(const std::string& dir, bool grass, std::string& json, std::string& error)
{
    json = "{";
    for (const std::string& name : livePageFileNames(grass)) {
        std::string packed;
        if (!packDataFile(dir, name, grass, packed, error)) return false;
        json += (json.size() > 1 ? "," : "") + jsonString(name) + ":\"" + packed + "\"";
    }
    json += "}";
    return true;
}

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string windKeyJson(const WindKey& key)
{
    const Vec3& d = key.state.direction;
    return "{\"time\":" + number(key.time) + ",\"regime\":\"" + (key.state.gale ? "gale" : "breeze") +
           "\",\"magnitude\":" + number(key.state.magnitude) + ",\"direction\":[" + number(d.x) + "," + number(d.y) +
           "," + number(d.z) + "]}";
}

} // namespace

std::string scheduleJson(const WindSchedule& s)
{
    std::string keys;
    for (const WindKey& k : s.keys) keys += (keys.empty() ? "" : ",") + windKeyJson(k);
    std::string out = "{\"keys\":[" + keys + "]";
    if (s.gusts.enabled)
        out += ",\"gusts\":{\"every\":" + number(s.gusts.every) + ",\"strength\":" + number(s.gusts.strength) +
               ",\"rise\":" + number(s.gusts.rise) + ",\"fall\":" + number(s.gusts.fall) + "}";
    if (s.veer.enabled)
        out += ",\"veer\":{\"degrees\":" + number(s.veer.degrees) + ",\"period\":" + number(s.veer.period) + "}";
    return out + ",\"seed\":" + std::to_string(s.seed) + "}";
}

bool livePageSupported() { return sizeof(kLiveModuleScript) > 1; }

namespace {

// A --wind file as written (its directions normalise in the page as they did
// here, bit for bit), with the default gusts in place of its own for --gusts.
bool scheduleFileText(const WindChoice& choice, std::string& text, std::string& error)
{
    if (!readWhole(choice.file, text, error)) return false;
    if (!choice.gusts) return true;
    nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        error = choice.file + ": not a JSON object";
        return false;
    }
    doc["gusts"] = {{"every", kDefaultGusts.every}, {"strength", kDefaultGusts.strength},
                    {"rise", kDefaultGusts.rise}, {"fall", kDefaultGusts.fall}};
    text = doc.dump();
    return true;
}

} // namespace

std::string livePageInfo(const ExportOptions& options, std::string& error)
{
    const RunFlags& run = options.run;
    char look[512];
    std::snprintf(look, sizeof look,
                  "{\"groundY\":%.17g,\"treeDrop\":%.17g,\"sky\":[%d,%d,%d],\"light\":[%.17g,%.17g,%.17g],"
                  "\"shadow\":[%.9g,%.9g,%.9g],\"grassColour\":[%.9g,%.9g,%.9g],\"seed\":%u,\"grass\":%s,",
                  kGroundY, kTreeDrop, kSkyColour[0], kSkyColour[1], kSkyColour[2], kLightRestPosition[0],
                  kLightRestPosition[1], kLightRestPosition[2], kShadowColour[0], kShadowColour[1], kShadowColour[2], kGrassLightColour.x,
                  kGrassLightColour.y, kGrassLightColour.z,
                  static_cast<unsigned>(run.seed), options.grass ? "true" : "false");
    // A constant wind starts as setWind; anything else as the schedule the flags made.
    if (!run.windChoice.file.empty()) {
        std::string text;
        if (!scheduleFileText(run.windChoice, text, error)) return "";
        return look + std::string("\"schedule\":") + jsonString(text) + "}";
    }
    if (run.windChoice.chosen()) return look + std::string("\"schedule\":") + jsonString(scheduleJson(run.schedule)) + "}";
    const Vec3& d = run.wind.direction;
    return look + std::string("\"wind\":{\"regime\":\"") + (run.wind.gale ? "gale" : "breeze") +
           "\",\"magnitude\":" + number(run.wind.magnitude) + ",\"direction\":[" + number(d.x) + "," + number(d.y) +
           "," + number(d.z) + "]}}";
}

namespace {

bool writeLivePage(const std::string& path, const ExportOptions& options, LivePageSizes& sizes, std::string& error)
{
    std::string data;
    if (!packData(options.run.dataDir, options.grass, data, error)) return false;
    const std::string info = livePageInfo(options, error);
    if (!error.empty()) return false;
    const std::string safeInfo = scriptSafe(info), module = scriptSafe(kLiveModuleScript),
                      viewer = scriptSafe(kLiveViewerScript);
    sizes = {module.size(), viewer.size(), data.size(), 0};
    return writeFilledPage(path, kLivePageTemplate, {"@INFO@", "@DATA@", "@MODULE@", "@SCRIPT@"},
                           {&safeInfo, &data, &module, &viewer}, sizes.page, error);
}

// The data folder opens in the library as it will in the page.
bool dataOpens(const ExportOptions& options, std::string& error)
{
    arborvane::Simulation sim(arborvane::Workers{1});
    arborvane::Result r = sim.open(options.run.dataDir);
    if (r) r = sim.setUp(options.run.seed);
    if (!r) error = r.message;
    return r.ok;
}

} // namespace

int exportLivePage(const ExportOptions& options)
{
    if (!livePageSupported())
        return fail("this build has no --live: emscripten was missing when it was built", 2);
    const std::string& out = options.live;
    std::vector<std::string> inputs;
    std::vector<NamedInput> named;
    exportRunInputs(options.run, inputs, named);
    const std::string clash = findOutputClash({{"--live", out}}, named);
    if (!clash.empty()) return fail(clash, 2);
    const OutputTarget target = checkOutputTarget(out, inputs);
    if (!target.ok) return fail(target.error, target.refused ? 2 : 1);
    std::string error;
    if (!dataOpens(options, error)) return fail(options.run.dataDir + ": " + error);
    LivePageSizes sizes;
    if (!writeLivePage(target.path, options, sizes, error)) return fail(out + ": " + error);
    std::printf("Wrote %s: %.1f MB (module %.2f, viewer %.2f, data %.2f)\n", out.c_str(), sizes.page / 1e6,
                sizes.module / 1e6, sizes.viewer / 1e6, sizes.data / 1e6);
    return 0;
}
