#include "cli/run_flags.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/data_dir.h"
#include "platform/platform.h"
#include "cli/command_line.h"
#include "wind/wind_schedule_file.h"

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

// Three numbers that make a wind direction, by the rule a schedule file's follow.
CLI::Validator directionCheck()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            double v[3];
            if (!parseTriple(text, v)) return "wants three numbers X,Y,Z, not \"" + text + "\"";
            const std::string why = windDirectionFault(v[0], v[1], v[2]);
            return why.empty() ? why : text + " " + why;
        },
        "normalised; not zero, not straight up or down");
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

void addWindScheduleFlags(CLI::App& app, WindChoice& choice)
{
    CLI::Option* file = app.add_option("--wind", choice.file, "wind schedule file (JSON; see the README)")
                            ->type_name("FILE")
                            ->check(nameOf("a file name"));
    CLI::Option* preset =
        app.add_option("--wind-preset", choice.preset, "constant wind preset")
            ->type_name("NAME")
            ->check(oneOf({"calm", "breeze", "gale", "strong-gale", "storm"}));
    file->excludes(preset);
    app.add_flag("--gusts", choice.gusts, "gusts on the chosen wind: every 6 s on average,\n+50 %, 1 s rise, 2 s fall");
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
               flags.windDirGiven = {v[0], v[1], v[2], 0};
           },
           "wind direction in tree space")
        ->type_name("X,Y,Z")
        ->check(directionCheck())
        ->default_str("1,0,0");
    addWindScheduleFlags(app, flags.windChoice);
    CLI::Option* file = app.get_option("--wind");
    CLI::Option* preset = app.get_option("--wind-preset");
    for (const char* name : {"--gale", "--magnitude", "--wind-dir"}) file->excludes(app.get_option(name));
    for (const char* name : {"--gale", "--magnitude"}) preset->excludes(app.get_option(name));
    app.add_option("--seed", flags.seed, "foliage seed (the default repeats runs exactly)")
        ->type_name("N")
        ->transform(wholeIn(0.0, 4294967295.0))
        ->capture_default_str();
    addDataFlag(app, flags.dataDir);
}

void addTraceFlag(CLI::App& app, std::string& path)
{
    app.add_option("--trace", path,
                   "write the wind and the tree top's offset per frame as CSV\n(row k: the state frame k shows)")
        ->type_name("FILE.csv")
        ->check(nameOf("a file name"));
}

bool resolveWindSchedule(const WindChoice& choice, const WindSettings& wind, WindSchedule& schedule,
                         std::string& error)
{
    WindSchedule made = constantSchedule(wind);
    if (!choice.file.empty()) {
        if (!loadWindSchedule(choice.file, made, error)) return false;
    } else if (!choice.preset.empty()) {
        WindSettings state;
        presetWind(choice.preset, wind, state); // the name was checked with the flag
        made = constantSchedule(state);
    }
    if (choice.gusts) setGusts(made, kDefaultGusts);
    schedule = std::move(made);
    return true;
}

int finishRunFlags(const char* program, RunFlags& flags)
{
    std::string error;
    if (resolveWindSchedule(flags.windChoice, flags.wind, flags.schedule, error)) return -1;
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 2;
}
