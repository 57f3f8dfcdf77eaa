#include "export/web_page.h"

#include "export/glb_writer.h"

#include <zlib.h>

#include <cstdio>
#include <new>

#include "arborvane_web_viewer.h"
#include "data_constants/scene_look.h"
#include "export/page_template.h"

namespace {

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

} // namespace

bool webPageSupported() { return sizeof(kWebViewerScript) > 1; }

bool writeWebPage(const std::string& path, const WebMotion& motion, const std::vector<WindSettings>& wind,
                  WebPageSizes& sizes, std::string& error)
{
    std::string model, stream;
    if (!deflate(motion.staticGlb, model, error) || !deflate(motion.stream, stream, error)) return false;
    model = base64(model);
    stream = base64(stream);
    const std::string info = pageInfo(motion, wind), script = scriptSafe(kWebViewerScript);
    sizes = {model.size(), stream.size(), script.size(), 0};
    return writeFilledPage(path, kWebPageTemplate, {"@INFO@", "@MODEL@", "@MOTION@", "@SCRIPT@"},
                           {&info, &model, &stream, &script}, sizes.page, error);
}

bool exportWebPage(GlbPlan& plan, const GlbInput& input, const std::string& path,
                   const std::vector<WindSettings>& wind, WebPageSizes& sizes, std::string& error)
{
    WebMotion motion;
    return makeWebMotion(plan, input, WebMotionSteps{}, motion, error) && writeWebPage(path, motion, wind, sizes, error);
}
