// Command-line flags that the headless front-ends share, parsed one way:
// the wind, the foliage seed and the data folder. Strict values: the whole
// text must be the number.
#pragma once
#include <cstdint>
#include <string>

#include "formats/data_folder.h"
#include "math/vec3.h"

struct RunFlags {
    bool gale = true;                    // moderate gale; false: light breeze
    double magnitude = 400.0;            /// wind magnitude, 0..800
    Vec3 windDirection{1.0, 0.0, 0.0, 0}; // unit wind direction in tree space
    uint32_t seed = 1;                   // foliage seed: fixed, so runs repeat exactly
    std::string dataDir = kDefaultDataDir; // folder of the data files
};

enum class FlagMatch { NotMine, Taken, Error };

// Takes argv[i] when it is one of the shared flags, with its value from
// argv[i + 1] (i then points at the value). On Error, error names the flag
// and what is wrong.
FlagMatch parseRunFlag(int argc, char** argv, int& i, RunFlags& flags, std::string& error);
// The usage lines of the shared flags, as the front-ends' --help prints them.
const char* runFlagsUsage();

// Whole number in lo..hi.
bool parseWholeNumber(const char* text, long lo, long hi, int& out);
// A finite number.
bool parseFiniteNumber(const char* text, double& out);
