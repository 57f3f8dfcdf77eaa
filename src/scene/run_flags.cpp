#include "scene/run_flags.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

bool parseWholeNumber(const char* text, long lo, long hi, int& out)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool parseFiniteNumber(const char* text, double& out)
{
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v)) return false;
    out = v;
    return true;
}

namespace {

// "x,y,z" with three finite numbers.
bool parseTriple(const std::string& s, double& x, double& y, double& z)
{
    const size_t a = s.find(',');
    const size_t b = a == std::string::npos ? a : s.find(',', a + 1);
    if (b == std::string::npos || s.find(',', b + 1) != std::string::npos) return false;
    return parseFiniteNumber(s.substr(0, a).c_str(), x) && parseFiniteNumber(s.substr(a + 1, b - a - 1).c_str(), y) &&
           parseFiniteNumber(s.substr(b + 1).c_str(), z);
}

bool parseSeed(const char* text, uint32_t& out)
{
    errno = 0;
    char* end = nullptr;
    const unsigned long long s = std::strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || s > 0xFFFFFFFFull) return false;
    out = static_cast<uint32_t>(s);
    return true;
}

} // namespace

int parseExitStatus(ParseResult result, const char* program, const std::string& error, void (*printUsage)())
{
    if (result == ParseResult::Ok) return -1;
    if (result == ParseResult::Error) std::fprintf(stderr, "%s: %s\n\n", program, error.c_str());
    printUsage();
    return result == ParseResult::Help ? 0 : 2;
}

const char* flagValue(int argc, char** argv, int& i, std::string& error)
{
    if (i + 1 < argc) return argv[++i];
    error = "option " + std::string(argv[i]) + " needs a value";
    return nullptr;
}

ParseResult parseCommandLine(int argc, char** argv, RunFlags& flags, std::string& error,
                             const std::function<FlagMatch(const std::string& flag, int& i)>& own)
{
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") return ParseResult::Help;
        FlagMatch match = parseRunFlag(argc, argv, i, flags, error);
        if (match == FlagMatch::NotMine) match = own(flag, i);
        if (match == FlagMatch::Error) return ParseResult::Error;
        if (match == FlagMatch::NotMine) {
            error = "unknown option " + flag;
            return ParseResult::Error;
        }
    }
    return ParseResult::Ok;
}

FlagMatch parseRunFlag(int argc, char** argv, int& i, RunFlags& flags, std::string& error)
{
    const std::string flag = argv[i];
    if (flag == "--gale" || flag == "--breeze") {
        flags.gale = flag == "--gale";
        return FlagMatch::Taken;
    }
    if (flag != "--magnitude" && flag != "--wind-dir" && flag != "--seed" && flag != "--data") return FlagMatch::NotMine;
    const char* v = flagValue(argc, argv, i, error);
    if (!v) return FlagMatch::Error;
    auto bad = [&](const char* what) {
        error = flag + " wants " + what + ", not \"" + v + "\"";
        return FlagMatch::Error;
    };
    if (flag == "--magnitude") {
        if (!parseFiniteNumber(v, flags.magnitude) || flags.magnitude < 0.0 || flags.magnitude > 800.0)
            return bad("a number from 0 to 800");
    } else if (flag == "--wind-dir") {
        double x = 0, y = 0, z = 0;
        if (!parseTriple(v, x, y, z)) return bad("three numbers X,Y,Z");
        const double len = std::sqrt(x * x + y * y + z * z);
        if (!(len > 1e-7) || !std::isfinite(len)) {
            error = "--wind-dir " + std::string(v) + " has no direction (zero vector)";
            return FlagMatch::Error;
        }
        flags.windDirection = {x / len, y / len, z / len, 0};
    } else if (flag == "--seed") {
        if (!parseSeed(v, flags.seed)) return bad("a whole number from 0 to 4294967295");
    } else {
        if (v[0] == '\0') {
            error = "--data wants a directory name";
            return FlagMatch::Error;
        }
        flags.dataDir = v;
    }
    return FlagMatch::Taken;
}

const char* runFlagsUsage()
{
    return "  --gale              moderate gale (default)\n"
           "  --breeze            light breeze (the magnitude stays as given)\n"
           "  --magnitude M       wind magnitude, 0..800 (default 400)\n"
           "  --wind-dir X,Y,Z    wind direction, normalised; not zero (default 1,0,0)\n"
           "  --seed N            foliage seed, 0..4294967295 (default 1: runs repeat exactly)\n"
           "  --data DIR          read the data files from DIR (default ./data)\n";
}
