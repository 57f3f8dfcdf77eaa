#include "export/export_options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool parseInt(const char* text, long lo, long hi, int& out)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool parseDouble(const std::string& text, double& out)
{
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

} // namespace

void printExportUsage()
{
    std::printf(
        "usage: arborvane-export [options]\n"
        "Runs the tree in the wind without a window and writes the motion as one\n"
        "binary glTF 2.0 file (.glb): skinned bark, leaves, petioles, optionally the\n"
        "grass, one animation clip at 20 frames per second, textures as PNG.\n"
        "Run it from the build directory: it reads ./data like arborvane.\n"
        "\n"
        "  --frames N          frames of the clip, 1..100000 (default 200 = 10 s)\n"
        "  --out FILE.glb      output file (default tree.glb)\n"
        "  --grass             include the grass blades (off by default: the bulk of the file)\n"
        "  --gale              moderate gale (default)\n"
        "  --breeze            light breeze (the magnitude stays as given)\n"
        "  --magnitude M       wind magnitude, 0..800 (default 400)\n"
        "  --wind-dir X,Y,Z    wind direction, normalised; not zero (default 1,0,0)\n"
        "  --seed N            foliage seed, 0..4294967295 (default 1: runs repeat exactly)\n"
        "  --data DIR          data folder (default ./data)\n"
        "  --quiet             no progress line\n"
        "  --help              this text\n");
}

ExportParse parseExportOptions(int argc, char** argv, ExportOptions& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const char* v = nullptr;
        auto value = [&]() {
            if (i + 1 >= argc) {
                error = "option " + flag + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        auto bad = [&](const std::string& what) {
            error = flag + " wants " + what + ", not \"" + std::string(v) + "\"";
            return ExportParse::Error;
        };
        if (flag == "--help" || flag == "-h") return ExportParse::Help;
        if (flag == "--gale") o.gale = true;
        else if (flag == "--breeze") o.gale = false;
        else if (flag == "--grass") o.grass = true;
        else if (flag == "--quiet") o.progress = false;
        else if (flag == "--frames") {
            if (!value()) return ExportParse::Error;
            if (!parseInt(v, 1, 100000, o.frames)) return bad("a whole number from 1 to 100000");
        } else if (flag == "--magnitude") {
            if (!value()) return ExportParse::Error;
            if (!parseDouble(v, o.magnitude) || o.magnitude < 0.0 || o.magnitude > 800.0)
                return bad("a number from 0 to 800");
        } else if (flag == "--wind-dir") {
            if (!value()) return ExportParse::Error;
            const std::string s = v;
            const size_t a = s.find(',');
            const size_t b = a == std::string::npos ? a : s.find(',', a + 1);
            double x = 0, y = 0, z = 0;
            if (b == std::string::npos || s.find(',', b + 1) != std::string::npos || !parseDouble(s.substr(0, a), x) ||
                !parseDouble(s.substr(a + 1, b - a - 1), y) || !parseDouble(s.substr(b + 1), z))
                return bad("three numbers X,Y,Z");
            const double len = std::sqrt(x * x + y * y + z * z);
            if (!(len > 1e-7) || !std::isfinite(len)) {
                error = "--wind-dir " + s + " has no direction (zero vector)";
                return ExportParse::Error;
            }
            o.windX = x / len;
            o.windY = y / len;
            o.windZ = z / len;
        } else if (flag == "--seed") {
            if (!value()) return ExportParse::Error;
            errno = 0;
            char* end = nullptr;
            const unsigned long long s = std::strtoull(v, &end, 10);
            if (errno != 0 || end == v || *end != '\0' || v[0] == '-' || s > 0xFFFFFFFFull)
                return bad("a whole number from 0 to 4294967295");
            o.seed = static_cast<uint32_t>(s);
        } else if (flag == "--out" || flag == "--data") {
            if (!value()) return ExportParse::Error;
            if (v[0] == '\0') return bad(flag == "--out" ? "a file name" : "a folder");
            (flag == "--out" ? o.out : o.dataDir) = v;
        } else {
            error = "unknown option " + flag;
            return ExportParse::Error;
        }
    }
    return ExportParse::Ok;
}
