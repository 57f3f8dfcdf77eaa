// Which data folder a program reads, and why. The choice is a pure function
// of its inputs (resolveDataDir); dataDirInputs gathers them from the process.
#pragma once
#include <string>

// Where the chosen folder came from, in order of precedence.
enum class DataDirSource {
    flag,        // --data DIR, taken as given
    environment, // ARBORVANE_DATA, taken as given
    workingDir,  // ./data, because it exists
    installed,   // <exe dir>/../share/arborvane/data, because it exists
    fallback,    // ./data although it does not exist: the loaders then name the missing files
};

struct DataDirInputs {
    std::string flag;             // the --data argument; empty when not given
    std::string environment;      // ARBORVANE_DATA; empty when unset
    std::string executable;       // path of the running program; empty when unknown
    bool (*exists)(const std::string& dir) = nullptr; // is dir a folder; null: isDirectory
};

struct DataDirChoice {
    std::string dir;       // folder to read
    DataDirSource source;  // which rule chose it
    std::string reason;    // one line for a log: the rule and the folder
};

inline constexpr const char* kWorkingDataDir = "./data";

// First match: flag, environment, ./data when it exists, the installed
// folder beside the executable when it exists, else ./data.
DataDirChoice resolveDataDir(const DataDirInputs& inputs);

// The installed data folder for an executable path, without checking it:
// "<exe dir>/../share/arborvane/data" for the default install layout.
std::string installedDataDir(const std::string& executable);

// The process's inputs: the given flag (null when absent), ARBORVANE_DATA
// and /proc/self/exe.
DataDirInputs dataDirInputs(const char* flag);

bool isDirectory(const std::string& dir);
