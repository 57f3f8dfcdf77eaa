#include "recorder/record_options.h"

#include <cstdio>
#include <cstring>

void printRecordUsage()
{
    std::printf("usage: arborvane-record [options]\n"
                "Renders the tree in the wind without a window and writes the frames as\n"
                "24-bit BMP files DIR/snap000.bmp, snap001.bmp, ... (snap1000.bmp on past 999).\n"
                "Run it from the build directory: it reads ./data like arborvane.\n"
                "\n"
                "  --frames N          frames to write (default 200)\n"
                "  --width W           frame width in pixels (default 800)\n"
                "  --height H          frame height in pixels (default 600)\n"
                "%s"
                "  --shadows on|off    planar shadows (default on)\n"
                "  --skeleton          skeleton view instead of bark and leaves\n"
                "  --out DIR           frame directory, created if missing (default ./record);\n"
                "                      frames snapNNN.bmp of an earlier run there are removed\n"
                "                      first, so it holds this run's frames only; other files\n"
                "                      are left alone\n"
                "  --video FILE.mp4    also encode this run's frames (H.264, yuv420p; needs ffmpeg)\n"
                "  --fps N             video playback rate, 1..240 (default 20); each frame is one\n"
                "                      0.05 s step, so only 20 is real time\n"
                "  --help              this text\n",
                runFlagsUsage());
}

ParseResult parseRecordOptions(int argc, char** argv, RecordOptions& o, std::string& error)
{
    return parseCommandLine(argc, argv, o.run, error, [&](const std::string& flag, int& i) {
        if (flag == "--skeleton") {
            o.skeleton = true;
            return FlagMatch::Taken;
        }
        if (flag != "--frames" && flag != "--fps" && flag != "--width" && flag != "--height" && flag != "--shadows" &&
            flag != "--out" && flag != "--video")
            return FlagMatch::NotMine;
        const char* v = flagValue(argc, argv, i, error);
        if (!v) return FlagMatch::Error;
        auto bad = [&](const std::string& what) {
            error = flag + " wants " + what + (v[0] ? ", not \"" + std::string(v) + "\"" : "");
            return FlagMatch::Error;
        };
        if (flag == "--frames") {
            if (!parseWholeNumber(v, 1, 1000000, o.frames)) return bad("a whole number from 1 to 1000000");
        } else if (flag == "--fps") {
            if (!parseWholeNumber(v, 1, 240, o.fps)) return bad("a whole number from 1 to 240");
        } else if (flag == "--width" || flag == "--height") {
            if (!parseWholeNumber(v, 1, 8192, flag == "--width" ? o.width : o.height))
                return bad("a whole number of pixels from 1 to 8192");
        } else if (flag == "--shadows") {
            if (std::strcmp(v, "on") == 0) o.shadows = true;
            else if (std::strcmp(v, "off") == 0) o.shadows = false;
            else return bad("on or off");
        } else if (v[0] == '\0') {
            return bad(flag == "--out" ? "a directory name" : "a file name");
        } else {
            (flag == "--out" ? o.outDir : o.video) = v;
        }
        return FlagMatch::Taken;
    });
}
