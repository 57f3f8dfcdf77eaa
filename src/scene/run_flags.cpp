#include "scene/run_flags.h"

#include <cmath>
#include <cstdlib>

#include "platform/data_dir.h"
#include "platform/platform.h"
#include "scene/command_line.h"

namespace {

// "X,Y,Z" with three finite numbers.
bool parseTriple(const std::string& s, double (&v)[3])
{
    size_t start = 0;
    for (int k = 0; k < 3; ++k) {
        const size_t comma = k < 2 ? s.find(',', start) : s.size();
        if (comma == std::string::npos) return false;
        const std::string part = s.substr(start, comma - start);
        char* end = nullptr;
        v[k] = std::strtod(part.c_str(), &end);
        if (part.empty() || *end != '\0' || !std::isfinite(v[k])) return false;
        start = comma + 1;
    }
    return true;
}

// Three numbers whose direction is defined: a zero vector has none.
CLI::Validator directionCheck()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            double v[3];
            if (!parseTriple(text, v)) return "wants three numbers X,Y,Z, not \"" + text + "\"";
            const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            if (!(len > 1e-7) || !std::isfinite(len)) return text + " has no direction (zero vector)";
            return {};
        },
        "normalised, not zero");
}

} // namespace

void addDataFlag(CLI::App& app, std::string& dataDir)
{
    app.add_option("--data", dataDir, "read the data files from DIR; without it: $ARBORVANE_DATA,\n"
                   "./data when it exists, else the installed data")
        ->type_name("DIR")
        ->check(nameOf("a directory name"))
        ->default_str(kDefaultDataDir);
}

void resolveDataFlag(const CLI::App& app, std::string& dataDir)
{
    const bool given = app.count("--data") > 0;
    const DataDirChoice choice = resolveDataDir(dataDirInputs(given ? dataDir.c_str() : nullptr));
    dataDir = choice.dir;
    // A run in a folder with ./data, or with --data, says nothing new.
    if (choice.source == DataDirSource::environment || choice.source == DataDirSource::installed)
        consolePrintf("Using %s\n", choice.reason.c_str());
}

void addRunFlags(CLI::App& app, RunFlags& flags)
{
    app.add_flag("--gale{true},--breeze{false}", flags.wind.gale,
                 "moderate gale (the default) or light breeze;\nthe magnitude stays as given");
    app.add_option("--magnitude", flags.wind.magnitude, "wind magnitude")
        ->type_name("M")
        ->check(numberIn(0.0, 800.0))
        ->capture_default_str();
    app.add_option_function<std::string>(
           "--wind-dir",
           [&flags](const std::string& text) {
               double v[3];
               parseTriple(text, v); // checked by directionCheck
               const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
               flags.wind.direction = {v[0] / len, v[1] / len, v[2] / len, 0};
           },
           "wind direction in tree space")
        ->type_name("X,Y,Z")
        ->check(directionCheck())
        ->default_str("1,0,0");
    app.add_option("--seed", flags.seed, "foliage seed (the default repeats runs exactly)")
        ->type_name("N")
        ->transform(wholeIn(0.0, 4294967295.0))
        ->capture_default_str();
    addDataFlag(app, flags.dataDir);
}
