// Synthetic scenes for the wind and motion tests and the dynamics benchmark:
// a tree, leaf template, noise grids and grass made in code, plus a loader
// for the generated data when it exists.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "data_constants/data_folder.h"
#include "dynamics/simulation.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tree/hierarchy.h"

namespace motion_scene {

inline std::unique_ptr<Scene> makeScene() { return std::make_unique<Scene>(); }

// Gives branch i a centre line of n points from base along dir, radius r0 tapering.
inline void setBranchLine(Branch& b, int n, Vec3 base, Vec3 dir, double segment, double r0)
{
    b.pointCount = n;
    b.points.reset(new Vec3[2 * n - 1]);
    b.radii.reset(new double[2 * n - 1]);
    const double len = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
    for (int k = 0; k < n; ++k) {
        // A gentle upward curve so segments are not all collinear.
        const double t = k * segment;
        b.points[k] = {base.x + dir.x / len * t, base.y + dir.y / len * t + 0.02 * k * k * segment, base.z + dir.z / len * t, 0};
        b.radii[k] = std::max(0.015, r0 * (1.0 - 0.7 * k / n));
    }
}

// Frames from the hierarchy builder, rest copy and triangle totals, as the loader leaves them.
inline void finishTree(TreeModel& m)
{
    Branch& trunk = m.branches[0];
    trunk.frameX = {trunk.points[0].x + 1, trunk.points[0].y, trunk.points[0].z, 0};
    trunk.frameY = {trunk.points[0].x, trunk.points[0].y + 1, trunk.points[0].z, 0};
    trunk.frameZ = {trunk.points[0].x, trunk.points[0].y, trunk.points[0].z + 1, 0};
    buildBranchFrames(m, trunk);
    m.triangleTotalPlain = 0;
    m.triangleTotalShadowed = 0;
    for (int i = 0; i < m.branchCount; ++i) {
        const Branch& b = m.branches[i];
        copyRestBranch(b, m.restBranches[i]);
        const int n = b.pointCount;
        m.triangleTotalPlain += plainTriangles(n);
        m.triangleTotalShadowed += shadowedTriangles(n);
    }
}

// A branching tree of `count` branches, children numbered after parents and
// listed by increasing attach point below the last point.
inline void buildTree(TreeModel& m, int count = kBranchCount)
{
    struct Node {
        Vec3 base, dir;
        int depth;
    };
    std::vector<Node> nodes(count);
    std::vector<std::vector<BranchChild>> kids(count);
    m.branchCount = count;
    nodes[0] = {{0, 0, 0, 0}, {0, 1, 0, 0}, 0};
    setBranchLine(m.branches[0], 10, nodes[0].base, nodes[0].dir, 1.0, 0.35);
    setBranchClass(m.branches[0], 0);
    int next = 1;
    for (int parent = 0; parent < count && next < count; ++parent) {
        Branch& p = m.branches[parent];
        const int n = p.pointCount;
        const int attach[3] = {n / 3, (2 * n) / 3, n - 2};
        for (int c = 0; c < 3 && next < count; ++c) {
            const int idx = next++;
            const double turn = 2.3998 * idx;
            const double tilt = 0.5 + 0.25 * c;
            const Node& pn = nodes[parent];
            Vec3 dir{pn.dir.x * std::cos(tilt) + std::sin(tilt) * std::cos(turn), pn.dir.y * std::cos(tilt) + 0.3,
                     pn.dir.z * std::cos(tilt) + std::sin(tilt) * std::sin(turn), 0};
            nodes[idx] = {p.points[attach[c]], dir, pn.depth + 1};
            const int points = 6 + (idx % 5);
            const double r0 = std::max(0.015, p.radii[attach[c]] * 0.6);
            setBranchLine(m.branches[idx], points, nodes[idx].base, dir, 0.6 / (1 + pn.depth), r0);
            setBranchClass(m.branches[idx], std::min(7, pn.depth + 1));
            kids[parent].push_back({attach[c], idx});
        }
    }
    for (int i = 0; i < count; ++i) {
        Branch& b = m.branches[i];
        b.childCount = static_cast<int32_t>(kids[i].size());
        b.children.reset(new BranchChild[kids[i].size() + 1]);
        for (size_t k = 0; k < kids[i].size(); ++k) b.children[k] = kids[i][k];
    }
    finishTree(m);
}

// Petiole along z (so the blade's y axis gives a proper leaf frame).
inline void buildLeafTemplate(LeafTemplate& t)
{
    for (int k = 0; k < kPetiolePoints; ++k) {
        t.petioleVertices[k] = {0.0, 0.004 * k * k, 0.03 * k, 0};
        t.petioleVertexRadii[k] = 0.01 - 0.001 * k;
    }
}

// Smooth periodic values with a spread, n^3 of them.
inline void fillNoise(NoiseField& f, int n, int salt)
{
    f.size = n;
    f.values.reset(new double[static_cast<size_t>(n) * n * n]);
    const double w = 6.283185307179586 / n;
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y)
            for (int z = 0; z < n; ++z) {
                const double v = std::sin(w * x * (1 + salt) + 0.3) * std::cos(w * y * 2 + salt) +
                                 0.5 * std::sin(w * z * 3 + x * w * salt);
                f.values[(static_cast<size_t>(x) * n + y) * n + z] = 0.5 + 0.3 * v;
            }
    f.speed[0] = 0.1;
    f.speed[1] = 1.0;
    f.speed[2] = 0.3;
}

