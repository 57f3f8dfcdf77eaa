#include "batch/draw_batches.h"

#include <algorithm>
#include <cmath>

#include "grass/grass_shade.h"
#include "math/planar_shadow.h"
#include "math/tube_geometry.h"
#include "scene/scene.h"
#include "tree/leaf_geometry.h"

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

// Collects one quad strip of a tube, then appends it as quads.
struct TubeQuadSink {
    explicit TubeQuadSink(StripMesh<TubeVertex>& mesh) : out(mesh) {}
    StripMesh<TubeVertex>& out;
    TubeVertex strip[2 * kMaxTubeSides + 2];
    int count = 0;
    void beginStrip() { count = 0; }
    void vertex(const Vec3& n, double u, double v, const Vec3& p)
    {
        if (count < 2 * kMaxTubeSides + 2)
            strip[count++] = {f(u), f(v), f(n.x), f(n.y), f(n.z), f(p.x), f(p.y), f(p.z)};
    }
    void endStrip() { out.appendStrip(strip, count); }
};

void appendTube(StripMesh<TubeVertex>& out, int n, const Vec3* points, const double* radii, int sides)
{
    if (n < 2 || points == nullptr || radii == nullptr) return;
    TubeQuadSink sink(out);
    traceTube(n, points, radii, sides, sink);
}

void appendBranchTube(StripMesh<TubeVertex>& out, const Branch& branch, int sides)
{
    appendTube(out, std::min(branch.pointCount, kMaxRefinedPoints), branch.points.get(), branch.radii.get(), sides);
}

// The two sides of level j: 2*centre - edge, then edge.
PlainVertex oppositeEdge(const GrassBlade& blade, int j)
{
    const Vec3& c = blade.centre[j];
    const Vec3& e = blade.edge[j];
    return {f(2.0 * c.x - e.x), f(2.0 * c.y - e.y), f(2.0 * c.z - e.z)};
}
PlainVertex edgePoint(const GrassBlade& blade, int j)
{
    const Vec3& e = blade.edge[j];
    return {f(e.x), f(e.y), f(e.z)};
}

int grassGroup(const GrassBlade& blade)
{
    const int i = blade.textureIndex;
    return i >= 0 && i < kGrassTextureCount ? i : kGrassTextureCount;
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
    for (int i = 0; i < count; ++i) groupOf[i] = static_cast<uint8_t>(grassGroup(grass.blades[i]));
    GrassVertex strip[2 * kGrassLevels];
    for (int g = 0; g < kGrassGroups; ++g) {
        batches.grassGroupFirst[g] = static_cast<int>(batches.grass.indices.size());
        for (int i = 0; i < count; ++i) {
            if (groupOf[i] != g) continue;
            const GrassBlade& blade = grass.blades[i];
            const float r = f(blade.colour.x), gr = f(blade.colour.y), b = f(blade.colour.z);
            for (int j = 0; j < levels; ++j) {
                const float t = static_cast<float>(j) / perBlade;
                const PlainVertex o = oppositeEdge(blade, j), e = edgePoint(blade, j);
                strip[2 * j] = {0.0f, t, r, gr, b, o.x, o.y, o.z};
                strip[2 * j + 1] = {1.0f, t, r, gr, b, e.x, e.y, e.z};
            }
            batches.grass.appendStrip(strip, 2 * levels);
        }
    }
    batches.grassGroupFirst[kGrassGroups] = static_cast<int>(batches.grass.indices.size());
}

// Row-major matrix times (x, y, z, 1).
Vec3 placePoint(const Mat4& m, double x, double y, double z)
{
    return {m.m[0] * x + m.m[1] * y + m.m[2] * z + m.m[3], m.m[4] * x + m.m[5] * y + m.m[6] * z + m.m[7],
            m.m[8] * x + m.m[9] * y + m.m[10] * z + m.m[11], 0};
}

