// Hands the frame's vertex arrays (batch/draw_batches.h) to OpenGL: a few
// large draws instead of one small one per branch, leaf and blade.
#pragma once
#include "math/vec3.h"

struct DrawBatches;
struct RenderAssets;

// Textured view, with the modelview in tree space: trunk (lit), grass
// (unlit), branch bark (lit, white), lower then upper blade sides (unlit,
// culled), petioles (unlit). Leaves texturing and lighting on, the colour
// white and the petiole texture bound, as drawing leaf by leaf did.
void drawSceneBatches(const DrawBatches& batches, const RenderAssets& assets);

// Shadow pass, with the modelview in tree space: branch shadows, leaf
// outlines, then the grass flattened along light. Leaves lighting and
// texturing off.
void drawShadowBatches(const DrawBatches& batches, const Vec3& light);
