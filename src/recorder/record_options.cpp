#include "recorder/record_options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

bool parseDouble(const char* text, double& out)
{
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// "x,y,z" with three finite numbers.
bool parseTriple(const char* text, double& x, double& y, double& z)
{
    const std::string s = text;
    const size_t a = s.find(',');
    const size_t b = a == std::string::npos ? a : s.find(',', a + 1);
    if (b == std::string::npos || s.find(',', b + 1) != std::string::npos) return false;
    return parseDouble(s.substr(0, a).c_str(), x) && parseDouble(s.substr(a + 1, b - a - 1).c_str(), y) &&
           parseDouble(s.substr(b + 1).c_str(), z);
}

} // namespace

void printRecordUsage()
{
    std::printf(
        "usage: arborvane-record [options]\n"
        "Renders the tree in the wind without a window and writes the frames as\n"
        "24-bit BMP files DIR/snap000.bmp, snap001.bmp, ... (snap1000.bmp on past 999).\n"
        "Run it from the build directory: it reads ./data like arborvane.\n"
        "\n"
        "  --frames N          frames to write (default 200)\n"
        "  --width W           frame width in pixels (default 800)\n"
        "  --height H          frame height in pixels (default 600)\n"
        "  --gale              moderate gale (default)\n"
        "  --breeze            light breeze (the magnitude stays as given)\n"
        "  --magnitude M       wind magnitude, 0..800 (default 400)\n"
        "  --wind-dir X,Y,Z    wind direction, normalised; not zero (default 1,0,0)\n"
        "  --shadows on|off    planar shadows (default on)\n"
        "  --skeleton          skeleton view instead of bark and leaves\n"
        "  --seed N            foliage seed, 0..4294967295 (default 1: runs repeat exactly)\n"
        "  --out DIR           frame directory, created if missing (default ./record)\n"
        "  --data DIR          read the data files from DIR (default ./data)\n"
        "  --video FILE.mp4    also encode the frames at 30 fps (H.264, yuv420p; needs ffmpeg)\n"
        "  --help              this text\n");
}

ParseResult parseRecordOptions(int argc, char** argv, RecordOptions& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        auto value = [&](const char*& out) {
            if (i + 1 >= argc) {
                error = "option " + flag + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (flag == "--help" || flag == "-h") {
            o.help = true;
            return ParseResult::Help;
        } else if (flag == "--gale") {
            o.gale = true;
        } else if (flag == "--breeze") {
            o.gale = false;
        } else if (flag == "--skeleton") {
            o.skeleton = true;
        } else if (flag == "--frames") {
            if (!value(v)) return ParseResult::Error;
            if (!parseInt(v, 1, 1000000, o.frames)) {
                error = "--frames wants a whole number from 1 to 1000000, not \"" + std::string(v) + "\"";
                return ParseResult::Error;
            }
        } else if (flag == "--width" || flag == "--height") {
            if (!value(v)) return ParseResult::Error;
            if (!parseInt(v, 1, 8192, flag == "--width" ? o.width : o.height)) {
                error = flag + " wants a whole number of pixels from 1 to 8192, not \"" + std::string(v) + "\"";
                return ParseResult::Error;
            }
        } else if (flag == "--magnitude") {
            if (!value(v)) return ParseResult::Error;
            if (!parseDouble(v, o.magnitude) || o.magnitude < 0.0 || o.magnitude > 800.0) {
                error = "--magnitude wants a number from 0 to 800, not \"" + std::string(v) + "\"";
                return ParseResult::Error;
            }
        } else if (flag == "--wind-dir") {
            if (!value(v)) return ParseResult::Error;
            double x = 0, y = 0, z = 0;
            if (!parseTriple(v, x, y, z)) {
                error = "--wind-dir wants three numbers X,Y,Z, not \"" + std::string(v) + "\"";
                return ParseResult::Error;
            }
            const double len = std::sqrt(x * x + y * y + z * z);
            if (!(len > 1e-7) || !std::isfinite(len)) {
                error = "--wind-dir " + std::string(v) + " has no direction (zero vector)";
                return ParseResult::Error;
            }
            o.windX = x / len;
            o.windY = y / len;
            o.windZ = z / len;
        } else if (flag == "--shadows") {
            if (!value(v)) return ParseResult::Error;
            if (std::strcmp(v, "on") == 0) o.shadows = true;
            else if (std::strcmp(v, "off") == 0) o.shadows = false;
            else {
                error = "--shadows wants on or off, not \"" + std::string(v) + "\"";
                return ParseResult::Error;
            }
        } else if (flag == "--seed") {
            if (!value(v)) return ParseResult::Error;
            errno = 0;
            char* end = nullptr;
            const unsigned long long s = std::strtoull(v, &end, 10);
            if (errno != 0 || end == v || *end != '\0' || v[0] == '-' || s > 0xFFFFFFFFull) {
                error = "--seed wants a whole number from 0 to 4294967295, not \"" + std::string(v) + "\"";
                return ParseResult::Error;
            }
            o.seed = static_cast<uint32_t>(s);
        } else if (flag == "--out") {
            if (!value(v)) return ParseResult::Error;
            if (v[0] == '\0') {
                error = "--out wants a directory name";
                return ParseResult::Error;
            }
            o.outDir = v;
        } else if (flag == "--data") {
            if (!value(v)) return ParseResult::Error;
            if (v[0] == '\0') {
                error = "--data wants a directory name";
                return ParseResult::Error;
            }
            o.dataDir = v;
        } else if (flag == "--video") {
            if (!value(v)) return ParseResult::Error;
            if (v[0] == '\0') {
                error = "--video wants a file name";
                return ParseResult::Error;
            }
            o.video = v;
        } else {
            error = "unknown option " + flag;
            return ParseResult::Error;
        }
    }
    return ParseResult::Ok;
}
