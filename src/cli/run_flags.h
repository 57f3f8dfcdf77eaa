// The command-line flags the front-ends share, defined once: the wind (constant
// or a schedule), the foliage seed and the data folder. Each program adds them to its own
// CLI11 app, bound to its RunFlags.
#pragma once
#include <cstdint>
#include <string>

#include "data_constants/data_folder.h"
#include "wind/wind_schedule.h"
#include "wind/wind_settings.h"

namespace CLI {
class App;
}

// The schedule flags as given; resolveWindSchedule makes the schedule.
struct WindChoice {
    std::string file;   // --wind FILE: a schedule file; empty: none
    std::string preset; // --wind-preset NAME: a constant preset; empty: none
    bool gusts = false; // --gusts: the default gusts on the chosen wind
    // Whether any of the three was given.
    bool chosen() const { return !file.empty() || !preset.empty() || gusts; }
};

struct RunFlags {
    WindSettings wind;                     // --gale/--breeze, --magnitude, --wind-dir
    Vec3 windDirGiven{1.0, 0.0, 0.0, 0};   // --wind-dir as given, before it is normalised into wind
    WindChoice windChoice;                 // --wind, --wind-preset, --gusts
    WindSchedule schedule;                 // what the steps follow; finishRunFlags makes it
    uint32_t seed = 1;                     // foliage seed: fixed, so runs repeat exactly
    std::string dataDir = kDefaultDataDir; // folder of the data files
};

// --data DIR, bound to dataDir (also the window program's).
void addDataFlag(CLI::App& app, std::string& dataDir);
// After a successful parse: dataDir becomes the folder to read, the first of
// --data, ARBORVANE_DATA, ./data when it exists, the data installed beside the
// program (cli/data_dir.h). Prints one line naming the folder only when
// it came from ARBORVANE_DATA or the installation.
void resolveDataFlag(const CLI::App& app, std::string& dataDir);
// --wind, --wind-preset and --gusts, bound to choice (the window program's too).
// --wind and --wind-preset exclude each other.
void addWindScheduleFlags(CLI::App& app, WindChoice& choice);
// --gale, --breeze, --magnitude, --wind-dir, the schedule flags, --seed and
// --data, bound to flags. --wind excludes the four constant-wind flags;
// --wind-preset excludes all but --wind-dir, whose direction it takes.
void addRunFlags(CLI::App& app, RunFlags& flags);
// --trace FILE.csv, bound to path (the recorder's and the exporter's).
void addTraceFlag(CLI::App& app, std::string& path);
// The schedule choice makes: the file's, the preset's (direction from wind),
// or one key holding wind; --gusts then sets the default gusts, replacing a
// file's own. False, schedule unchanged, with the file's one-line fault.
bool resolveWindSchedule(const WindChoice& choice, const WindSettings& wind, WindSchedule& schedule,
                         std::string& error);
// After parseCommandLine went on: flags.schedule resolved. -1 to go on, or 2
// after printing "program: fault" on standard error (a bad schedule file).
int finishRunFlags(const char* program, RunFlags& flags);
