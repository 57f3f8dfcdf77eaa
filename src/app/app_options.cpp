#include "app/app_options.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_state.h"
#include "app/stand_window.h"
#include "cli/command_line.h"
#include "cli/run_flags.h"

int parseAppOptions(int argc, char** argv, std::vector<std::string>& leftOver)
{
    CLI::App app("Usage: arborvane [--data DIR] [--stand FILE] [--realtime] [--wind FILE | --wind-preset NAME] [--gusts]\n"
                 "                 [GLUT options such as -display NAME or -geometry WxH+X+Y]\n"
                 "\n"
                 "Animates a tree in a grass field moving in turbulent wind, in one OpenGL window.\n",
                 "arborvane");
    useHelpLayout(app, 14);
    app.allow_extras();
    addDataFlag(app, dataDir);
    app.add_flag("--realtime", view.realtime,
                 "move at wall-clock speed (0.05 s steps as time passes) instead of one step\n"
                 "per frame; the key t switches it too");
    app.add_option("--stand", standPath,
                   "several trees in one wind, from a stand file (JSON; see the README); the\n"
                   "camera frames the whole stand")
        ->type_name("FILE.json")
        ->check(nameOf("a file name"));
    WindChoice wind;
    addWindScheduleFlags(app, wind);
    app.footer("Keys: Esc quit, p gale/breeze, s shadows, r reset, t real time, space skeleton, F1 capture to ./image,\n"
               "F10 full screen, Left/Right wind magnitude, 1-5 wind preset calm..storm, g gusts; right button:\n"
               "menu; left drag: rotate (Shift zoom, Ctrl pan) the tree, the wind direction or the light.\n");
    const int status = parseCommandLine(app, argc, argv);
    if (status >= 0) return status;
    // GLUT's options and other words go on to glutInit; a double-dash flag is ours or a typo.
    leftOver = app.remaining();
    for (const std::string& arg : leftOver)
        if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "arborvane: unknown option %s\nRun arborvane --help for the flags.\n", arg.c_str());
            return 2;
        }
    resolveDataFlag(app, dataDir);
    // Before the window opens: a bad schedule file is a bad argument.
    std::string error;
    if (!resolveWindSchedule(wind, view.wind.constant, view.wind.schedule, error)) {
        std::fprintf(stderr, "arborvane: %s\n", error.c_str());
        return 2;
    }
    view.wind.scheduled = wind.chosen();
    return -1;
}

int refuseStrayArguments(int argc, char** argv)
{
    if (argc < 2) return -1;
    const std::string arg = argv[1];
    std::fprintf(stderr, "arborvane: unexpected argument %s", arg.c_str());
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) std::fprintf(stderr, "; did you mean --data %s?", arg.c_str());
    std::fprintf(stderr, "\nRun arborvane --help for the flags.\n");
    return 2;
}
