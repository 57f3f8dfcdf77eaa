// A stand's frame: every tree's arrays made for its place in the present
// view, one lawn (the first tree's grass, tiled), drawn over one ground. The
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
    std::vector<GroundPlace> tiles;    // where the lawn is drawn: one place per tile
    std::vector<DrawBatches> trees;    // each tree's arrays, without grass
    DrawBatches lawn;                  // the first tree's grass, the stand's one lawn
    std::vector<ViewState> treeViews;  // scratch: each tree's placed view of this frame
    std::vector<ViewState> lawnViews;  // scratch: each tile's view of this frame
};

// Sizes the arrays for the stand's trees at places (one per tree). extent:
// the lawn's [x, z] to cover with tiles of the first tree's field, centred
// on the origin; null for that field alone.
void sizeStandDrawing(StandDrawing& drawing, const arborvane::Stand& stand, const std::vector<GroundPlace>& places,
                      const double* extent);

// Fills every array for view and draws the frame (clear, light, ground,
// trees, lawn, the wind arrow at the origin, shadows); the stand must not
// step meanwhile.
void drawStand(StandDrawing& drawing, const arborvane::Stand& stand, const RenderAssets& assets,
               const ViewState& view, const WindSettings& wind);

// The public wind as the core's settings.
WindSettings windSettingsOf(const arborvane::Stand& stand);
