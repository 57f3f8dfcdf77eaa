#include "export/export_options.h"

#include <cmath>
#include <cstdio>

#include "arborvane/arborvane.h"
#include "cli/command_line.h"

namespace {

// The flags that make the clip fit a game engine: a seamless loop, a bone budget.
void addGameFlags(CLI::App& app, ExportOptions& o)
{
    app.add_option("--loop", o.loop, "a clip of this length whose last frame runs into its first (replaces --frames)")
        ->type_name("SECONDS")
        ->transform(numberIn(0.5, 3600.0, "s"))
        ->excludes(app.get_option("--frames"))
        ->excludes(app.get_option("--live"))
        ->excludes(app.get_option("--stand"));
    app.add_option("--bones", o.bones, "at most N joints in the tree's skin, leaves riding on their branch's joints")
        ->type_name("N")
        ->transform(wholeIn(1, 100000))
        ->excludes(app.get_option("--live"))
        ->excludes(app.get_option("--stand"));
}

// --loop: the clip's frames, and a wind that repeats with the clip. -1 to go on, else 2.
int finishGameFlags(ExportOptions& o)
{
    if (o.loop <= 0) return -1;
    WindSchedule& s = o.run.schedule;
    if (s.frontSpeed > 0.0 || s.gusts.frontSpeed > 0.0) {
        std::fprintf(stderr, "arborvane-export: --loop: the wind's fronts reach far points later than a loop "
                             "allows (front_speed)\n");
        return 2;
    }
    // One frame per step, and the first again at the end: players loop at the last key.
    const int steps = static_cast<int>(std::lround(o.loop / arborvane::Simulation::timeStep()));
    o.frames = steps + 1;
    // A changing wind (keys, gusts, veer) plays its first period over and
    // over: periodic in the clip as the noise is, the settled motion is too.
    if (s.keys.size() != 1 || s.gusts.enabled || s.veer.enabled) s.repeat = steps * arborvane::Simulation::timeStep();
    return -1;
}

} // namespace

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
    // Game-engine forms of the .glb only: the pages carry their own viewer.
    app.add_flag("--lod", o.lod, "add lighter levels (Bark_LOD1, Leaves_LOD1, ...: about 40 % and 20 % of the triangles)")
        ->excludes(web)
        ->excludes(app.get_option("--live"));
    app.add_flag("--compress", o.compress,
                 "quantised, meshopt-compressed geometry (EXT_meshopt_compression; Blender 3.4 cannot read it)")
        ->excludes(web)
        ->excludes(app.get_option("--live"));
    app.add_option("--stand", o.stand,
                   "several trees in one wind, from a stand file (see the README): one\n"
                   "rig per tree in the .glb, each under a node at its place; with --live\n"
                   "or --web, every tree in the page")
        ->type_name("FILE.json")
        ->check(nameOf("a file name"))
        ->excludes(app.get_option("--trace"))
        // Each tree's rig is merged whole: the game-engine forms work on one tree.
        ->excludes(app.get_option("--lod"))
        ->excludes(app.get_option("--compress"));
    app.add_flag("--quiet{false}", o.progress, "no progress line");
    addGameFlags(app, o);
    const int status = parseCommandLine(app, argc, argv);
    if (status >= 0) return status;
    resolveDataFlag(app, o.run.dataDir);
    const int runStatus = finishRunFlags("arborvane-export", o.run);
    if (runStatus >= 0) return runStatus;
    return finishGameFlags(o);
}