// Splits the blade triangles by the side the eye sees. A triangle whose plane
// passes within a small angle of the eye goes to both lists: rounding in
// OpenGL may see it either way.
void sortBladeSides(DrawBatches& batches, const Vec3* eye)
{
    const std::vector<uint32_t>& all = batches.bladeIndices;
    if (eye == nullptr) {
        batches.lowerIndices = all;
        batches.upperIndices = all;
        return;
    }
    const BladeVertex* v = batches.blades.data();
    const size_t n = batches.blades.size();
    const double ex = eye->x, ey = eye->y, ez = eye->z;
    for (size_t t = 0; t + 2 < all.size(); t += 3) {
        const uint32_t i0 = all[t], i1 = all[t + 1], i2 = all[t + 2];
        if (i0 >= n || i1 >= n || i2 >= n) continue;
        const BladeVertex &a = v[i0], &b = v[i1], &c = v[i2];
        // Plain arithmetic: this runs for every blade triangle of every frame.
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const double wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        const double dx = ex - a.x, dy = ey - a.y, dz = ez - a.z;
        const double facing = nx * dx + ny * dy + nz * dz;
        // Within about 0.06 degrees of edge-on (squared, to spare the root).
        const bool edgeOn = facing * facing <= 1e-6 * (nx * nx + ny * ny + nz * nz) * (dx * dx + dy * dy + dz * dz);
        if (facing > 0.0 || edgeOn) {
            batches.lowerIndices.push_back(i0);
            batches.lowerIndices.push_back(i1);
            batches.lowerIndices.push_back(i2);
        }
        if (facing < 0.0 || edgeOn) {
            batches.upperIndices.push_back(i0);
            batches.upperIndices.push_back(i1);
            batches.upperIndices.push_back(i2);
        }
    }
}

} // namespace

void sizeDrawBatches(DrawBatches& batches, const Scene& scene)
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
    const size_t blades = levels > 0 ? static_cast<size_t>(scene.grass.bladeCount) : 0;

    batches.trunk.reserve(trunk, 2 * kTrunkSides + 2);
    batches.branches.reserve(branches, 2 * kBranchSides + 2);
    batches.petioles.reserve(leaves * segments(kPetiolePoints), 2 * kPetioleSides + 2);
    batches.grass.reserve(blades, 2 * levels);
    batches.grassGroupOf.reserve(blades);
    batches.branchShadowQuads.reserve(shadowQuads);
    for (int w = 0; w < kShadowLineWidths; ++w) batches.branchShadowLines[w].reserve(lines[w]);
    batches.leafOutlines.reserve(leaves * kShadowOutlineFaces * 3);
    batches.grassShadow.reserve(blades, 2 * shadowStripLevels(levels));

    // Blade texture coordinates and triangles never change: set them here.
    const LeafTemplate& tmpl = scene.leafTemplate;
    batches.blades.assign(leaves * kBladeVertices, BladeVertex{});
    for (size_t leaf = 0; leaf < leaves; ++leaf)
        for (int k = 0; k < kBladeVertices; ++k) {
            BladeVertex& v = batches.blades[leaf * kBladeVertices + k];
            v.u = f(tmpl.bladeTexCoords[k][0]);
            v.v = f(tmpl.bladeTexCoords[k][1]);
        }
    batches.bladeIndices.clear();
    batches.bladeIndices.reserve(leaves * bladeFaceCount(tmpl) * 3);
    batches.lowerIndices.reserve(leaves * bladeFaceCount(tmpl) * 3);
    batches.upperIndices.reserve(leaves * bladeFaceCount(tmpl) * 3);
    for (size_t leaf = 0; leaf < leaves; ++leaf)
        for (const auto& face : tmpl.bladeFaces) {
            if (!bladeFaceValid(face)) continue;
            for (int i = 0; i < 3; ++i)
                batches.bladeIndices.push_back(static_cast<uint32_t>(leaf * kBladeVertices + face[i]));
        }
}

