#include "export/web_page.h"

#include "export/glb_writer.h"

#include <zlib.h>

#include <cstdio>
#include <new>

#include "arborvane_web_viewer.h"
#include "dynamics/simulation.h"
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
    std::string s = "{\"frames\":" + std::to_string(motion.frames) +
                    ",\"fps\":" + std::to_string(static_cast<int>(1.0 / kTimeStep + 0.5)) +
                    ",\"groundY\":-4.6,\"sky\":[60,168,248],\"light\":[-10,12,5],\"wind\":[";
    char item[64];
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

} // namespace

bool webPageSupported() { return sizeof(kWebViewerScript) > 1; }

bool writeWebPage(const std::string& path, const WebMotion& motion, const std::vector<WindSettings>& wind,
                  WebPageSizes& sizes, std::string& error)
{
    std::string model, stream;
    if (!deflate(motion.staticGlb, model, error) || !deflate(motion.stream, stream, error)) return false;
    model = base64(model);
    stream = base64(stream);
    const std::string script = scriptSafe(kWebViewerScript);
    const std::string head =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Arborvane: a tree in the wind</title>\n"
        "<style>html,body{margin:0;height:100%;overflow:hidden;background:#3ca8f8;font:14px sans-serif}"
        "#view{display:block;width:100%;height:100%}"
        "#bar{position:fixed;left:0;right:0;bottom:0;display:flex;gap:10px;align-items:center;padding:6px 10px;"
        "background:rgba(0,0,0,.45);color:#fff}#bar input[type=range]{flex:1}"
        "#label{white-space:nowrap;font-variant-numeric:tabular-nums}</style></head>\n<body>\n"
        "<canvas id=\"view\"></canvas>\n<div id=\"bar\"><button id=\"play\" title=\"space\">Pause</button>"
        "<input id=\"time\" type=\"range\" min=\"0\" max=\"1\" step=\"0.001\" value=\"0\">"
        "<select id=\"speed\"><option value=\"0.25\">0.25\xc3\x97</option><option value=\"0.5\">0.5\xc3\x97</option>"
        "<option value=\"1\" selected>1\xc3\x97</option><option value=\"2\">2\xc3\x97</option></select>"
        "<span id=\"label\">loading\xe2\x80\xa6</span></div>\n";
    const std::string parts[] = {
        head,
        "<script type=\"application/json\" id=\"av-info\">" + pageInfo(motion, wind) + "</script>\n",
        "<script type=\"application/octet-stream\" id=\"av-model\">",
        model,
        "</script>\n<script type=\"application/octet-stream\" id=\"av-motion\">",
        stream,
        "</script>\n<script>",
        script,
        "</script>\n</body></html>\n",
    };
    AtomicFile file;
    if (!file.open(path, error)) return false;
    for (const std::string& part : parts)
        if (!file.write(part.data(), part.size(), error)) return false;
    sizes = {model.size(), stream.size(), script.size(), file.position()};
    return file.commit(error);
}

bool exportWebPage(GlbPlan& plan, const GlbInput& input, const std::string& path,
                   const std::vector<WindSettings>& wind, WebPageSizes& sizes, std::string& error)
{
    WebMotion motion;
    return makeWebMotion(plan, input, WebMotionSteps{}, motion, error) && writeWebPage(path, motion, wind, sizes, error);
}