inline void buildNoise(WindField& wind, int n = 32)
{
    fillNoise(wind.u, n, 1);
    fillNoise(wind.v, n, 2);
    fillNoise(wind.w, n, 3);
}

// Blades on a square around the trunk, roots at y = 0.3; their oscillators
// drawn from a generator seeded with seed.
inline void buildGrass(GrassField& m, int count = 5000, uint32_t seed = 1)
{
    m.blades.reset(new GrassBlade[count]);
    Random random;
    random.seed(seed);
    for (int i = 0; i < count; ++i) m.blades[i].drawOscillator(random);
    m.bladeCount = count;
    m.pointsPerBlade = kGrassLevels;
    const int side = static_cast<int>(std::ceil(std::sqrt(count)));
    for (int i = 0; i < count; ++i) {
        GrassBlade& g = m.blades[i];
        const double x = -6.0 + 12.0 * (i % side) / side;
        const double z = -6.0 + 12.0 * (i / side) / side;
        const double a = 0.7 * i;
        g.baseU = {std::cos(a), 0.0, std::sin(a), 0};
        g.baseV = {-std::sin(a), 0.05, std::cos(a), 0};
        g.baseNormal = cross(g.baseU, g.baseV);
        normalize(g.baseNormal);
        for (int j = 0; j < kGrassLevels; ++j) {
            g.centre[j] = {x + 0.01 * j * j, 0.3 + 0.15 * j, z, 0};
            g.edge[j] = add(g.centre[j], scale(g.baseV, 0.02 * (1.0 - 0.2 * j)));
        }
        g.textureIndex = i % 4;
    }
}

// A complete synthetic scene, set up with a fixed foliage seed.
inline void buildScene(Scene& s, int branches = kBranchCount, int blades = 5000, uint32_t seed = 12345,
                       bool refine = true)
{
    buildNoise(s.wind);
    buildTree(s.tree, branches);
    buildLeafTemplate(s.leafTemplate);
    if (blades > 0) buildGrass(s.grass, blades, seed);
    s.tree.refined = refine;
    s.input.refine = refine;
    setUpScene(s, &seed);
}

// A small synthetic scene on the heap, unrefined by default.
inline std::unique_ptr<Scene> smallScene(int branches = 40, int blades = 300, bool refine = false,
                                         uint32_t seed = 12345)
{
    auto s = makeScene();
    buildScene(*s, branches, blades, seed, refine);
    return s;
}

// One step with the given wind, as a front-end sets the input before stepping.
inline void stepWind(Scene& s, bool gale, double magnitude, const Vec3& direction, bool refine)
{
    s.input = {{gale, magnitude, direction}, refine};
    simulateStep(s, kTimeStep);
}

// The generated data under ./data, through the real loaders; false when any is missing.
inline bool loadGeneratedScene(Scene& s, uint32_t seed = 12345)
{
    s.random = Random{}; // the start state, as in a fresh scene
    if (!loadScene(s, kDefaultDataDir).complete()) return false;
    setUpScene(s, &seed);
    return true;
}

// FNV-1a over the bytes of doubles: positions and oscillator states.
struct StateHash {
    uint64_t h = 1469598103934665603ull;
    void add(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) {
            h ^= (bits >> (8 * i)) & 0xff;
            h *= 1099511628211ull;
        }
    }
    void add(const Vec3& v)
    {
        add(v.x);
        add(v.y);
        add(v.z);
        add(static_cast<double>(v.status));
    }
};

inline uint64_t hashState(const Scene& scene)
{
    const TreeModel& m = scene.tree;
    StateHash s;
    auto addBend = [&s](const double* position, const double* velocity) {
        for (int a = 0; a < 3; ++a) {
            s.add(position[a]);
            s.add(velocity[a]);
        }
    };
    for (int i = 0; i < m.branchCount; ++i) {
        const Branch& b = m.branches[i];
        for (int k = 0; k < b.pointCount; ++k) {
            s.add(b.points[k]);
            s.add(b.radii[k]);
        }
        s.add(b.frameX);
        s.add(b.frameY);
        s.add(b.frameZ);
        addBend(b.bendPosition, b.bendVelocity);
        for (const Leaf& leaf : b.leaves) {
            for (const Vec3& p : leaf.petiolePoints) s.add(p);
            for (double v : leaf.bladeMatrix.m) s.add(v);
            s.add(leaf.frameX);
            s.add(leaf.frameY);
            s.add(leaf.frameZ);
            addBend(leaf.bendPosition, leaf.bendVelocity);
        }
    }
    for (int i = 0; scene.grass.blades && i < scene.grass.bladeCount; ++i) {
        const GrassBlade& g = scene.grass.blades[i];
        for (int j = 0; j < kGrassLevels; ++j) {
            s.add(g.centre[j]);
            s.add(g.edge[j]);
        }
        addBend(g.bendPosition, g.bendVelocity);
    }
    for (const NoiseField* f : {&scene.wind.u, &scene.wind.v, &scene.wind.w})
        for (double o : f->offset) s.add(o);
    return s.h;
}

} // namespace motion_scene
