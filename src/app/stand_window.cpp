#include "app/stand_window.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "api/scene_access.h"
#include "app/display.h"
#include "arborvane/arborvane.h"
#include "recorder/stand_start.h"
#include "render/render_assets.h"
#include "render/stand_draw.h"
#include "scene/scene.h"
#include "scene/time_step.h"
#include "view/frame_rate.h"
#include "view/overlay_text.h"
#include "view/realtime_pacing.h"
#include "view/stand_view.h"

std::string standPath;

namespace {

// The window's stand, while it shows one.
struct WindowStand {
    StandRun run;           // the file and each tree's folder (grown presets removed at exit)
    arborvane::Stand stand; // the trees in one wind
    StandDrawing drawing;   // their arrays and the lawn's
    WindDriver driven;      // the wind last handed to the stand, to hand over changes only
};

std::unique_ptr<WindowStand> shown;

} // namespace

int prepareWindowStand()
{
    if (standPath.empty()) return -1;
    shown = std::make_unique<WindowStand>();
    const int status = prepareStand("arborvane", standPath, dataDir, shown->run);
    if (status != 0) return status;
    dataDir = shown->run.dataDirs.front(); // the window's textures: the first tree's
    return -1;
}

bool windowShowsStand() { return shown != nullptr; }

void startWindowStand()
{
    if (!shown) return;
    std::string error;
    if (!openStand(standPath, shown->run, view.wind, shown->stand, error)) {
        std::fprintf(stderr, "arborvane: %s\n", error.c_str());
        std::exit(1);
    }
    shown->driven = view.wind;
    // The lawn and the ground reach further than one tree's.
    buildStandGround(assets);
    view.farPlane = kStandFarPlane;
    applyWindowSize(view, view.windowWidth, view.windowHeight);
    std::vector<GroundPlace> places;
    for (const StandTree& t : shown->run.file.trees) places.push_back({t.placement.x, t.placement.z, t.placement.turn});
    sizeStandDrawing(shown->drawing, shown->stand, places);
    Vec3 eye, target;
    standCamera(places, eye, target);
    view.cameraEye = eye;
    view.cameraView = lookAtView(eye, target);
}

void displayStand()
{
    WindowStand& s = *shown;
    followWindRotation(view);
    if (!sameWindDriver(s.driven, view.wind)) { // a key, the menu or a drag chose another wind
        arborvane::SceneAccess::drive(s.stand, view.wind);
        s.driven = view.wind;
    }
    const WindSettings wind = windSettingsOf(s.stand);
    int triangles = 0;
    for (size_t k = 0; k < s.stand.treeCount(); ++k)
        triangles += arborvane::SceneAccess::scene(s.stand.tree(k))->tree.triangleCount;
    std::vector<std::string> lines;
    const int steps = overlayAndSteps(triangles, wind, lines);
    drawStand(s.drawing, s.stand, assets, view, wind);
    for (size_t i = 0; i < lines.size(); ++i)
        drawText(lines[i].c_str(), 0.02f, 0.95f - 0.05f * static_cast<float>(i));
    if (arborvane::Result stepped = s.stand.step(steps); !stepped) {
        std::fprintf(stderr, "arborvane: %s\n", stepped.message.c_str());
        std::exit(1);
    }
    glFinish();
    glutSwapBuffers();
    glutPostRedisplay();
}
