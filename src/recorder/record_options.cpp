#include "recorder/record_options.h"

#include <cmath>
#include <cstdlib>

#include "cli/command_line.h"

namespace {

// "EX,EY,EZ,TX,TY,TZ": six finite numbers, the eye not on the target; empty when fine.
std::string readCamera(const std::string& text, RecordOptions& o)
{
    const char* at = text.c_str();
    double v[6];
    for (int i = 0; i < 6; ++i) {
        char* end = nullptr;
        v[i] = std::strtod(at, &end);
        if (end == at || !std::isfinite(v[i]) || *end != (i < 5 ? ',' : '\0'))
            return "must be six numbers EX,EY,EZ,TX,TY,TZ (eye, then target)";
        at = end + 1;
    }
    if (v[0] == v[3] && v[1] == v[4] && v[2] == v[5]) return "the eye must not be the target";
    if (v[0] == v[3] && v[2] == v[5]) return "the camera must not look straight up or down";
    for (int i = 0; i < 3; ++i) {
        o.cameraEye[i] = v[i];
        o.cameraTarget[i] = v[i + 3];
    }
    o.camera = true;
    return {};
}

void addStandFlags(CLI::App& app, RecordOptions& o)
{
    app.add_option("--stand", o.stand,
                   "several trees in one wind, from a stand file (JSON: trees\n"
                   "with data or preset, position, turn, seed; optional\n"
                   "grass extent; see the README); replaces --data's tree")
        ->type_name("FILE.json")
        ->check(nameOf("a file name"));
    app.add_option_function<std::string>(
           "--camera", [&o](const std::string& v) { readCamera(v, o); },
           "view from eye EX,EY,EZ towards target TX,TY,TZ (model units,\n"
           "y up, the ground at y = -4.6; the default for one tree is\n"
           "0,2,12,0,2,0); without it a stand is framed whole")
        ->type_name("EX,EY,EZ,TX,TY,TZ")
        ->check([&o](const std::string& v) { RecordOptions scratch; return readCamera(v, scratch); });
}

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
    addStandFlags(app, options);
    const int status = parseCommandLine(app, argc, argv);
    if (status >= 0) return status;
    resolveDataFlag(app, options.run.dataDir);
    return finishRunFlags("arborvane-record", options.run);
}
