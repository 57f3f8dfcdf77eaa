// Command-line flags of arborvane-grow, bound straight to the tree and leaf
// parameters: each flag's name, unit, range and default is written once, in
// flags.cpp, and --help is made from it. Presets are named trees the tree
// flags start from.
#pragma once
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "leaf_mesh.h"
#include "tree_skeleton.h"

// Flag values that do not fit together: the tool prints it and exits 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct GrowOptions {
    std::string out = "./data";   // data folder to write
    std::string only = "all";     // comma list of parts to write, or all
    std::string preset = "tulip"; // named tree the tree flags start from
    TreeParams tree;              // --tree-seed ... --trunk-points, over the preset
    LeafParams leaf;              // --leaf-length ... --leaf-droop
};

struct Preset {
    std::string name;                        // --preset word
    std::string description;                 // one line for --help
    std::function<void(TreeParams&)> apply;  // sets the preset's tree parameters
};

const std::vector<Preset>& presetTable();

// Flags that are each in range but do not fit together, whichever parts
// --only asks for, and an --out that exists but is not a folder: throws
// UsageError naming them.
void checkFlagPairs(const GrowOptions& options);

// Parses argv[1..] into options; a --preset applies before the tree flags
// given with it, whatever their order. -1 to go on, else the exit status
// (--help 0, a bad flag or value 2, with the message printed).
int parseGrowOptions(int argc, char** argv, GrowOptions& options);
