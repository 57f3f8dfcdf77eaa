#include "render/stand_draw.h"

#include <algorithm>
#include <cmath>

#include "api/scene_access.h"
#include "arborvane/arborvane.h"
#include "render/frame_draw.h"
#include "scene/scene.h"

void sizeStandDrawing(StandDrawing& drawing, const arborvane::Stand& stand, const std::vector<GroundPlace>& places)
{
    drawing.places = places;
    drawing.trees.resize(stand.treeCount());
    for (DrawBatches& tree : drawing.trees) tree.parts = BatchParts::tree;
    drawing.lawn.parts = BatchParts::grass;
    drawing.lawn.grassSheen = true; // blade bending is too small to see at a stand's distance
    for (size_t k = 0; k < stand.treeCount(); ++k)
        // The blade indices and texture coordinates are the same for trees of one leaf count: one copy.
        sizeDrawBatches(drawing.trees[k], *arborvane::SceneAccess::scene(stand.tree(k)),
                        k ? drawing.trees[0].fixed : nullptr);
    const Scene& lawn = *arborvane::SceneAccess::scene(stand.tree(0));
    sizeDrawBatches(drawing.lawn, lawn, drawing.trees[0].fixed);
}

void drawStand(StandDrawing& drawing, const arborvane::Stand& stand, const RenderAssets& assets,
               const ViewState& view, const WindSettings& wind)
{
    drawing.treeViews.clear();
    std::vector<PlacedBatches> parts;
    for (size_t k = 0; k < stand.treeCount(); ++k) {
        drawing.treeViews.push_back(placedView(view, drawing.places[k]));
        fillViewBatches(drawing.trees[k], *arborvane::SceneAccess::scene(stand.tree(k)), drawing.treeViews[k]);
    }
    fillViewBatches(drawing.lawn, *arborvane::SceneAccess::scene(stand.tree(0)), view);
    for (size_t k = 0; k < drawing.trees.size(); ++k) parts.push_back({&drawing.trees[k], &drawing.treeViews[k]});
    // The lawn lies in the field as it is: drawn once, unplaced.
    parts.push_back({&drawing.lawn, &view});
    drawStandFrame(assets, parts.data(), static_cast<int>(parts.size()), view, wind);
}

WindSettings windSettingsOf(const arborvane::Stand& stand)
{
    const arborvane::Wind w = stand.wind();
    return {w.regime == arborvane::WindRegime::gale, w.magnitude, {w.direction.x, w.direction.y, w.direction.z, 0}};
}
