#include "scene/bounds.h"

#include <cmath>
#include <vector>

#include "grass/grass_field.h"
#include "tree/tree_model.h"

namespace {

// 1.25 ln(10 i), i = 0.5, 1..15, held to 10 significant digits.
constexpr double kProfile[16] = {2.011797391, 2.878231366, 3.744665342, 4.251496727, 4.611099318, 4.890028757,
                                 5.117930703, 5.310619053, 5.477533293, 5.624762088, 5.756462732, 5.875600457,
                                 5.984364678, 6.084418063, 6.177053028, 6.263294118};

void widen(Vec3& lo, Vec3& hi, const Vec3& p)
{
    if (p.x < lo.x) lo.x = p.x;
    if (p.y < lo.y) lo.y = p.y;
    if (p.z < lo.z) lo.z = p.z;
    if (p.x > hi.x) hi.x = p.x;
    if (p.y > hi.y) hi.y = p.y;
    if (p.z > hi.z) hi.z = p.z;
}

// A flat box has no normalised coordinate on that axis: 0.
double normalised(double v, double lo, double hi)
{
    const double extent = hi - lo;
    return extent != 0.0 ? (v - lo) / extent : 0.0;
}

// Where the tree stands in the field, and how the grid repeats there.
struct Place {
    const TreePlacement& placement; // the tree's placement
    bool origin;                    // at the field's origin, unturned: the lone tree, bit for bit
    double period;                  // the grid's period in normalised coordinates, n / (n - 1); 0: none
    FieldPoints* points;            // where to note each part's field position; null: nowhere
};

// A normalised coordinate moved into [0, period): a placed part may stand
// off the box, and the sampler wants a coordinate that is not negative.
double wrapped(double a, double period)
{
    if (period <= 0.0 || (a >= 0.0 && a < period)) return a;
    const double w = a - std::floor(a / period) * period;
    return w >= 0.0 && w < period ? w : 0.0;
}

void placePart(const Vec3& m, const Vec3& lo, const Vec3& hi, const Place& place, double& windScale,
               Vec3& noisePosition, std::vector<double>* field)
{
    const double h = normalised(m.y, lo.y, hi.y);
    windScale = heightProfile(h);
    if (place.origin) {
        noisePosition = {h * 0.125, normalised(m.z, lo.z, hi.z), normalised(m.x, lo.x, hi.x), 0};
    } else {
        const Vec3 p = intoField(place.placement, m);
        noisePosition = {h * 0.125, wrapped(normalised(p.z, lo.z, hi.z), place.period),
                         wrapped(normalised(p.x, lo.x, hi.x), place.period), 0};
    }
    if (field) {
        const Vec3 p = place.origin ? m : intoField(place.placement, m);
        field->push_back(p.x);
        field->push_back(p.z);
    }
}

int liveBlades(const GrassField& grass) { return grass.blades ? grass.bladeCount : 0; }

// The box over branch points, leaf tips and (in x and z only) grass roots.
void measureScene(TreeModel& model, const GrassField& grass)
{
    Vec3 lo{9999.0, 9999.0, 9999.0, 0};
    Vec3 hi{-9999.0, -9999.0, -9999.0, 0};
    const int branchCount = liveBranchCount(model);
    for (int i = 0; i < branchCount; ++i) {
        const Branch& b = model.branches[i];
        if (!b.points) continue;
        for (int k = 0; k < b.pointCount; ++k) widen(lo, hi, b.points[k]);
        for (const Leaf& leaf : b.leaves)
            if (leaf.pointCount >= 1 && leaf.pointCount <= kPetiolePoints)
                widen(lo, hi, leaf.petiolePoints[leaf.pointCount - 1]);
    }
    const int bladeCount = liveBlades(grass);
    for (int i = 0; i < bladeCount; ++i) {
        const Vec3& r = grass.blades[i].centre[0];
        if (r.x < lo.x) lo.x = r.x;
        if (r.z < lo.z) lo.z = r.z;
        if (r.x > hi.x) hi.x = r.x;
        if (r.z > hi.z) hi.z = r.z;
    }
    // An axis that saw no point (no tree, or no tree and no grass) would keep
    // the inverted start values and throw the grass to y = 9999: collapse it to 0.
    if (lo.x > hi.x) lo.x = hi.x = 0.0;
    if (lo.y > hi.y) lo.y = hi.y = 0.0;
    if (lo.z > hi.z) lo.z = hi.z = 0.0;
    model.boundsMin = lo;
    model.boundsMax = hi;
}

// Notes a part that samples no wind at the origin, so every part keeps its index.
void noWindPoint(std::vector<double>* field, int parts)
{
    if (field) field->insert(field->end(), 2 * static_cast<size_t>(parts), 0.0);
}

// Wind height factor and noise position of every branch (its middle point),
// leaf (its tip) and blade (its root, no height), from the box.
void placeInWind(TreeModel& model, GrassField& grass, const Place& place)
{
    const Vec3 lo = model.boundsMin, hi = model.boundsMax;
    FieldPoints* points = place.points;
    if (points) *points = {};
    const int branchCount = liveBranchCount(model);
    for (int i = 0; i < branchCount; ++i) {
        Branch& b = model.branches[i];
        if (!b.points || b.pointCount < 1) {
            noWindPoint(points ? &points->branches : nullptr, 1);
            noWindPoint(points ? &points->leaves : nullptr, kLeavesPerBranch);
            continue;
        }
        placePart(b.points[b.pointCount / 2], lo, hi, place, b.windScale, b.noisePosition,
                  points ? &points->branches : nullptr);
        for (Leaf& leaf : b.leaves)
            if (leaf.pointCount >= 1 && leaf.pointCount <= kPetiolePoints)
                placePart(leaf.petiolePoints[leaf.pointCount - 1], lo, hi, place, leaf.windScale, leaf.noisePosition,
                          points ? &points->leaves : nullptr);
            else
                noWindPoint(points ? &points->leaves : nullptr, 1);
    }
    const int bladeCount = liveBlades(grass);
    for (int i = 0; i < bladeCount; ++i) {
        GrassBlade& blade = grass.blades[i];
        const Vec3 r = blade.centre[0];
        // The lawn belongs to the field: where it lies, whatever the tree's placement.
        blade.noisePosition = {0.0, normalised(r.z, lo.z, hi.z), normalised(r.x, lo.x, hi.x), 0};
        if (points) {
            points->blades.push_back(r.x);
            points->blades.push_back(r.z);
        }
    }
}

// Every blade moved in y so its root stands at groundY; its rest shape is that.
void dropGrassToGround(GrassField& grass, double groundY)
{
    const int bladeCount = liveBlades(grass);
    for (int i = 0; i < bladeCount; ++i) {
        GrassBlade& blade = grass.blades[i];
        const double rootY = blade.centre[0].y;
        for (int j = 0; j < kGrassLevels; ++j) {
            blade.centre[j].y = blade.centre[j].y - rootY + groundY;
            blade.edge[j].y = blade.edge[j].y - rootY + groundY;
            blade.restCentre[j] = blade.centre[j];
            blade.restEdge[j] = blade.edge[j];
        }
    }
}

} // namespace

double fieldNoiseCoordinate(double v, double lo, double hi, double period)
{
    return wrapped(normalised(v, lo, hi), period);
}

double heightProfile(double h)
{
    const double b = 16.0 * h;
    if (b < 0.0) return 0.32120436196957786;
    if (b >= 15.0) return 1.0;
    if (!(b >= 0.0)) return 0.32120436196957786; // NaN height: the ground value
    const int i = static_cast<int>(b);
    return (kProfile[i] * (i + 1 - b) + kProfile[i + 1] * (b - i)) / kProfile[15];
}

void measureAndPlaceScene(TreeModel& model, GrassField& grass)
{
    measureScene(model, grass);
    const TreePlacement origin;
    placeInWind(model, grass, {origin, true, 0.0, nullptr});
    dropGrassToGround(grass, model.boundsMin.y);
}

void measureAndPlaceScene(TreeModel& model, GrassField& grass, const TreePlacement& placement, int noiseSize,
                          FieldPoints& points)
{
    measureScene(model, grass);
    const double period = noiseSize > 1 ? static_cast<double>(noiseSize) / (noiseSize - 1) : 0.0;
    placeInWind(model, grass, {placement, atOrigin(placement), period, &points});
    dropGrassToGround(grass, model.boundsMin.y);
}
