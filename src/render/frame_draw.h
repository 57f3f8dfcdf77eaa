// One frame of the scene as the window shows it, without the overlay:
// clear, light, ground, tree with grass, wind arrow, shadows. Draws the
// arrays fillViewBatches made for the same view; only the skeleton view is
// given the scene. Writes nothing back.
#pragma once
#include "math/vec3.h"
#include "wind/wind_settings.h"

struct DrawBatches;
struct RenderAssets;
struct Scene;
struct ViewState;

// The textured view: it reads only the arrays made for this view, the
// assets and the view, so the step thread may write the scene meanwhile.
void drawFrame(const RenderAssets& assets, const DrawBatches& batches, const ViewState& view);
// The skeleton view: branches, frame axes and grass straight from the scene
// (shadows from the arrays); the frame steps only after it is drawn.
void drawSkeletonFrame(const Scene& scene, const RenderAssets& assets, const DrawBatches& batches,
                       const ViewState& view);
// One part of a stand's frame: arrays filled for view (placedView: the
// stand's view with this tree's place), drawn under that view.
struct PlacedBatches {
    const DrawBatches* batches; // what to draw
    const ViewState* view;      // the view they were filled for
};
// A stand: clear, light and ground once from view, then every part's bark,
// leaves and grass, the wind arrow at the origin, then every part's shadows.
void drawStandFrame(const RenderAssets& assets, const PlacedBatches* parts, int count, const ViewState& view,
                    const WindSettings& wind);
void drawDirectionArrow(const RenderAssets& assets, Vec3 direction, double lengthFactor);
void drawArrow(const RenderAssets& assets, float length, float headLength, float headRadius);
