// Command-line settings of arborvane-record and their parser.
#pragma once
#include <cstdint>
#include <string>

#include "scene/run_flags.h"

struct RecordOptions {
    int frames = 200;             // frames to render and write
    int width = 800;              // frame size in pixels
    int height = 600;
    RunFlags run;                 // wind, foliage seed, data folder
    bool shadows = true;          // planar shadow pass
    bool skeleton = false;        // skeleton view instead of bark and leaves
    std::string outDir = "./record"; // where snap000.bmp ... go
    std::string video;            // mp4 to encode with ffmpeg; empty: none
    int fps = 20;                 // video playback rate; 20 is real time (one 0.05 s step a frame)
};

// Parses argv[1..]. On Error, error names the flag and what is wrong.
ParseResult parseRecordOptions(int argc, char** argv, RecordOptions& options, std::string& error);
void printRecordUsage();
