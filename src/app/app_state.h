// Global state of the application shell: window, view, wind and flags.
#pragma once
#include <cstdint>

#include "math/mat4.h"
#include "textures/texture.h"

class Transformer;
struct GLUquadric;

extern int32_t windowWidth;       // current window size
extern int32_t windowHeight;
extern double nearPlane;          // perspective clipping distances
extern double farPlane;
extern Vec3 cameraEye;            // eye of the fixed camera
extern Vec3 lightRestPosition;    // light before lightRotation
extern Vec3 lightPosition;        // light of the current frame
extern Vec3 lightColour;          // diffuse/specular colour
extern float windMagnitude;       // overlay figure and simulation input
extern Vec3 windDirection;        // unit wind direction
extern bool galeMode;             // true: moderate gale, false: light breeze
extern bool showShadows;          // planar shadow pass on
extern bool skeletonView;         // translucent skeleton instead of bark and leaves
extern bool capturing;            // frame capture running
extern bool fullScreen;           // window in full-screen mode
extern int32_t captureFrameNumber; // next captured frame
extern int32_t interactionMode;   // 1 wind direction, 2 tree, 3 light
extern Transformer* activeTransformer; // manipulator of the current drag (owned)
extern Mat4 projectionMatrix;     // OpenGL order
extern Mat4 cameraView;           // OpenGL order
extern Mat4 windRotation;         // drag targets, OpenGL order
extern Mat4 treeRotation;
extern Mat4 lightRotation;
extern Mat4 dragBase;             // target at the start of the drag series
extern GLUquadric* arrowQuadric;  // cone of the wind arrow
extern unsigned int groundList;   // ground display list, built on the first frame
extern float fps;                 // overlay frame rate
extern const uint32_t* foliageSeedOverride; // fixed foliage seed for initScene (recorder); null: tick count
extern bool fatalLoadWaitsForKey; // scene texture failure waits for a key before exit (window program)

extern Texture trunkTexture;
extern Texture branchTexture;
extern Texture groundTexture;
extern Texture leafUpperTexture;
extern Texture leafLowerTexture;
extern Texture petioleTexture;
