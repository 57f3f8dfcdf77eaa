// A stand file made ready to record: read, its presets grown into a
// temporary folder beside nothing the user owns, every tree's data folder
// checked, all before anything is written.
#pragma once
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "scene/stand_file.h"
#include "wind/wind_driver.h"

struct StandRun {
    StandFile file;                    // the trees and the lawn, as read
    std::vector<std::string> dataDirs; // each tree's data folder; a preset's is grown under grownRoot
    std::string grownRoot;             // temporary folder of the grown presets; empty when none

    StandRun() = default;
    StandRun(const StandRun&) = delete;
    StandRun& operator=(const StandRun&) = delete;
    ~StandRun(); // removes grownRoot
};

// Reads the stand file at path and grows its presets beside baseDataDir. 0,
// or the exit status after one line "<program>: ..." on standard error: 2
// for a fault of the stand file (naming it and the field), 1 when growing
// could not be written.
int prepareStand(const char* program, const std::string& path, const std::string& baseDataDir, StandRun& run);

// Opens the prepared trees into stand at their places, all in the one wind
// driver; only the first keeps its grass (the stand's lawn). False with a
// line naming the file and the tree in error.
bool openStand(const std::string& path, const StandRun& run, const WindDriver& wind, arborvane::Stand& stand,
               std::string& error);

// The lawn the stand file asks for (its grass extent), or none.
arborvane::Lawn standLawn(const StandRun& run);

// Every file the run reads for the stand: the stand file and its trees' data files.
std::vector<std::string> standInputs(const std::string& path, const StandRun& run);
