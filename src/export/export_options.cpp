#include "export/export_options.h"

#include "cli/command_line.h"

int parseExportOptions(int argc, char** argv, ExportOptions& o)
{
    CLI::App app("Usage: arborvane-export [options]\n\n"
                 "Runs the tree in the wind without a window and writes the motion as one\n"
                 "binary glTF 2.0 file (.glb): skinned bark, leaves, petioles, optionally the\n"
                 "grass, one animation clip at 20 frames per second, textures as PNG.\n"
                 "It reads the data like arborvane: ./data in the build directory, else the\n"
                 "installed data (see --data).\n",
                 "arborvane-export");
    useHelpLayout(app, 22);
    app.add_option("--frames", o.frames, "frames of the clip (200 = 10 s)")
        ->type_name("N")
        ->transform(wholeIn(1, 100000))
        ->capture_default_str();
    CLI::Option* out = app.add_option("--out", o.out, "output file")
        ->type_name("FILE.glb")
        ->check(nameOf("a file name"))
        ->capture_default_str();
    app.add_flag("--grass", o.grass, "include the grass blades (off by default: the bulk of the file)");
    CLI::Option* web = app.add_option("--web", o.web, "write one HTML page that plays the clip in a browser, not the .glb")
        ->type_name("FILE.html")
        ->check(nameOf("a file name"))
        ->excludes(out); // the page replaces the .glb: an --out beside it would go unwritten
    addRunFlags(app, o.run);
    addTraceFlag(app, o.trace);
    // The live page simulates in the browser: no clip, so none of the clip's flags;
    // --grass puts the whole field in it (else one blade: the simulation needs one).
    app.add_option("--live", o.live, "write one HTML page that runs the simulation in a browser (wind from the flags)")
        ->type_name("FILE.html")
        ->check(nameOf("a file name"))
        ->excludes(out)
        ->excludes(web)
        ->excludes(app.get_option("--frames"))
        ->excludes(app.get_option("--trace"));
    app.add_option("--stand", o.stand,
                   "several trees in one wind, from a stand file (see the README): one\n"
                   "rig per tree in the .glb, each under a node at its place")
        ->type_name("FILE.json")
        ->check(nameOf("a file name"))
        ->excludes(web)
        ->excludes(app.get_option("--live"))
        ->excludes(app.get_option("--trace"));
    app.add_flag("--quiet{false}", o.progress, "no progress line");
    const int status = parseCommandLine(app, argc, argv);
    if (status >= 0) return status;
    resolveDataFlag(app, o.run.dataDir);
    return finishRunFlags("arborvane-export", o.run);
}
