#include "export/web_page.h"

#include "export/glb_writer.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "arborvane_web_viewer.h"
#include "data_constants/scene_look.h"
#include "platform/atomic_file.h"

namespace {

std::string base64(const std::string& bytes)
{
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                           static_cast<uint8_t>(bytes[i + 2]);
        for (int k = 3; k >= 0; --k) out.push_back(kDigits[(v >> (6 * k)) & 63]);
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 | (two ? static_cast<uint8_t>(bytes[i + 1]) << 8 : 0);
        out.push_back(kDigits[(v >> 18) & 63]);
        out.push_back(kDigits[(v >> 12) & 63]);
        out.push_back(two ? kDigits[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

// Level 6: 9 takes three times as long on the motion stream for 1% less.
// zlib format: the browser's DecompressionStream("deflate") reads it.
bool deflate(const std::string& in, std::string& out, std::string& error)
{
    uLongf size = compressBound(in.size());
    out.resize(size);
    const int status = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                                 reinterpret_cast<const Bytef*>(in.data()), in.size(), 6);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    if (status != Z_OK) {
        error = "compressing the page's data failed";
        return false;
    }
    out.resize(size);
    return true;
}

// What the viewer needs besides the meshes and motion: clip, wind, scene.
std::string pageInfo(const WebMotion& motion, const std::vector<WindSettings>& wind)
{
    char item[160];
    std::snprintf(item, sizeof item, ",\"groundY\":%g,\"sky\":[%d,%d,%d],\"light\":[%g,%g,%g]", kGroundY,
                  kSkyColour[0], kSkyColour[1], kSkyColour[2], kLightRestPosition[0], kLightRestPosition[1],
                  kLightRestPosition[2]);
    std::string s = "{\"frames\":" + std::to_string(motion.frames) +
                    ",\"fps\":" + std::to_string(static_cast<int>(1.0 / arborvane::Simulation::timeStep() + 0.5)) + item + ",\"wind\":[";
    for (size_t i = 0; i < wind.size(); ++i) {
        std::snprintf(item, sizeof item, "%s[%d,%.6g]", i ? "," : "", wind[i].gale ? 1 : 0, wind[i].magnitude);
        s += item;
    }
    return s + "]}";
}

// A script element's text must not close it early.
std::string scriptSafe(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 8, "</script") == 0 || text.compare(i, 8, "</SCRIPT") == 0) out += "<\\";
        else out.push_back(text[i]);
    }
    return out;
}

// web/page.html's text between and around its slots, the slots' values in
// their place. The build checked the slots are there, once each, in order.
bool fillTemplate(std::string_view page, const std::string (&fill)[4], std::vector<std::string_view>& parts)
{
    static const char* kSlots[4] = {"@INFO@", "@MODEL@", "@MOTION@", "@SCRIPT@"};
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

} // namespace

bool webPageSupported() { return sizeof(kWebViewerScript) > 1; }

bool writeWebPage(const std::string& path, const WebMotion& motion, const std::vector<WindSettings>& wind,
                  WebPageSizes& sizes, std::string& error)
{
    std::string model, stream;
    if (!deflate(motion.staticGlb, model, error) || !deflate(motion.stream, stream, error)) return false;
    model = base64(model);
    stream = base64(stream);
    const std::string fill[] = {pageInfo(motion, wind), std::move(model), std::move(stream),
                                scriptSafe(kWebViewerScript)};
    std::vector<std::string_view> parts;
    if (!fillTemplate(kWebPageTemplate, fill, parts)) {
        error = "this build's page template is malformed";
        return false;
    }
    AtomicFile file;
    if (!file.open(path, error)) return false;
    for (const std::string_view part : parts)
        if (!file.write(part.data(), part.size(), error)) return false;
    sizes = {fill[1].size(), fill[2].size(), fill[3].size(), file.position()};
    return file.commit(error);
}

bool exportWebPage(GlbPlan& plan, const GlbInput& input, const std::string& path,
                   const std::vector<WindSettings>& wind, WebPageSizes& sizes, std::string& error)
{
    WebMotion motion;
    return makeWebMotion(plan, input, WebMotionSteps{}, motion, error) && writeWebPage(path, motion, wind, sizes, error);
}
