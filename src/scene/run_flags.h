// The command-line flags the front-ends share, defined once: the wind, the
// foliage seed and the data folder. Each program adds them to its own
// CLI11 app, bound to its RunFlags.
#pragma once
#include <cstdint>
#include <string>

#include "data_constants/data_folder.h"
#include "wind/wind_settings.h"

namespace CLI {
class App;
}

struct RunFlags {
    WindSettings wind;                     // --gale/--breeze, --magnitude, --wind-dir
    uint32_t seed = 1;                     // foliage seed: fixed, so runs repeat exactly
    std::string dataDir = kDefaultDataDir; // folder of the data files
};

// --data DIR, bound to dataDir (also the window program's).
void addDataFlag(CLI::App& app, std::string& dataDir);
// After a successful parse: dataDir becomes the folder to read, the first of
// --data, ARBORVANE_DATA, ./data when it exists, the data installed beside the
// program (platform/data_dir.h). Prints one line naming the folder only when
// it came from ARBORVANE_DATA or the installation.
void resolveDataFlag(const CLI::App& app, std::string& dataDir);
// --gale, --breeze, --magnitude, --wind-dir, --seed and --data, bound to flags.
void addRunFlags(CLI::App& app, RunFlags& flags);
