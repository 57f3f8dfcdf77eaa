// The frame's vertex arrays, filled from the scene without OpenGL.
//
// Sections, in order:
//   Counts and shared helpers: branchPointCapacity, bladeFaceCount, outlineCorners
//   Tubes: setTubeVertex, appendTube, appendBranchTube
//   Grass: oppositeEdge, edgePoint, appendGrass
//   Blade sides: markBladeSides, collectBladeSide
//   Sizing: fixedDataFor, sizeDrawBatches
//   Filling: fillBark, placeBlades, fillPetioles, fillBranchShadows, fillLeafOutlines, fillGrassShadow, fillBatches
//   Entry points: fillSceneBatches, fillViewBatches, fillShadowBatches, eyeInObjectSpace
#include "batch/draw_batches.h"

#include <algorithm>
#include <cmath>

#include "grass/grass_shade.h"
#include "math/planar_shadow.h"
#include "math/tube_geometry.h"
#include "math/vec_plain.h"
#include "platform/work_pool.h"
#include "scene/scene.h"
#include "tree/leaf_geometry.h"
#include "view/view_state.h"

// ---- Counts and shared helpers

namespace {

float f(double v) { return static_cast<float>(v); }

// Centre-line points a branch can hold: its rest count, doubled by refinement.
int branchPointCapacity(const TreeModel& tree, int b)
{
    const int rest = tree.restBranches[b].pointCount;
    const int live = tree.branches[b].pointCount;
    return std::min(kMaxRefinedPoints, std::max({2 * rest - 1, live, 0}));
}

int segments(int points) { return points > 1 ? points - 1 : 0; }

int bladeFaceCount(const LeafTemplate& tmpl)
{
    int n = 0;
    for (const auto& face : tmpl.bladeFaces) n += bladeFaceValid(face) ? 1 : 0;
    return n;
}

// Shadow strips take every second grass level.
int shadowStripLevels(int levels) { return (levels + 1) / 2; }

int lineBucket(int colourClass) { return 3 - static_cast<int>(thinShadowLineWidth(colourClass)); }

// The template vertices the shadow outline uses, each once, in the order the
// outline faces first name them; and each face corner's place in that list.
struct OutlineCorners {
    int vertex[kShadowOutlineFaces * 3] = {}; // template vertex of slot i
    int count = 0;                             // slots in use
    int slotOf[kShadowOutlineFaces][3] = {};   // face corner -> slot
    const float* colour[kShadowOutlineFaces * 3] = {}; // slot i's outline colour
};

const OutlineCorners& outlineCorners()
{
    static const OutlineCorners corners = [] {
        OutlineCorners c;
        for (int f = 0; f < kShadowOutlineFaces; ++f)
            for (int i = 0; i < 3; ++i) {
                const int k = shadowOutlineFaces[f][i];
                int slot = 0;
                while (slot < c.count && c.vertex[slot] != k) ++slot;
                if (slot == c.count) {
                    c.colour[c.count] = outlineColour(k);
                    c.vertex[c.count++] = k;
                }
                c.slotOf[f][i] = slot;
            }
        return c;
    }();
    return corners;
}

// ---- Tubes

// A tube vertex with its normal (lit bark) or without (unlit petioles).
void setTubeVertex(TubeVertex& out, const Vec3& n, double u, double v, const Vec3& p)
{
    out = {f(u), f(v), f(n.x), f(n.y), f(n.z), f(p.x), f(p.y), f(p.z)};
}
void setTubeVertex(TexturedVertex& out, const Vec3&, double u, double v, const Vec3& p)
{
    out = {f(u), f(v), f(p.x), f(p.y), f(p.z)};
}

// Collects one quad strip of a tube, then appends it as quads.
template <class V>
struct TubeQuadSink {
    explicit TubeQuadSink(StripMesh<V>& mesh) : out(mesh) {}
    StripMesh<V>& out;
    V strip[2 * kMaxTubeSides + 2];
    int count = 0;
    void beginStrip() { count = 0; }
    void vertex(const Vec3& n, double u, double v, const Vec3& p)
    {
        if (count < 2 * kMaxTubeSides + 2) setTubeVertex(strip[count++], n, u, v, p);
    }
    void endStrip() { out.appendStrip(strip, count); }
};

template <class V>
void appendTube(StripMesh<V>& out, int n, const Vec3* points, const double* radii, int sides)
{
    if (n < 2 || points == nullptr || radii == nullptr) return;
    TubeQuadSink<V> sink(out);
    traceTube(n, points, radii, sides, sink);
}

void appendBranchTube(StripMesh<TubeVertex>& out, const Branch& branch, int sides)
{
    appendTube(out, std::min(branch.pointCount, kMaxRefinedPoints), branch.points.get(), branch.radii.get(), sides);
}

// ---- Grass

// The two sides of level j: the far edge, then the edge.
PlainVertex oppositeEdge(const GrassBlade& blade, int j)
{
    const Vec3 o = bladeFarEdge(blade.centre[j], blade.edge[j]);
    return {f(o.x), f(o.y), f(o.z)};
}
PlainVertex edgePoint(const GrassBlade& blade, int j)
{
    const Vec3& e = blade.edge[j];
    return {f(e.x), f(e.y), f(e.z)};
}

// The pale side of a leaning blade catching the sky.
constexpr float kSheenColour[3] = {0.80f, 0.86f, 0.62f};
// How far its tip moves, over its length, before a blade pales and when it is as pale as it gets:
// a steady gale already leans most blades 0.4..0.9, so only a gust's extra lean shows.
constexpr double kSheenLeanStart = 0.60, kSheenLeanFull = 0.95;
constexpr float kSheenMostMix = 0.80f; // at the tip of a blade leaning fully

// 0 at rest up to 1 for a blade whose tip has moved kSheenLeanFull of its length.
float bladeSheen(const GrassBlade& blade, int levels)
{
    const Vec3 &tip = blade.centre[levels - 1], &restTip = blade.restCentre[levels - 1], &root = blade.restCentre[0];
    const double lx = restTip.x - root.x, ly = restTip.y - root.y, lz = restTip.z - root.z;
    const double dx = tip.x - restTip.x, dy = tip.y - restTip.y, dz = tip.z - restTip.z;
    const double length2 = lx * lx + ly * ly + lz * lz, moved2 = dx * dx + dy * dy + dz * dz;
    if (!(length2 > 1e-18) || !(moved2 > 0.0)) return 0.0f;
    const double x = std::clamp((std::sqrt(moved2 / length2) - kSheenLeanStart) / (kSheenLeanFull - kSheenLeanStart), 0.0, 1.0);
    return f(x * x * (3.0 - 2.0 * x));
}

void appendGrass(DrawBatches& batches, const GrassField& grass)
{
    const int levels = grassLevels(grass);
    const float perBlade = static_cast<float>(grass.pointsPerBlade);
    const int count = levels > 0 ? grass.bladeCount : 0;
    // Each blade's group read once: the records are large, and a pass per group
    // over all of them costs more than the drawing data itself.
    std::vector<uint8_t>& groupOf = batches.grassGroupOf;
    groupOf.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) groupOf[i] = static_cast<uint8_t>(grassTextureGroup(grass.blades[i]));
    GrassVertex strip[2 * kGrassLevels];
    for (int g = 0; g < kGrassGroups; ++g) {
        batches.grassGroupFirst[g] = static_cast<int>(batches.grass.indices.size());
        for (int i = 0; i < count; ++i) {
            if (groupOf[i] != g) continue;
            const GrassBlade& blade = grass.blades[i];
            const float r0 = f(blade.colour.x), g0 = f(blade.colour.y), b0 = f(blade.colour.z);
            const float sheen = batches.grassSheen && levels > 1 ? kSheenMostMix * bladeSheen(blade, levels) : 0.0f;
            for (int j = 0; j < levels; ++j) {
                const float t = static_cast<float>(j) / perBlade;
                // The root stays its own colour; the upper levels, which lean most, pale most.
                const float u = static_cast<float>(j) / static_cast<float>(levels > 1 ? levels - 1 : 1);
                const float m = sheen * u * (2.0f - u);
                const float r = r0 + m * (kSheenColour[0] - r0), gr = g0 + m * (kSheenColour[1] - g0),
                            b = b0 + m * (kSheenColour[2] - b0);
                const PlainVertex o = oppositeEdge(blade, j), e = edgePoint(blade, j);
                strip[2 * j] = {0.0f, t, r, gr, b, o.x, o.y, o.z};
                strip[2 * j + 1] = {1.0f, t, r, gr, b, e.x, e.y, e.z};
            }
            batches.grass.appendStrip(strip, 2 * levels);
        }
    }
    batches.grassGroupFirst[kGrassGroups] = static_cast<int>(batches.grass.indices.size());
}

