// Command-line settings of arborvane-export and their flags.
#pragma once
#include <string>

#include "cli/run_flags.h"

struct ExportOptions {
    int frames = 200;           // frames of the clip, one 0.05 s step each
    std::string out = "tree.glb"; // output file
    bool grass = false;         // grass blades are most of the file: off unless asked
    RunFlags run;               // wind, foliage seed, data folder, as the recorder's
    bool progress = true;       // progress line when stdout is a terminal
    std::string trace;          // wind trace CSV to write; empty: none
    std::string web;            // --web: write this HTML page instead of the .glb, empty: none
    std::string live;           // --live: write the page that simulates in the browser, empty: none
    bool lod = false;           // --lod: lighter levels of detail beside the full tree
    bool compress = false;      // --compress: quantised, meshopt-compressed geometry
    double loop = 0;            /// --loop: seconds of a clip whose end runs into its start; 0: a plain clip
    int bones = 0;              // --bones: most joints of the tree's skin; 0: one per centre-line point
    std::string stand;          // --stand: a stand file's trees, one rig each, in the .glb; empty: the one tree
};

// Parses argv[1..] into options: -1 to go on, else the exit status (--help 0,
// a bad flag or value 2, with the message printed).
int parseExportOptions(int argc, char** argv, ExportOptions& options);
