// One frame of the scene as the window shows it, without the overlay:
// clear, light, ground, tree with grass, wind arrow, shadows. Draws the
// arrays fillViewBatches made for the same view; only the skeleton view reads
// the scene itself. Writes nothing back.
#pragma once
#include "math/vec3.h"

struct DrawBatches;
struct RenderAssets;
struct Scene;
struct ViewState;

void drawFrame(const Scene& scene, const RenderAssets& assets, const DrawBatches& batches, const ViewState& view);
// The tree, the grass and the red wind arrow under treeRotation.
void drawTreeScene(const Scene& scene, const RenderAssets& assets, const DrawBatches& batches, const ViewState& view);
void drawDirectionArrow(const RenderAssets& assets, Vec3 direction, double lengthFactor);
void drawArrow(const RenderAssets& assets, float length, float headLength, float headRadius);