// ---- Blade sides

// Marks blade triangles [first, end) by the side the eye sees: bit 1 lower
// (front face), bit 2 upper. A triangle whose plane passes within a small
// angle of the eye gets both: rounding in OpenGL may see it either way.
// Without an eye every triangle gets both.
void markBladeSides(DrawBatches& batches, const Vec3* eye, size_t first, size_t end)
{
    const std::vector<uint32_t>& all = batches.fixed->bladeIndices;
    uint8_t* side = batches.bladeSides.data();
    if (eye == nullptr) {
        std::fill(side + first, side + end, uint8_t{3});
        return;
    }
    const PlainVertex* v = batches.blades.data();
    const size_t n = batches.blades.size();
    const double ex = eye->x, ey = eye->y, ez = eye->z;
    for (size_t t = first; t < end; ++t) {
        const uint32_t i0 = all[3 * t], i1 = all[3 * t + 1], i2 = all[3 * t + 2];
        side[t] = 0;
        if (i0 >= n || i1 >= n || i2 >= n) continue;
        const PlainVertex &a = v[i0], &b = v[i1], &c = v[i2];
        // Plain arithmetic: this runs for every blade triangle of every frame.
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const double wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        const double dx = ex - a.x, dy = ey - a.y, dz = ez - a.z;
        const double facing = nx * dx + ny * dy + nz * dz;
        // Within about 0.06 degrees of edge-on (squared, to spare the root).
        const bool edgeOn = facing * facing <= 1e-6 * (nx * nx + ny * ny + nz * nz) * (dx * dx + dy * dy + dz * dz);
        side[t] = static_cast<uint8_t>(((facing > 0.0 || edgeOn) ? 1 : 0) | ((facing < 0.0 || edgeOn) ? 2 : 0));
    }
}

