#include "render/stand_draw.h"

#include <algorithm>
#include <cmath>

#include "api/scene_access.h"
#include "arborvane/arborvane.h"
#include "batch/stand_batches.h"
#include "render/frame_draw.h"
#include "scene/scene.h"

namespace {

// Tiles of the field's size (its blade roots' x/z span) covering extent, centred on the origin.
std::vector<GroundPlace> lawnTiles(const Scene& lawn, const double* extent)
{
    if (!extent || !lawn.grass.blades || lawn.grass.bladeCount <= 0) return {GroundPlace{}};
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    for (int i = 0; i < lawn.grass.bladeCount; ++i) {
        const Vec3& root = lawn.grass.blades[i].restCentre[0];
        const double xz[2] = {root.x, root.z};
        for (int a = 0; a < 2; ++a) {
            lo[a] = i ? std::min(lo[a], xz[a]) : xz[a];
            hi[a] = i ? std::max(hi[a], xz[a]) : xz[a];
        }
    }
    int count[2];
    double size[2];
    for (int a = 0; a < 2; ++a) {
        size[a] = std::max(hi[a] - lo[a], 1.0);
        count[a] = std::max(1, static_cast<int>(std::ceil(extent[a] / size[a] - 1e-9)));
    }
    std::vector<GroundPlace> tiles;
    for (int i = 0; i < count[0]; ++i)
        for (int j = 0; j < count[1]; ++j)
            tiles.push_back({(i - 0.5 * (count[0] - 1)) * size[0], (j - 0.5 * (count[1] - 1)) * size[1], 0.0});
    return tiles;
}

} // namespace

void sizeStandDrawing(StandDrawing& drawing, const arborvane::Stand& stand, const std::vector<GroundPlace>& places,
                      const double* extent)
{
    drawing.places = places;
    drawing.trees.resize(stand.treeCount());
    for (size_t k = 0; k < stand.treeCount(); ++k)
        // The blade indices and texture coordinates are the same for trees of one leaf count: one copy.
        sizeDrawBatches(drawing.trees[k], *arborvane::SceneAccess::scene(stand.tree(k)),
                        k ? drawing.trees[0].fixed : nullptr);
    const Scene& lawn = *arborvane::SceneAccess::scene(stand.tree(0));
    sizeDrawBatches(drawing.lawn, lawn, drawing.trees[0].fixed);
    drawing.tiles = lawnTiles(lawn, extent);
}

void drawStand(StandDrawing& drawing, const arborvane::Stand& stand, const RenderAssets& assets,
               const ViewState& view, const WindSettings& wind)
{
    drawing.treeViews.clear();
    drawing.lawnViews.clear();
    std::vector<PlacedBatches> parts;
    for (size_t k = 0; k < stand.treeCount(); ++k) {
        drawing.treeViews.push_back(placedView(view, drawing.places[k]));
        fillViewBatches(drawing.trees[k], *arborvane::SceneAccess::scene(stand.tree(k)), drawing.treeViews[k]);
        dropGrassBatches(drawing.trees[k]);
    }
    fillViewBatches(drawing.lawn, *arborvane::SceneAccess::scene(stand.tree(0)), view);
    keepGrassBatches(drawing.lawn);
    for (const GroundPlace& tile : drawing.tiles) drawing.lawnViews.push_back(placedView(view, tile));
    for (size_t k = 0; k < drawing.trees.size(); ++k) parts.push_back({&drawing.trees[k], &drawing.treeViews[k]});
    for (const ViewState& tile : drawing.lawnViews) parts.push_back({&drawing.lawn, &tile});
    drawStandFrame(assets, parts.data(), static_cast<int>(parts.size()), view, wind);
}

WindSettings windSettingsOf(const arborvane::Stand& stand)
{
    const arborvane::Wind w = stand.wind();
    return {w.regime == arborvane::WindRegime::gale, w.magnitude, {w.direction.x, w.direction.y, w.direction.z, 0}};
}
