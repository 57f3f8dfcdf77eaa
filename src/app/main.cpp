// Entry point: window, menu, start-up, main loop.
#include <GL/glut.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/display.h"
#include "app/input.h"
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

void printUsage()
{
    std::printf("usage: arborvane [--data DIR] [--realtime] [GLUT options such as -display NAME or -geometry WxH+X+Y]\n"
                "\n"
                "Animates a tree in a grass field moving in turbulent wind, in one OpenGL window.\n"
                "\n"
                "  --data DIR   read the tree, leaf, noise, grass and texture files from DIR (default ./data)\n"
                "  --realtime   move at wall-clock speed (0.05 s steps as time passes) instead of one step\n"
                "               per frame; the key t switches it too\n"
                "  --help       print this and exit\n"
                "\n"
                "Keys: Esc quit, p gale/breeze, s shadows, r reset, t real time, space skeleton, F1 capture to ./image,\n"
                "F10 full screen, Left/Right wind magnitude; right button: menu; left drag: rotate (Shift zoom,\n"
                "Ctrl pan) the tree, the wind direction or the light.\n");
}

// Our own options; GLUT's (single dash) are left to glutInit. Returns -1 to
// go on, else the exit status.
int parseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            printUsage();
            return 0;
        }
        if (std::strcmp(a, "--data") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "arborvane: --data needs a folder\n\n");
                printUsage();
                return 2;
            }
            dataDir = argv[++i];
            continue;
        }
        if (std::strcmp(a, "--realtime") == 0) {
            view.realtime = true;
            continue;
        }
        if (std::strncmp(a, "--", 2) == 0) {
            std::fprintf(stderr, "arborvane: unknown option %s\n\n", a);
            printUsage();
            return 2;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int status = parseOptions(argc, argv);
    if (status >= 0) return status;
    Display* probe = openDisplayProbe(argc, argv);
    if (!probe) return 1;
    glutInit(&argc, argv);
    XCloseDisplay(probe);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(view.windowWidth, view.windowHeight);
    glutCreateWindow("Arborvane");

    glutCreateMenu(onMenu);
    glutAddMenuEntry("Breeze/gale", 0);
    glutAddMenuEntry("Control wind direction", 1);
    glutAddMenuEntry("Control tree", 2);
    glutAddMenuEntry("Control light", 3);
    glutAttachMenu(GLUT_RIGHT_BUTTON);

    initScene();

    dragManipulator = std::make_unique<TransformerArcBall>(view.windowWidth, view.windowHeight);
    view.interactionMode = 2;
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
