#include "app/startup.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "app/frame_stats.h"
#include "dynamics/setup.h"
#include "platform/platform.h"
#include "render/leaf_lists.h"
#include "scenery/grass_draw.h"
#include "scenery/grass_field.h"
#include "tree/leaf_template.h"
#include "tree/tree_model.h"
#include "wind/noise_field.h"

namespace {

struct SceneTexture {
    Texture& texture;
    const char* path;
};

Mat4 readModelview()
{
    Mat4 m;
    glGetDoublev(GL_MODELVIEW_MATRIX, m.m);
    return m;
}

// Fatal: the scene cannot be drawn without its six textures.
void loadSceneTextures()
{
    const SceneTexture textures[] = {
        {trunkTexture, "./data/tree/tulip_trunk.bmp"},     {branchTexture, "./data/tree/tulip_branch.bmp"},
        {groundTexture, "./data/tree/ground.bmp"},         {leafUpperTexture, "./data/tree/poplar_leafup.bmp"},
        {leafLowerTexture, "./data/tree/poplar_leafdown.bmp"}, {petioleTexture, "./data/tree/poplar_petiole.bmp"}};
    for (const SceneTexture& t : textures) {
        if (loadBmpTexture(t.path, t.texture)) continue;
        consolePrintf("Error on loading texture %s", t.path);
        if (fatalLoadWaitsForKey) std::getchar(); // one character, or end of input
        else consolePrintf("\n");
        std::exit(1);
    }
}

void loadLeaf()
{
    FILE* file = std::fopen(kLeafModelPath, "r");
    if (file) loadLeafModel(file);
    else showNotice("File was not found!", kLeafModelPath);
    buildLeafBladeList();
    buildLeafShadowList();
}

} // namespace

bool initScene()
{
    initFrameStats();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearColor(60.0f / 255.0f, 168.0f / 255.0f, 248.0f / 255.0f, 1.0f);
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
    gluPerspective(45.0, static_cast<double>(windowWidth) / static_cast<double>(windowHeight), nearPlane, farPlane);
    projectionMatrix = readModelview();
    glLoadIdentity();
    gluLookAt(cameraEye.x, cameraEye.y, cameraEye.z, 0.0, 2.0, 0.0, 0.0, 1.0, 0.0);
    cameraView = readModelview();
    glPopMatrix();

    windRotation = identity();
    lightRotation = identity();
    treeRotation = identity();
    arrowQuadric = gluNewQuadric();
    gluQuadricNormals(arrowQuadric, GLU_SMOOTH);

    loadSceneTextures();
    loadLeaf();

    const char* grassPaths[kGrassTextureCount] = {"./data/grass/grass01.bmp", "./data/grass/grass02.bmp",
                                                  "./data/grass/grass03.bmp", "./data/grass/grass04.bmp"};
    if (loadGrassTextures(grassPaths))
        consolePrintf("Files %s~%s have successfully been loaded!\n", grassPaths[0], grassPaths[3]);
    else
        consolePrintf("Texture file loading error!\n");

    if (loadWindField(treeModel, kNoisePathU, kNoisePathV, kNoisePathW))
        consolePrintf("Files %s~%s have successfully been loaded!\n", kNoisePathU, kNoisePathW);
    else
        consolePrintf("Noise files loading error!\n");

    if (loadTreeModel(treeModel, kTreeModelPath))
        consolePrintf("File %s has successfully been loaded!\n", kTreeModelPath);
    else
        consolePrintf("File loading error!\n");

    if (loadGrassFile(treeModel, kGrassFilePath))
        consolePrintf("File %s has successfully been loaded!\n", kGrassFilePath);
    else
        consolePrintf("File loading error!\n");

    setUpSimulation(treeModel, leafTemplate, foliageSeedOverride);

    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    const GLfloat colour[4] = {static_cast<float>(lightColour.x), static_cast<float>(lightColour.y),
                               static_cast<float>(lightColour.z), 0.0f};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
    glLightfv(GL_LIGHT0, GL_SPECULAR, colour);
    glViewport(0, 0, windowWidth, windowHeight);
    return true;
}
