// Command-line settings of arborvane-record and their flags.
#pragma once
#include <string>

#include "cli/run_flags.h"

struct RecordOptions {
    int frames = 200;             // frames to render and write
    int width = 800;              // frame width in pixels
    int height = 600;             // frame height in pixels
    RunFlags run;                 // wind, foliage seed, data folder
    bool shadows = true;          // planar shadow pass
    bool skeleton = false;        // skeleton view instead of bark and leaves
    std::string outDir = "./record"; // where snap000.bmp ... go
    std::string video;            // mp4 to encode with ffmpeg; empty: none
    int fps = 20;                 // video playback rate; 20 is real time (one 0.05 s step a frame)
    std::string trace;            // wind trace CSV to write; empty: none
    std::string stand;            // stand file: several trees in one wind; empty: the one tree of --data
    bool camera = false;          // --camera given: eye and target below instead of the default view
    double cameraEye[3] = {};     /// camera position, model units (the scene's space, ground at y = -4.6)
    double cameraTarget[3] = {};  /// the point the camera looks at, model units
};

// Parses argv[1..] into options: -1 to go on, else the exit status (--help 0,
// a bad flag or value 2, with the message printed).
int parseRecordOptions(int argc, char** argv, RecordOptions& options);
