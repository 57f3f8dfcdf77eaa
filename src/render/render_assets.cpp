#include "render/render_assets.h"

#include <GL/glu.h>

#include "data_constants/data_folder.h"
#include "data_constants/scene_look.h"
#include "platform/platform.h"
#include "render/ground.h"
#include "view/view_state.h"

bool loadSceneTextures(RenderAssets& assets, const std::string& dataDir, std::string& failedPath)
{
    for (int i = 0; i < kSceneTextureCount; ++i) {
        const std::string path = dataPath(dataDir, kSceneTextureNames[i]);
        if (loadBmpTexture(path.c_str(), assets.sceneTextures[i])) continue;
        failedPath = path;
        return false;
    }
    return true;
}

bool loadGrassTextures(RenderAssets& assets, const std::string& dataDir, std::string* failure)
{
    for (int i = 0; i < kGrassTextureCount; ++i) {
        const std::string path = dataPath(dataDir, kGrassTextureNames[i]);
        std::string why;
        if (loadBmpTexture(path.c_str(), assets.grassTextures[i], &why)) continue;
        if (failure) *failure = path + ": " + why;
        return false;
    }
    return true;
}

void buildRenderAssets(RenderAssets& assets)
{
    assets.groundList = glGenLists(1);
    glNewList(assets.groundList, GL_COMPILE);
    drawGround(assets);
    glEndList();
    assets.arrowQuadric = gluNewQuadric();
    gluQuadricNormals(assets.arrowQuadric, GLU_SMOOTH);
}

void buildStandGround(RenderAssets& assets)
{
    assets.standGroundList = glGenLists(1);
    glNewList(assets.standGroundList, GL_COMPILE);
    drawGround(assets, 96); // 2400 units a side
    glEndList();
}

namespace {

Mat4 readModelview()
{
    Mat4 m;
    glGetDoublev(GL_MODELVIEW_MATRIX, m.m);
    return m;
}

} // namespace

void initGlState(ViewState& view)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearColor(kSkyColour[0] / 255.0f, kSkyColour[1] / 255.0f, kSkyColour[2] / 255.0f, 1.0f);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glMateriali(GL_FRONT, GL_SHININESS, 128);

    // Camera matrices, built on the modelview stack and read back.
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(view.windowWidth) / static_cast<double>(view.windowHeight),
                   view.nearPlane, view.farPlane);
    view.projectionMatrix = readModelview();
    glLoadIdentity();
    gluLookAt(view.cameraEye.x, view.cameraEye.y, view.cameraEye.z, 0.0, 2.0, 0.0, 0.0, 1.0, 0.0);
    view.cameraView = readModelview();
    glPopMatrix();

    view.windRotation = identity();
    view.lightRotation = identity();
    view.treeRotation = identity();
}

void applyWindowSize(ViewState& view, int width, int height)
{
    view.windowWidth = width;
    view.windowHeight = height;
    glViewport(0, 0, width, height);
    if (height <= 0) return;
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(width) / static_cast<double>(height), view.nearPlane, view.farPlane);
    glGetDoublev(GL_MODELVIEW_MATRIX, view.projectionMatrix.m);
    glPopMatrix();
}

void enableLight(const ViewState& view)
{
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    const GLfloat colour[4] = {static_cast<float>(view.lightColour.x), static_cast<float>(view.lightColour.y),
                               static_cast<float>(view.lightColour.z), 0.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, colour);
    glViewport(0, 0, view.windowWidth, view.windowHeight);
}
