// A stand's frame: every tree's arrays made for its place in the present
// view, one lawn (the first tree's grass, grown over the stand's extent), drawn over one ground. The
// recorder and the window draw a stand this one way.
#pragma once
#include <vector>

#include "batch/draw_batches.h"
#include "view/stand_view.h"
#include "view/view_state.h"
#include "wind/wind_settings.h"

namespace arborvane {
class Stand;
}
struct RenderAssets;

struct StandDrawing {
    std::vector<GroundPlace> places;   // each tree's place, stand order
    std::vector<DrawBatches> trees;    // each tree's arrays, without grass
    DrawBatches lawn;                  // the first tree's grass, the stand's one lawn
    std::vector<ViewState> treeViews;  // scratch: each tree's placed view of this frame
};

// Sizes the arrays for the stand's trees at places (one per tree) and for
// the lawn, the first tree's grass as the stand grew it.
void sizeStandDrawing(StandDrawing& drawing, const arborvane::Stand& stand, const std::vector<GroundPlace>& places);

// Fills every array for view and draws the frame (clear, light, ground,
// trees, lawn, the wind arrow at the origin, shadows); the stand must not
// step meanwhile.
void drawStand(StandDrawing& drawing, const arborvane::Stand& stand, const RenderAssets& assets,
               const ViewState& view, const WindSettings& wind);

// The public wind as the core's settings.
WindSettings windSettingsOf(const arborvane::Stand& stand);
