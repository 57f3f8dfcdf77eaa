#include "export/live_page.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string_view>
#include <vector>

#include "arborvane/arborvane.h"
#include "arborvane_live_page.h"
#include "data_constants/data_files.h"
#include "data_constants/scene_look.h"
#include "export/export_options.h"
#include "export/export_scene.h"
#include "math/planar_shadow.h"
#include "platform/atomic_file.h"
#include "platform/same_file.h"
#include "view/view_state.h"

namespace {

int fail(const std::string& message, int status = 1)
{
    std::fprintf(stderr, "arborvane-export: %s\n", message.c_str());
    return status;
}

std::string base64(const std::string& bytes)
{
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k) v = v << 8 | (k < n ? static_cast<uint8_t>(bytes[i + k]) : 0);
        for (size_t k = 0; k < 4; ++k) out.push_back(k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=');
    }
    return out;
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

// The simulation needs a grass field: without the grass shown, the page
// carries the file's first blade alone (its header with the count 1), which
// leaves the tree's motion as it is (the leaves reseed after the grass draws).
std::string firstBladeOnly(const std::string& grassFile)
{
    constexpr size_t kHeaderNumbers = 8, kBladeNumbers = 50;
    std::string out;
    size_t taken = 0, at = 0;
    while (taken < kHeaderNumbers + kBladeNumbers) {
        at = grassFile.find_first_not_of(" \t\r\n", at);
        if (at == std::string::npos) return grassFile; // too short: let the loader say why
        const size_t end = std::min(grassFile.find_first_of(" \t\r\n", at), grassFile.size());
        out += taken == 0 ? std::string("1") : grassFile.substr(at, end - at);
        out += ++taken == 2 || taken == kHeaderNumbers || (taken > kHeaderNumbers && (taken - kHeaderNumbers) % 10 == 0)
                   ? "\n"
                   : " ";
        at = end;
    }
    return out;
}

// The data folder's files as {"name": "gzip in base64", ...}; the grass's
// textures only when the grass is shown.
bool packData(const std::string& dir, bool grass, std::string& json, std::string& error)
{
    json = "{";
    for (const std::string& name : dataFileNames()) {
        if (!grass && name.rfind("grass/", 0) == 0 && name != kGrassFileName) continue;
        std::string bytes, packed;
        if (!readWhole(dataPath(dir, name.c_str()), bytes, error)) return false;
        if (!grass && name == kGrassFileName) bytes = firstBladeOnly(bytes);
        if (!gzip(bytes, packed, error)) return false;
        json += (json.size() > 1 ? "," : "") + jsonString(name) + ":\"" + base64(packed) + "\"";
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

// The resolved schedule as the text a schedule file would hold.
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

// A script element's text must not close it early.
std::string scriptSafe(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 8, "</script") == 0 || text.compare(i, 8, "</SCRIPT") == 0) out += "<\\";
        else out.push_back(text[i]);
    }
    return out;
}

} // namespace

bool livePageSupported() { return sizeof(kLiveModuleScript) > 1; }

std::string livePageInfo(const ExportOptions& options, std::string&)
{
    const RunFlags& run = options.run;
    char look[400];
    std::snprintf(look, sizeof look,
                  "{\"groundY\":%.17g,\"treeDrop\":%.17g,\"sky\":[%d,%d,%d],\"light\":[%.17g,%.17g,%.17g],"
                  "\"shadow\":[%.9g,%.9g,%.9g],\"seed\":%u,\"grass\":%s,",
                  kGroundY, kTreeDrop, kSkyColour[0], kSkyColour[1], kSkyColour[2], kLightRestPosition[0],
                  kLightRestPosition[1], kLightRestPosition[2], kShadowColour[0], kShadowColour[1], kShadowColour[2],
                  static_cast<unsigned>(run.seed), options.grass ? "true" : "false");
    // A constant wind starts as setWind; anything else as the schedule the flags made.
    if (run.windChoice.chosen()) return look + std::string("\"schedule\":") + jsonString(scheduleJson(run.schedule)) + "}";
    const Vec3& d = run.wind.direction;
    return look + std::string("\"wind\":{\"regime\":\"") + (run.wind.gale ? "gale" : "breeze") +
           "\",\"magnitude\":" + number(run.wind.magnitude) + ",\"direction\":[" + number(d.x) + "," + number(d.y) +
           "," + number(d.z) + "]}}";
}

namespace {

// page.html's text between and around its slots, the slots' values in place.
bool fillTemplate(std::string_view page, const std::string (&fill)[4], std::vector<std::string_view>& parts)
{
    static const char* kSlots[4] = {"@INFO@", "@DATA@", "@MODULE@", "@SCRIPT@"};
    size_t from = 0;
    for (int i = 0; i < 4; ++i) {
        const size_t at = page.find(kSlots[i], from);
        if (at == std::string_view::npos) return false;
        parts.push_back(page.substr(from, at - from));
        parts.push_back(fill[i]);
        from = at + std::strlen(kSlots[i]);
    }
    parts.push_back(page.substr(from));
    return true;
}

bool writeLivePage(const std::string& path, const ExportOptions& options, LivePageSizes& sizes, std::string& error)
{
    std::string data;
    if (!packData(options.run.dataDir, options.grass, data, error)) return false;
    const std::string info = livePageInfo(options, error);
    if (!error.empty()) return false;
    const std::string fill[] = {scriptSafe(info), std::move(data), scriptSafe(kLiveModuleScript),
                                scriptSafe(kLiveViewerScript)};
    std::vector<std::string_view> parts;
    if (!fillTemplate(kLivePageTemplate, fill, parts)) {
        error = "this build's live page template is malformed";
        return false;
    }
    AtomicFile file;
    if (!file.open(path, error)) return false;
    for (const std::string_view part : parts)
        if (!file.write(part.data(), part.size(), error)) return false;
    sizes = {fill[2].size(), fill[3].size(), fill[1].size(), file.position()};
    return file.commit(error);
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
    std::vector<std::string> inputs = exportInputFiles(options.run.dataDir);
    std::vector<NamedInput> named;
    for (const std::string& path : inputs) named.push_back({"", path});
    if (!options.run.windChoice.file.empty()) {
        inputs.push_back(options.run.windChoice.file);
        named.push_back({"--wind", options.run.windChoice.file});
    }
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