void fillSceneBatches(DrawBatches& batches, const Scene& scene, const Vec3* eye)
{
    const TreeModel& tree = scene.tree;
    batches.trunk.clear();
    batches.branches.clear();
    batches.petioles.clear();
    batches.grass.clear();
    batches.lowerIndices.clear();
    batches.upperIndices.clear();
    std::fill(std::begin(batches.grassGroupFirst), std::end(batches.grassGroupFirst), 0);
    const int branchCount = std::clamp(tree.branchCount, 0, kBranchCount);
    if (branchCount == 0) return;
    // Not sized for this scene (a front-end that skipped start-up sizing): size now, once.
    if (batches.blades.size() != static_cast<size_t>(branchCount) * kLeavesPerBranch * kBladeVertices)
        sizeDrawBatches(batches, scene);

    appendBranchTube(batches.trunk, tree.branches[0], kTrunkSides);
    appendGrass(batches, scene.grass);
    for (int b = 1; b < branchCount; ++b) appendBranchTube(batches.branches, tree.branches[b], kBranchSides);

    const LeafTemplate& tmpl = scene.leafTemplate;
    BladeVertex* out = batches.blades.data();
    for (int b = 0; b < branchCount; ++b)
        for (const Leaf& leaf : tree.branches[b].leaves) {
            for (int k = 0; k < kBladeVertices; ++k, ++out) {
                // The template goes to GL as floats; place those.
                const Vec3& p = tmpl.bladeVertices[k];
                const Vec3 q = placePoint(leaf.bladeMatrix, f(p.x), f(p.y), f(p.z));
                out->x = f(q.x);
                out->y = f(q.y);
                out->z = f(q.z);
            }
            appendTube(batches.petioles, std::min(leaf.pointCount, kPetiolePoints), leaf.petiolePoints,
                       leaf.petioleRadii, kPetioleSides);
        }
    sortBladeSides(batches, eye);
}

void fillShadowBatches(DrawBatches& batches, const Scene& scene, const Vec3& light)
{
    const TreeModel& tree = scene.tree;
    batches.branchShadowQuads.clear();
    for (auto& lines : batches.branchShadowLines) lines.clear();
    batches.leafOutlines.clear();
    batches.grassShadow.clear();
    if (!shadowLightUsable(light)) return;
    const int branchCount = std::clamp(tree.branchCount, 0, kBranchCount);

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

    // Leaf outlines in branch and leaf order: the outlines of one branch lie at
    // one height, and the later one wins where they overlap, as before.
    const LeafTemplate& tmpl = scene.leafTemplate;
    for (int b = 0; b < branchCount; ++b) {
        const Mat4 flatten = shadowMatrix(light, 0.05 * b / tree.branchCount);
        const double* s = flatten.m; // OpenGL order: (r, c) at 4c + r
        for (const Leaf& leaf : tree.branches[b].leaves)
            for (const auto& face : shadowOutlineFaces)
                for (int i = 0; i < 3; ++i) {
                    const int k = face[i];
                    const Vec3& p = tmpl.bladeVertices[k];
                    const bool corner = k == 0 || k == 54 || k == 56;
                    const float* rgb = corner ? kOutlineCornerColour : kOutlineColour;
                    const Vec3 q = placePoint(leaf.bladeMatrix, f(p.x * kShadowOutlineScale),
                                              f(p.y * kShadowOutlineScale), f(p.z * kShadowOutlineScale));
                    batches.leafOutlines.push_back({rgb[0], rgb[1], rgb[2],
                                                    f(s[0] * q.x + s[4] * q.y + s[8] * q.z + s[12]),
                                                    f(s[1] * q.x + s[5] * q.y + s[9] * q.z + s[13]),
                                                    f(s[2] * q.x + s[6] * q.y + s[10] * q.z + s[14]),
                                                    f(s[3] * q.x + s[7] * q.y + s[11] * q.z + s[15])});
                }
    }

    const GrassField& grass = scene.grass;
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
