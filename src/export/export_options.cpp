#include "export/export_options.h"

#include "scene/command_line.h"

int parseExportOptions(int argc, char** argv, ExportOptions& o)
{
    CLI::App app("usage: arborvane-export [options]\n"
                 "Runs the tree in the wind without a window and writes the motion as one\n"
                 "binary glTF 2.0 file (.glb): skinned bark, leaves, petioles, optionally the\n"
                 "grass, one animation clip at 20 frames per second, textures as PNG.\n"
                 "Run it from the build directory: it reads ./data like arborvane.\n",
                 "arborvane-export");
    useHelpLayout(app, 22);
    app.add_option("--frames", o.frames, "frames of the clip (200 = 10 s)")
        ->type_name("N")
        ->transform(wholeIn(1, 100000))
        ->capture_default_str();
    app.add_option("--out", o.out, "output file")
        ->type_name("FILE.glb")
        ->check(nameOf("a file name"))
        ->capture_default_str();
    app.add_flag("--grass", o.grass, "include the grass blades (off by default: the bulk of the file)");
    app.add_option("--web", o.web, "write one HTML page that plays the clip in a browser, not the .glb")
        ->type_name("FILE.html")
        ->check(nameOf("a file name"));
    addRunFlags(app, o.run);
    app.add_flag("--quiet{false}", o.progress, "no progress line");
    return parseCommandLine(app, argc, argv);
}
