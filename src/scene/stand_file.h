// A stand file: several trees in one wind field, each from a data folder or
// grown from a preset, placed on the ground; optionally one lawn for all.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene.h"

// Most trees one stand holds.
constexpr int kMaxStandTrees = 64;

// One tree of a stand, as the file gives it.
struct StandTree {
    std::string dataDir;      // data folder, made absolute from the stand file's folder; empty with a preset
    std::string preset;       // an arborvane-grow preset grown at start; empty with a data folder
    uint64_t growSeed = 1;    // the grower's seed for the preset
    TreePlacement placement;  // where it stands and how it is turned
    uint32_t seed = 1;        // foliage and oscillator seed
};

struct StandFile {
    std::vector<StandTree> trees; // 1..kMaxStandTrees, in file order (tree K is the trace's tipK)
    bool grass = false;           // a lawn was asked for
    double grassExtent[2] = {0.0, 0.0}; /// lawn size along x and z, centred on the origin, model units
};

// Reads the stand file at path. On any fault (unreadable, bad JSON, unknown
// field, wrong type, value out of range, a data folder that is not one)
// returns false with one line "<path>: <field>: <problem>" in error and
// leaves stand unchanged. Never throws.
bool loadStandFile(const std::string& path, StandFile& stand, std::string& error);
// The same from text; name stands for the file and folder is where data
// folders are found from.
bool parseStandFile(const std::string& text, const std::string& name, const std::string& folder, StandFile& stand,
                    std::string& error);
