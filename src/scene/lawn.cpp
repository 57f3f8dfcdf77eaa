#include "scene/lawn.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "grass/grass_field.h"
#include "scene/bounds.h"

namespace {

// The copies' oscillators: a stream of their own, the same in every run, so
// the loaded field's draws (and the foliage after them) stay as they were.
constexpr uint32_t kLawnDrawSeed = 0x1a3e5u;

// The tile whose offset lies nearest the origin (the first of equals).
int nearestTile(const LawnTiles& tiles)
{
    int best = 0;
    for (size_t t = 1; 2 * t < tiles.offsets.size(); ++t)
        if (std::hypot(tiles.offsets[2 * t], tiles.offsets[2 * t + 1]) <
            std::hypot(tiles.offsets[2 * best], tiles.offsets[2 * best + 1]))
            best = static_cast<int>(t);
    return best;
}

// The blade moved over the ground by (dx, dz), live and rest shapes alike.
void shiftBlade(GrassBlade& blade, double dx, double dz)
{
    for (Vec3* points : {blade.centre, blade.edge, blade.restCentre, blade.restEdge})
        for (int j = 0; j < kGrassLevels; ++j) {
            points[j].x += dx;
            points[j].z += dz;
        }
}

} // namespace

LawnTiles lawnTiles(const GrassField& grass, const LawnExtent& extent)
{
    LawnTiles tiles;
    const int blades = grass.blades ? grass.bladeCount : 0;
    double lo[2] = {0, 0}, hi[2] = {0, 0};
    for (int i = 0; i < blades; ++i) {
        const Vec3& root = grass.blades[i].centre[0];
        const double xz[2] = {root.x, root.z};
        for (int a = 0; a < 2; ++a) {
            lo[a] = i ? std::min(lo[a], xz[a]) : xz[a];
            hi[a] = i ? std::max(hi[a], xz[a]) : xz[a];
        }
    }
    const double want[2] = {extent.x, extent.z};
    for (int a = 0; a < 2; ++a) {
        tiles.size[a] = std::max(hi[a] - lo[a], 1.0);
        tiles.count[a] = blades ? std::max(1, static_cast<int>(std::ceil(want[a] / tiles.size[a] - 1e-9))) : 1;
    }
    for (int i = 0; i < tiles.count[0]; ++i)
        for (int j = 0; j < tiles.count[1]; ++j) {
            tiles.offsets.push_back((i - 0.5 * (tiles.count[0] - 1)) * tiles.size[0]);
            tiles.offsets.push_back((j - 0.5 * (tiles.count[1] - 1)) * tiles.size[1]);
        }
    return tiles;
}

bool growLawn(GrassField& grass, const LawnExtent& extent, const Vec3& lo, const Vec3& hi, double period,
              FieldPoints& points)
{
    const LawnTiles tiles = lawnTiles(grass, extent);
    const size_t tileCount = tiles.offsets.size() / 2;
    if (tileCount <= 1) return true;
    const size_t n = static_cast<size_t>(grass.bladeCount);
    if (n * tileCount > kMaxLawnBlades) return false;
    std::unique_ptr<GrassBlade[]> lawn(new (std::nothrow) GrassBlade[n * tileCount]);
    if (!lawn) return false;
    const size_t first = static_cast<size_t>(nearestTile(tiles));
    Random draws;
    draws.seed(kLawnDrawSeed);
    points.blades.clear();
    size_t at = 0;
    for (size_t k = 0; k < tileCount; ++k) {
        const size_t t = k == 0 ? first : (k <= first ? k - 1 : k);
        for (size_t b = 0; b < n; ++b, ++at) {
            GrassBlade& blade = lawn[at];
            blade = grass.blades[b];
            shiftBlade(blade, tiles.offsets[2 * t], tiles.offsets[2 * t + 1]);
            if (k > 0) blade.drawOscillator(draws);
            const Vec3& r = blade.centre[0];
            blade.noisePosition = {0.0, fieldNoiseCoordinate(r.z, lo.z, hi.z, period),
                                   fieldNoiseCoordinate(r.x, lo.x, hi.x, period), 0};
            points.blades.push_back(r.x);
            points.blades.push_back(r.z);
        }
    }
    grass.blades = std::move(lawn);
    grass.bladeCount = static_cast<int32_t>(n * tileCount);
    return true;
}
