#include "recorder/record_options.h"

#include "cli/command_line.h"

namespace {

void addRecordFlags(CLI::App& app, RecordOptions& o)
{
    app.add_option("--frames", o.frames, "frames to write")
        ->type_name("N")
        ->transform(wholeIn(1, 1000000))
        ->capture_default_str();
    app.add_option("--width", o.width, "frame width")
        ->type_name("W")
        ->transform(wholeIn(1, 8192, "pixels"))
        ->capture_default_str();
    app.add_option("--height", o.height, "frame height")
        ->type_name("H")
        ->transform(wholeIn(1, 8192, "pixels"))
        ->capture_default_str();
    addRunFlags(app, o.run);
    addTraceFlag(app, o.trace);
    app.add_option_function<std::string>(
           "--shadows", [&o](const std::string& v) { o.shadows = v == "on"; }, "planar shadows")
        ->type_name("WORD")
        ->check(oneOf({"on", "off"}))
        ->default_str("on");
    app.add_flag("--skeleton", o.skeleton, "skeleton view instead of bark and leaves");
    app.add_option("--out", o.outDir,
                   "frame directory, created if missing; frames snapNNN.bmp\n"
                   "of an earlier run there are removed first, so it holds\n"
                   "this run's frames only; other files are left alone")
        ->type_name("DIR")
        ->check(nameOf("a directory name"))
        ->capture_default_str();
    app.add_option("--video", o.video, "also encode this run's frames (H.264, yuv420p; needs ffmpeg);\n"
                   "the name ends in .mp4, .mkv, .mov or .avi (a fixed list\n"
                   "of containers that hold H.264)")
        ->type_name("FILE.mp4")
        ->check(nameOf("a file name"));
    app.add_option("--fps", o.fps, "video playback rate; each frame is one 0.05 s step,\nso only 20 is real time")
        ->type_name("N")
        ->transform(wholeIn(1, 240))
        ->capture_default_str();
}

} // namespace

int parseRecordOptions(int argc, char** argv, RecordOptions& options)
{
    CLI::App app("Usage: arborvane-record [options]\n\n"
                 "Renders the tree in the wind without a window and writes the frames as\n"
                 "24-bit BMP files DIR/snap000.bmp, snap001.bmp, ... (snap1000.bmp on past 999).\n"
                 "It reads the data like arborvane: ./data in the build directory, else the\n"
                 "installed data (see --data).\n",
                 "arborvane-record");
    useHelpLayout(app, 22);
    addRecordFlags(app, options);
    const int status = parseCommandLine(app, argc, argv);
    if (status >= 0) return status;
    resolveDataFlag(app, options.run.dataDir);
    return finishRunFlags("arborvane-record", options.run);
}