// The triangles marked with bit into one index list, in their fixed order.
void collectBladeSide(DrawBatches& batches, uint8_t bit, std::vector<uint32_t>& out)
{
    const std::vector<uint32_t>& all = batches.fixed->bladeIndices;
    const uint8_t* side = batches.bladeSides.data();
    const size_t triangles = std::min(batches.bladeSides.size(), all.size() / 3);
    for (size_t t = 0; t < triangles; ++t)
        if (side[t] & bit) {
            out.push_back(all[3 * t]);
            out.push_back(all[3 * t + 1]);
            out.push_back(all[3 * t + 2]);
        }
}

} // namespace

// ---- Sizing

namespace {

// Blade texture coordinates and triangles and the outline triangles never
// change: made once, or shared from share when it fits the same scene.
std::shared_ptr<const FixedBatchData> fixedDataFor(size_t leaves, size_t bladeTriangles, const LeafTemplate& tmpl,
                                                   const std::shared_ptr<const FixedBatchData>& share)
{
    if (share && share->bladeTexCoords.size() == leaves * kBladeVertices &&
        share->bladeIndices.size() == bladeTriangles * 3 &&
        share->leafOutlineIndices.size() == leaves * kShadowOutlineFaces * 3)
        return share;
    const OutlineCorners& corners = outlineCorners();
    auto fixed = std::make_shared<FixedBatchData>();
    fixed->leafOutlineIndices.reserve(leaves * kShadowOutlineFaces * 3);
    for (size_t leaf = 0; leaf < leaves; ++leaf)
        for (const auto& face : corners.slotOf)
            for (int slot : face) fixed->leafOutlineIndices.push_back(static_cast<uint32_t>(leaf * corners.count + slot));
    fixed->bladeTexCoords.resize(leaves * kBladeVertices);
    for (size_t leaf = 0; leaf < leaves; ++leaf)
        for (int k = 0; k < kBladeVertices; ++k)
            fixed->bladeTexCoords[leaf * kBladeVertices + k] = {f(tmpl.bladeTexCoords[k][0]), f(tmpl.bladeTexCoords[k][1])};
    fixed->bladeIndices.reserve(bladeTriangles * 3);
    for (size_t leaf = 0; leaf < leaves; ++leaf)
        for (const auto& face : tmpl.bladeFaces) {
            if (!bladeFaceValid(face)) continue;
            for (int i = 0; i < 3; ++i)
                fixed->bladeIndices.push_back(static_cast<uint32_t>(leaf * kBladeVertices + face[i]));
        }
    return fixed;
}

} // namespace

