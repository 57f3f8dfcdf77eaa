#include "app/app_state.h"

int32_t windowWidth = 800;
int32_t windowHeight = 600;
double nearPlane = 0.1;
double farPlane = 200.0;
Vec3 cameraEye{0.0, 2.0, 12.0, 0};
Vec3 lightRestPosition{-10.0, 12.0, 5.0, 0};
Vec3 lightPosition{-10.0, 12.0, 5.0, 0};
Vec3 lightColour{1.0, 1.0, 1.0, 0};
float windMagnitude = 400.0f;
Vec3 windDirection{1.0, 0.0, 0.0, 0};
bool galeMode = true;
bool showShadows = true;
bool skeletonView = false;
bool capturing = false;
bool fullScreen = false;
int32_t captureFrameNumber = 0;
int32_t interactionMode = 2;
Transformer* activeTransformer = nullptr;
Mat4 projectionMatrix = identity();
Mat4 cameraView = identity();
Mat4 windRotation = identity();
Mat4 treeRotation = identity();
Mat4 lightRotation = identity();
Mat4 dragBase = identity();
GLUquadric* arrowQuadric = nullptr;
unsigned int groundList = 0;
float fps = 0.0f;
const uint32_t* foliageSeedOverride = nullptr;
bool fatalLoadWaitsForKey = true;

Texture trunkTexture;
Texture branchTexture;
Texture groundTexture;
Texture leafUpperTexture;
Texture leafLowerTexture;
Texture petioleTexture;
