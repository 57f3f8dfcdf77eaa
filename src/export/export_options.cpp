#include "export/export_options.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

void printExportUsage()
{
    std::printf(
        "usage: arborvane-export [options]\n"
        "Runs the tree in the wind without a window and writes the motion as one\n"
        "binary glTF 2.0 file (.glb): skinned bark, leaves, petioles, optionally the\n"
        "grass, one animation clip at 20 frames per second, textures as PNG.\n"
        "Run it from the build directory: it reads ./data like arborvane.\n"
        "\n"
        "  --frames N          frames of the clip, 1..100000 (default 200 = 10 s)\n"
        "  --out FILE.glb      output file (default tree.glb)\n"
        "  --grass             include the grass blades (off by default: the bulk of the file)\n"
        "%s"
        "  --quiet             no progress line\n"
        "  --help              this text\n",
        runFlagsUsage());
}

ParseResult parseExportOptions(int argc, char** argv, ExportOptions& o, std::string& error)
{
    return parseCommandLine(argc, argv, o.run, error, [&](const std::string& flag, int& i) {
        if (flag == "--grass" || flag == "--quiet") {
            (flag == "--grass" ? o.grass : o.progress) = flag == "--grass";
            return FlagMatch::Taken;
        }
        if (flag != "--frames" && flag != "--out") return FlagMatch::NotMine;
        const char* v = flagValue(argc, argv, i, error);
        if (!v) return FlagMatch::Error;
        if (flag == "--out" && v[0] != '\0') o.out = v;
        else if (flag == "--out" || !parseWholeNumber(v, 1, 100000, o.frames)) {
            error = flag + " wants " + (flag == "--out" ? "a file name" : "a whole number from 1 to 100000") +
                    ", not \"" + v + "\"";
            return FlagMatch::Error;
        }
        return FlagMatch::Taken;
    });
}