void sizeDrawBatches(DrawBatches& batches, const Scene& scene, const std::shared_ptr<const FixedBatchData>& share)
{
    const TreeModel& tree = scene.tree;
    const int branchCount = std::clamp(tree.branchCount, 0, kBranchCount);
    size_t trunk = 0, branches = 0, shadowQuads = 0, lines[kShadowLineWidths] = {};
    for (int b = 0; b < branchCount; ++b) {
        const size_t segs = static_cast<size_t>(segments(branchPointCapacity(tree, b)));
        (b == 0 ? trunk : branches) += segs; // one strip per segment
        shadowQuads += segs * 4;
        lines[lineBucket(tree.branches[b].colourClass)] += segs * 2;
    }
    const size_t leaves = static_cast<size_t>(branchCount) * kLeavesPerBranch;
    const int levels = grassLevels(scene.grass);
    const size_t blades = levels > 0 && batches.parts != BatchParts::tree ? static_cast<size_t>(scene.grass.bladeCount) : 0;

    batches.trunk.reserve(trunk, 2 * kTrunkSides + 2);
    batches.branches.reserve(branches, 2 * kBranchSides + 2);
    batches.petioles.reserve(leaves * segments(kPetiolePoints), 2 * kPetioleSides + 2);
    batches.grass.reserve(blades, 2 * levels);
    batches.grassGroupOf.reserve(blades);
    batches.branchShadowQuads.reserve(shadowQuads);
    for (int w = 0; w < kShadowLineWidths; ++w) batches.branchShadowLines[w].reserve(lines[w]);
    batches.leafOutlines.reserve(leaves * outlineCorners().count);
    batches.grassShadow.reserve(blades, 2 * shadowStripLevels(levels));

    const LeafTemplate& tmpl = scene.leafTemplate;
    const size_t bladeTriangles = leaves * bladeFaceCount(tmpl);
    batches.blades.assign(leaves * kBladeVertices, PlainVertex{});
    batches.lowerIndices.reserve(bladeTriangles * 3);
    batches.upperIndices.reserve(bladeTriangles * 3);
    batches.bladeSides.assign(bladeTriangles, 0);
    batches.fixed = fixedDataFor(leaves, bladeTriangles, tmpl, share);
}

// ---- Filling

