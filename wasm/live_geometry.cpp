#include "live_geometry.h"

#include <algorithm>

#include "batch/draw_batches.h"
#include "data_constants/tree_file.h"
#include "math/tube_geometry.h"

namespace {

// Collects traceTube's strips: vertices always, indices only when asked.
struct TubeSink {
    std::vector<float>& vertices;
    std::vector<std::uint32_t>* indices; // null: the topology is known already
    std::uint32_t stripFirst = 0;
    int stripCount = 0;
    void beginStrip()
    {
        stripFirst = static_cast<std::uint32_t>(vertices.size() / 8);
        stripCount = 0;
    }
    void vertex(const Vec3& n, double u, double v, const Vec3& p)
    {
        const float f[8] = {float(u), float(v), float(n.x), float(n.y), float(n.z), float(p.x), float(p.y), float(p.z)};
        vertices.insert(vertices.end(), f, f + 8);
        ++stripCount;
    }
    // Each quad w0, w1, w2, w3 as (w0, w1, w3) and (w0, w3, w2), as the window splits it.
    void endStrip()
    {
        if (!indices) return;
        static constexpr int kSplit[6] = {0, 1, 3, 0, 3, 2};
        for (int v = 0; v + 3 < stripCount; v += 2)
            for (int k : kSplit) indices->push_back(stripFirst + static_cast<std::uint32_t>(v + k));
    }
};

void tube(const arborvane::Strided<arborvane::Point3>& points, const double* radii, int sides, TubeSink& sink)
{
    Vec3 centre[kMaxRefinedPoints];
    const int n = static_cast<int>(std::min<std::size_t>(points.size(), kMaxRefinedPoints));
    for (int i = 0; i < n; ++i) centre[i] = {points[i].x, points[i].y, points[i].z, 0};
    traceTube(n, centre, radii, sides, sink);
}

// All tubes in drawing order; indices too when given.
void fillTubes(const arborvane::Simulation& sim, const LeafTemplate& tmpl, LiveGeometry& out,
               std::vector<std::uint32_t>* indices)
{
    out.tube.clear();
    TubeSink sink{out.tube, indices};
    const std::size_t branches = sim.branchCount();
    for (std::size_t b = 0; b < branches; ++b) {
        tube(sim.branchPoints(b), sim.branchRadii(b).data(), b == 0 ? kTrunkSides : kBranchSides, sink);
        if (indices && b == 0) out.trunkIndexCount = static_cast<std::uint32_t>(indices->size());
    }
    if (indices) out.branchIndexCount = static_cast<std::uint32_t>(indices->size()) - out.trunkIndexCount;
    for (std::size_t b = 0; b < branches; ++b)
        for (std::size_t l = 0; l < sim.leavesPerBranch(); ++l)
            tube(sim.leafPetiole(b, l), tmpl.petioleVertexRadii, kPetioleSides, sink);
}

void fillLeafMatrices(const arborvane::Simulation& sim, std::vector<float>& out)
{
    out.clear();
    for (std::size_t b = 0; b < sim.branchCount(); ++b) {
        const arborvane::Strided<arborvane::Matrix4> leaves = sim.leafBladeMatrices(b);
        for (std::size_t l = 0; l < leaves.size(); ++l)
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r) out.push_back(static_cast<float>(leaves[l].m[4 * r + c]));
    }
}

// Each blade a strip as the window's: level j's far edge (mirrored through
// the centre line) and edge, u 0 and 1, v = j / levels. The triangles go
// texture by texture (the grass file's index per blade; any other index
// last, untextured), as the window's passes draw them.
void fillGrass(const arborvane::Simulation& sim, LiveGeometry& out, bool fixed)
{
    out.grassPositions.clear();
    std::vector<std::uint32_t> groups[kLiveGrassGroups];
    if (fixed) out.grassUvs.clear();
    for (std::size_t b = 0; b < sim.grassBladeCount(); ++b) {
        const arborvane::Strided<arborvane::Point3> c = sim.grassCentre(b), e = sim.grassEdge(b);
        const std::size_t levels = std::min(c.size(), e.size());
        const auto first = static_cast<std::uint32_t>(out.grassPositions.size() / 3);
        const int texture = sim.grassBladeTexture(b);
        std::vector<std::uint32_t>& indices =
            groups[texture >= 0 && texture < kLiveGrassGroups - 1 ? texture : kLiveGrassGroups - 1];
        for (std::size_t j = 0; j < levels; ++j) {
            out.grassPositions.insert(out.grassPositions.end(),
                                      {float(2 * c[j].x - e[j].x), float(2 * c[j].y - e[j].y), float(2 * c[j].z - e[j].z),
                                       float(e[j].x), float(e[j].y), float(e[j].z)});
            if (!fixed) continue;
            const float v = float(j) / float(levels);
            out.grassUvs.insert(out.grassUvs.end(), {0.0f, v, 1.0f, v});
            if (j + 1 < levels)
                for (const std::uint32_t k : {0u, 1u, 3u, 0u, 3u, 2u})
                    indices.push_back(first + 2 * static_cast<std::uint32_t>(j) + k);
        }
    }
    if (!fixed) return;
    out.grassIndices.clear();
    for (int g = 0; g < kLiveGrassGroups; ++g) {
        out.grassGroupCounts[g] = static_cast<std::uint32_t>(groups[g].size());
        out.grassIndices.insert(out.grassIndices.end(), groups[g].begin(), groups[g].end());
    }
}

// The highest rest point of the unrefined centre lines (every other refined
// point), the first one found on a tie: the trace's tree top.
void findTip(const arborvane::Simulation& sim, LiveGeometry& out)
{
    bool found = false;
    double highest = 0.0;
    for (std::size_t b = 0; b < sim.branchCount(); ++b) {
        const arborvane::Strided<arborvane::Point3> points = sim.branchPoints(b);
        for (std::size_t k = 0; k < points.size(); k += 2)
            if (!found || points[k].y > highest) {
                found = true;
                highest = points[k].y;
                out.tipBranch = b;
                out.tipPoint = k;
            }
    }
}

} // namespace

void buildLiveGeometry(const arborvane::Simulation& sim, const LeafTemplate& tmpl, LiveGeometry& out)
{
    out.tubeIndices.clear();
    fillTubes(sim, tmpl, out, &out.tubeIndices);
    fillLeafMatrices(sim, out.leafMatrices);
    const arborvane::Strided<arborvane::Point3> blade = sim.leafBladeVertices();
    out.bladePositions.clear();
    out.bladeUvs.clear();
    for (std::size_t k = 0; k < blade.size(); ++k) {
        out.bladePositions.insert(out.bladePositions.end(),
                                  {float(blade[k].x), float(blade[k].y), float(blade[k].z)});
        out.bladeUvs.insert(out.bladeUvs.end(), {float(tmpl.bladeTexCoords[k][0]), float(tmpl.bladeTexCoords[k][1])});
    }
    const std::span<const std::int32_t> faces = sim.leafBladeTriangles();
    out.bladeIndices.assign(faces.begin(), faces.end());
    if (out.grass) fillGrass(sim, out, true);
    findTip(sim, out);
}

void updateLiveGeometry(const arborvane::Simulation& sim, const LeafTemplate& tmpl, LiveGeometry& out)
{
    fillTubes(sim, tmpl, out, nullptr);
    fillLeafMatrices(sim, out.leafMatrices);
    if (out.grass) fillGrass(sim, out, false);
}
