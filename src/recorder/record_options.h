// Command-line settings of arborvane-record and their parser.
#pragma once
#include <cstdint>
#include <string>

struct RecordOptions {
    int frames = 200;             // frames to render and write
    int width = 800;              // frame size in pixels
    int height = 600;
    bool gale = true;             // true: moderate gale, false: light breeze
    double magnitude = 400.0;     // wind magnitude, 0..800
    double windX = 1.0;           // unit wind direction
    double windY = 0.0;
    double windZ = 0.0;
    bool shadows = true;          // planar shadow pass
    bool skeleton = false;        // skeleton view instead of bark and leaves
    uint32_t seed = 1;            // foliage seed: fixed, so two runs give the same frames
    std::string outDir = "./record"; // where snap000.bmp ... go
    std::string dataDir = "./data"; // tree, leaf, noise, grass and texture files
    std::string video;            // mp4 to encode with ffmpeg; empty: none
    bool help = false;            // --help given
};

enum class ParseResult { Ok, Help, Error };

// Parses argv[1..]. On Error, error names the flag and what is wrong.
ParseResult parseRecordOptions(int argc, char** argv, RecordOptions& options, std::string& error);
void printRecordUsage();