namespace {

void clearSceneBatches(DrawBatches& batches)
{
    batches.trunk.clear();
    batches.branches.clear();
    batches.petioles.clear();
    batches.grass.clear();
    batches.lowerIndices.clear();
    batches.upperIndices.clear();
    std::fill(std::begin(batches.grassGroupFirst), std::end(batches.grassGroupFirst), 0);
}

void clearShadowBatches(DrawBatches& batches)
{
    batches.branchShadowQuads.clear();
    for (auto& lines : batches.branchShadowLines) lines.clear();
    batches.leafOutlines.clear();
    batches.grassShadow.clear();
}

void fillBark(DrawBatches& batches, const TreeModel& tree, int branchCount)
{
    appendBranchTube(batches.trunk, tree.branches[0], kTrunkSides);
    for (int b = 1; b < branchCount; ++b) appendBranchTube(batches.branches, tree.branches[b], kBranchSides);
}

// Leaf blades of branches [first, end): each leaf has its fixed 77 vertices
// and its fixed run of triangles, which are marked by side.
void placeBlades(DrawBatches& batches, const Scene& scene, const Vec3* eye, int first, int end)
{
    const LeafTemplate& tmpl = scene.leafTemplate;
    PlainVertex* out = batches.blades.data() + static_cast<size_t>(first) * kLeavesPerBranch * kBladeVertices;
    for (int b = first; b < end; ++b)
        for (const Leaf& leaf : scene.tree.branches[b].leaves)
            for (int k = 0; k < kBladeVertices; ++k, ++out) {
                // The template goes to GL as floats; place those.
                const Vec3& p = tmpl.bladeVertices[k];
                const Vec3 q = plain::transformAffine(leaf.bladeMatrix, {f(p.x), f(p.y), f(p.z), 0});
                out->x = f(q.x);
                out->y = f(q.y);
                out->z = f(q.z);
            }
    // Every branch has the same run of triangles (sizeDrawBatches).
    const size_t sizedBranches = batches.blades.size() / (kLeavesPerBranch * kBladeVertices);
    const size_t perBranch = sizedBranches > 0 ? batches.bladeSides.size() / sizedBranches : 0;
    markBladeSides(batches, eye, perBranch * first, perBranch * end);
}

void fillPetioles(DrawBatches& batches, const TreeModel& tree, int branchCount)
{
    for (int b = 0; b < branchCount; ++b)
        for (const Leaf& leaf : tree.branches[b].leaves)
            appendTube(batches.petioles, std::min(leaf.pointCount, kPetiolePoints), leaf.petiolePoints,
                       leaf.petioleRadii, kPetioleSides);
}

void fillBranchShadows(DrawBatches& batches, const TreeModel& tree, int branchCount, const Vec3& light)
{
    const Vec3 lightDir = shadowLightDirection(light);
    ShadowSegment segs[kMaxRefinedPoints];
    auto plain = [](const Vec3& p) { return PlainVertex{f(p.x), f(p.y), f(p.z)}; };
    for (int b = 0; b < branchCount; ++b) {
        const int count = projectTreeBranchShadow(tree, b, lightDir, segs);
        auto& lines = batches.branchShadowLines[lineBucket(tree.branches[b].colourClass)];
        for (int k = 0; k < count; ++k) {
            const ShadowSegment& s = segs[k];
            if (s.thin) {
                lines.push_back({f((s.a.x + s.b.x) * 0.5), f((s.a.y + s.b.y) * 0.5), f((s.a.z + s.b.z) * 0.5)});
                lines.push_back({f((s.c.x + s.d.x) * 0.5), f((s.c.y + s.d.y) * 0.5), f((s.c.z + s.d.z) * 0.5)});
            } else {
                batches.branchShadowQuads.push_back(plain(s.a));
                batches.branchShadowQuads.push_back(plain(s.b));
                batches.branchShadowQuads.push_back(plain(s.d));
                batches.branchShadowQuads.push_back(plain(s.c));
            }
        }
    }
}

// Leaf outlines in branch and leaf order: the outlines of one branch lie at
// one height, and the later one wins where they overlap, as before.
void fillLeafOutlines(DrawBatches& batches, const Scene& scene, int branchCount, const Vec3& light)
{
    const TreeModel& tree = scene.tree;
    const LeafTemplate& tmpl = scene.leafTemplate;
    const OutlineCorners& corners = outlineCorners();
    for (int b = 0; b < branchCount; ++b) {
        const Mat4 flatten = shadowMatrix(light, 0.05 * b / tree.branchCount);
        const double* s = flatten.m; // OpenGL order: (r, c) at 4c + r
        for (const Leaf& leaf : tree.branches[b].leaves)
            for (int slot = 0; slot < corners.count; ++slot) {
                const Vec3& p = tmpl.bladeVertices[corners.vertex[slot]];
                const float* rgb = corners.colour[slot];
                const Vec3 q = plain::transformAffine(leaf.bladeMatrix, {f(p.x * kShadowOutlineScale),
                                                                         f(p.y * kShadowOutlineScale),
                                                                         f(p.z * kShadowOutlineScale), 0});
                batches.leafOutlines.push_back({rgb[0], rgb[1], rgb[2], f(s[0] * q.x + s[4] * q.y + s[8] * q.z + s[12]),
                                                f(s[1] * q.x + s[5] * q.y + s[9] * q.z + s[13]),
                                                f(s[2] * q.x + s[6] * q.y + s[10] * q.z + s[14]),
                                                f(s[3] * q.x + s[7] * q.y + s[11] * q.z + s[15])});
            }
    }
}

void fillGrassShadow(DrawBatches& batches, const GrassField& grass)
{
    const int levels = grassLevels(grass);
    PlainVertex strip[2 * kGrassLevels];
    for (int i = 0; i < (levels > 0 ? grass.bladeCount : 0); ++i) {
        int n = 0;
        for (int j = 0; j < levels; j += 2) {
            strip[n++] = oppositeEdge(grass.blades[i], j);
            strip[n++] = edgePoint(grass.blades[i], j);
        }
        batches.grassShadow.appendStrip(strip, n);
    }
}

// Blade placement is dealt out in this many runs of branches.
constexpr int kBladeJobs = 4;

// The frame's arrays as independent jobs, each writing its own arrays (the
// blades their own fixed range), so how they are dealt out to threads
// cannot change a byte. The side sort needs all blades and runs after.
void fillBatches(DrawBatches& batches, const Scene& scene, bool sceneWanted, const Vec3* eye, const Vec3* light)
{
    const TreeModel& tree = scene.tree;
    const int branchCount = std::clamp(tree.branchCount, 0, kBranchCount);
    if (sceneWanted) clearSceneBatches(batches);
    if (light) clearShadowBatches(batches);
    const bool scenePart = sceneWanted && branchCount > 0;
    const bool shadowPart = light && shadowLightUsable(*light);
    if (!scenePart && !shadowPart) return;
    const bool treeWanted = batches.parts != BatchParts::grass, grassWanted = batches.parts != BatchParts::tree;
    // Not sized for this scene (a front-end that skipped start-up sizing): size now, once.
    if (!batches.fixed || batches.blades.size() != static_cast<size_t>(branchCount) * kLeavesPerBranch * kBladeVertices)
        sizeDrawBatches(batches, scene);

    // Longest first (measured), so the last jobs to be dealt out are short.
    enum Job { Petioles, Grass, LeafOutlines, GrassShadow, Bark, BranchShadows, FirstBladeJob };
    auto job = [&](int j) {
        switch (j) {
        case Bark: if (scenePart && treeWanted) fillBark(batches, tree, branchCount); break;
        case Grass: if (scenePart && grassWanted) appendGrass(batches, scene.grass); break;
        case Petioles: if (scenePart && treeWanted) fillPetioles(batches, tree, branchCount); break;
        case BranchShadows: if (shadowPart && treeWanted) fillBranchShadows(batches, tree, branchCount, *light); break;
        case LeafOutlines: if (shadowPart && treeWanted) fillLeafOutlines(batches, scene, branchCount, *light); break;
        case GrassShadow: if (shadowPart && grassWanted) fillGrassShadow(batches, scene.grass); break;
        default:
            if (scenePart && treeWanted) {
                const int k = j - FirstBladeJob;
                placeBlades(batches, scene, eye, branchCount * k / kBladeJobs, branchCount * (k + 1) / kBladeJobs);
            }
        }
    };
    work_pool::forEach(WorkPool::shared(), FirstBladeJob + kBladeJobs, 1, job);
    if (!scenePart || !treeWanted) return;
    auto collect = [&](int side) {
        collectBladeSide(batches, side == 0 ? 1 : 2, side == 0 ? batches.lowerIndices : batches.upperIndices);
    };
    work_pool::forEach(WorkPool::shared(), 2, 1, collect);
}

} // namespace

