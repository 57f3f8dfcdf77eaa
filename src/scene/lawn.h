// A lawn grown over a stand's ground: the loaded grass field repeated in
// tiles of its own size, every copy a blade of its own.
#pragma once
#include <cstddef>
#include <vector>

#include "data_constants/grass_file.h"
#include "math/vec3.h"
#include "scene/placement.h"

struct GrassField;

// The lawn's size along x and z, centred on the field's origin, model units.
// Zero (or within one tile) along both: the field as loaded.
struct LawnExtent {
    double x = 0.0; /// along x, model units
    double z = 0.0; /// along z, model units
};

// Tiles of the field's size (its blade roots' x/z span, at least 1) that
// cover extent, centred on the origin: count along x and z, and each tile's
// x/z offset, x major.
struct LawnTiles {
    int count[2] = {1, 1};       /// tiles along x and z
    double size[2] = {1.0, 1.0}; /// a tile's x and z span, model units
    std::vector<double> offsets; /// per tile its x, z offset, model units
};
LawnTiles lawnTiles(const GrassField& grass, const LawnExtent& extent);

// The most blades a lawn grows to (about 0.9 kB each, and as much again to draw); more are refused.
constexpr std::size_t kMaxLawnBlades = kMaxGrassBlades;

// Grows the placed, grounded field to the tiles over extent. The tile
// nearest the origin keeps the loaded blades (array start, their own
// oscillator draws); the other tiles follow in tile order, copies with
// oscillators drawn from a stream of the lawn's own. Every blade samples the
// noise where it lies (the box lo..hi, wrapped over period as placed trees'
// parts are) and notes its root in points.blades. Within one tile nothing
// changes. False, changing nothing, when the lawn would pass kMaxLawnBlades.
bool growLawn(GrassField& grass, const LawnExtent& extent, const Vec3& lo, const Vec3& hi, double period,
              FieldPoints& points);
