// Entry point: window, menu, start-up, main loop.
#include <GL/glut.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_options.h"
#include "app/app_state.h"
#include "app/display.h"
#include "app/input.h"
#include "app/stand_window.h"
#include "app/startup.h"
#include "view/transformer.h"

namespace {

// freeglut only says "failed to open display" and exits; say what to do
// instead. The probe connection is returned open: closing it before glutInit
// connects would let a fresh X server reset between the two connections.
Display* openDisplayProbe(int argc, char** argv)
{
    const char* name = std::getenv("DISPLAY");
    // GLUT's own "-display NAME" option wins over the environment.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-display") == 0) name = argv[i + 1];
    const bool named = name != nullptr && name[0] != '\0';
    Display* display = named ? XOpenDisplay(name) : nullptr;
    if (display) return display;
    std::fprintf(stderr,
                 "arborvane: no X display %s%s%s; it needs a window: run it under a virtual X server, "
                 "e.g. xvfb-run -s \"-screen 0 1024x768x24\" ./arborvane\n",
                 named ? "(cannot open \"" : "(DISPLAY is not set)", named ? name : "", named ? "\")" : "");
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> leftOver;
    const int status = parseAppOptions(argc, argv, leftOver);
    if (status >= 0) return status;
    if (const int bad = prepareWindowStand(); bad >= 0) return bad;
    // glutInit, and the check for strays after it, see only what our flags
    // left: argv[0] first, null at the end.
    std::vector<char*> glutArgv{argv[0]};
    for (std::string& word : leftOver) glutArgv.push_back(word.data());
    int glutArgc = static_cast<int>(glutArgv.size());
    glutArgv.push_back(nullptr);
    Display* probe = openDisplayProbe(glutArgc, glutArgv.data());
    if (!probe) return 1;
    // The size before glutInit, so that its -geometry can override it.
    glutInitWindowSize(view.windowWidth, view.windowHeight);
    glutInit(&glutArgc, glutArgv.data());
    XCloseDisplay(probe);
    if (refuseStrayArguments(glutArgc, glutArgv.data()) >= 0) return 2;
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Arborvane");

    glutCreateMenu(onMenu);
    glutAddMenuEntry("Breeze/gale", 0);
    glutAddMenuEntry("Control wind direction", 1);
    glutAddMenuEntry("Control tree", 2);
    glutAddMenuEntry("Control light", 3);
    glutAttachMenu(GLUT_RIGHT_BUTTON);

    initScene();
    startWindowStand();

    dragManipulator = std::make_unique<TransformerArcBall>(view.windowWidth, view.windowHeight);
    view.interactionMode = InteractionMode::tree;
    view.dragBase = identity();

    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutKeyboardFunc(onKey);
    glutSpecialFunc(onSpecialKey);
    glutMainLoop();
    return 0;
}
