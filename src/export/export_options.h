// Command-line settings of arborvane-export and their parser.
#pragma once
#include <cstdint>
#include <string>

struct ExportOptions {
    int frames = 200;           // frames of the clip, one 0.05 s step each
    std::string out = "tree.glb";
    bool grass = false;         // grass blades are most of the file: off unless asked
    bool gale = true;           // true: moderate gale, false: light breeze
    double magnitude = 400.0;   // wind magnitude, 0..800
    double windX = 1.0, windY = 0.0, windZ = 0.0; // unit wind direction
    uint32_t seed = 1;          // foliage seed, as the recorder's
    std::string dataDir = "./data";
    bool progress = true;       // progress line when stdout is a terminal
};

enum class ExportParse { Ok, Help, Error };

// Parses argv[1..]. On Error, error names the flag and what is wrong.
ExportParse parseExportOptions(int argc, char** argv, ExportOptions& options, std::string& error);
void printExportUsage();
