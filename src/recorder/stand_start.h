// A stand file made ready to record: read, its presets grown into a
// temporary folder beside nothing the user owns, every tree's data folder
// checked, all before anything is written.
#pragma once
#include <string>
#include <vector>

#include "recorder/record_options.h"
#include "scene/stand_file.h"

struct StandRun {
    StandFile file;                    // the trees and the lawn, as read
    std::vector<std::string> dataDirs; // each tree's data folder; a preset's is grown under grownRoot
    std::string grownRoot;             // temporary folder of the grown presets; empty when none

    StandRun() = default;
    StandRun(const StandRun&) = delete;
    StandRun& operator=(const StandRun&) = delete;
    ~StandRun(); // removes grownRoot
};

// Reads options.stand and grows its presets from options.run.dataDir. 0, or
// the exit status after one printed line: 2 for a fault of the stand file
// (naming it and the field), 1 when growing could not be written.
int prepareStand(const RecordOptions& options, StandRun& run);

// Every file the run reads for the stand: the stand file and its trees' data files.
std::vector<std::string> standInputs(const RecordOptions& options, const StandRun& run);
