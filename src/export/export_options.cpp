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

ExportParse parseExportOptions(int argc, char** argv, ExportOptions& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const FlagMatch shared = parseRunFlag(argc, argv, i, o.run, error);
        if (shared == FlagMatch::Error) return ExportParse::Error;
        if (shared == FlagMatch::Taken) continue;

        const std::string flag = argv[i];
        if (flag == "--help" || flag == "-h") return ExportParse::Help;
        if (flag == "--grass") o.grass = true;
        else if (flag == "--quiet") o.progress = false;
        else if (flag == "--frames" || flag == "--out") {
            if (i + 1 >= argc) {
                error = "option " + flag + " needs a value";
                return ExportParse::Error;
            }
            const char* v = argv[++i];
            if (flag == "--out" && v[0] != '\0') o.out = v;
            else if (flag == "--out" || !parseWholeNumber(v, 1, 100000, o.frames)) {
                error = flag + " wants " + (flag == "--out" ? "a file name" : "a whole number from 1 to 100000") +
                        ", not \"" + v + "\"";
                return ExportParse::Error;
            }
        } else {
            error = "unknown option " + flag;
            return ExportParse::Error;
        }
    }
    return ExportParse::Ok;
}