// ---- Entry points

void fillSceneBatches(DrawBatches& batches, const Scene& scene, const Vec3* eye)
{
    fillBatches(batches, scene, true, eye, nullptr);
}

size_t leafOutlineIndexCount(const DrawBatches& batches)
{
    const size_t leaves = batches.leafOutlines.size() / static_cast<size_t>(outlineCorners().count);
    return batches.fixed ? std::min(leaves * kShadowOutlineFaces * 3, batches.fixed->leafOutlineIndices.size()) : 0;
}

void fillViewBatches(DrawBatches& batches, const Scene& scene, const ViewState& view)
{
    Vec3 eye;
    const bool haveEye = eyeInObjectSpace(treeModelview(view), eye);
    const Vec3 light = currentLight(view);
    // What the view does not draw from arrays is left empty, not stale.
    if (view.skeletonView) clearSceneBatches(batches);
    if (!view.showShadows) clearShadowBatches(batches);
    fillBatches(batches, scene, !view.skeletonView, haveEye ? &eye : nullptr, view.showShadows ? &light : nullptr);
    batches.wind = scene.input.wind;
}

void fillShadowBatches(DrawBatches& batches, const Scene& scene, const Vec3& light)
{
    fillBatches(batches, scene, false, nullptr, &light);
}

bool eyeInObjectSpace(const Mat4& modelview, Vec3& eye)
{
    const double* m = modelview.m; // (r, c) at 4c + r
    // Affine with a positive w for every point: orientation is that of the linear part.
    if (m[3] != 0.0 || m[7] != 0.0 || m[11] != 0.0 || !(m[15] > 0.0)) return false;
    const Vec3 c0{m[0], m[1], m[2], 0}, c1{m[4], m[5], m[6], 0}, c2{m[8], m[9], m[10], 0};
    const Vec3 minusT{-m[12], -m[13], -m[14], 0};
    const double det = dot(c0, cross(c1, c2));
    if (!(det > 1e-9 * length(c0) * length(c1) * length(c2))) return false;
    // The eye maps to the origin: A p = -t, by Cramer's rule.
    eye = {dot(minusT, cross(c1, c2)) / det, dot(c0, cross(minusT, c2)) / det, dot(c0, cross(c1, minusT)) / det, 0};
    return std::isfinite(eye.x) && std::isfinite(eye.y) && std::isfinite(eye.z);
}
