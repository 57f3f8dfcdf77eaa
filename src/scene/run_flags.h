// Command-line flags that the headless front-ends share, parsed one way:
// the wind, the foliage seed and the data folder. Strict values: the whole
// text must be the number.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "data_constants/data_folder.h"
#include "math/vec3.h"

struct RunFlags {
    bool gale = true;                    // moderate gale; false: light breeze
    double magnitude = 400.0;            /// wind magnitude, 0..800
    Vec3 windDirection{1.0, 0.0, 0.0, 0}; // unit wind direction in tree space
    uint32_t seed = 1;                   // foliage seed: fixed, so runs repeat exactly
    std::string dataDir = kDefaultDataDir; // folder of the data files
};

enum class FlagMatch { NotMine, Taken, Error };
enum class ParseResult { Ok, Help, Error };

// What a front-end does with its parse: -1 to go on; otherwise the exit
// status, after the usage (--help: 0) or the named error and the usage (2).
int parseExitStatus(ParseResult result, const char* program, const std::string& error, void (*printUsage)());

// Takes argv[i] when it is one of the shared flags, with its value from
// argv[i + 1] (i then points at the value). On Error, error names the flag
// and what is wrong.
FlagMatch parseRunFlag(int argc, char** argv, int& i, RunFlags& flags, std::string& error);
// Walks argv[1..]: the shared flags fill flags, --help or -h ends with Help,
// any other flag goes to own(flag, i), which takes it (reading its value
// with flagValue) or leaves it to be refused as unknown.
ParseResult parseCommandLine(int argc, char** argv, RunFlags& flags, std::string& error,
                             const std::function<FlagMatch(const std::string& flag, int& i)>& own);
// The value after argv[i] (i then points at it), or null with "option F needs a value" in error.
const char* flagValue(int argc, char** argv, int& i, std::string& error);

// The usage lines of the shared flags, as the front-ends' --help prints them.
const char* runFlagsUsage();

// Whole number in lo..hi.
bool parseWholeNumber(const char* text, long lo, long hi, int& out);
// A finite number.
bool parseFiniteNumber(const char* text, double& out);
