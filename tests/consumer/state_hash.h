// The state a run ends in, through the public API only: shared by the
// consumer project (built against an installed Arborvane) and api_test
// (built in the tree), which both check it against kGoldenStateHash.
#pragma once
#include <arborvane/arborvane.h>

#include <cstdint>
#include <cstring>

namespace consumer {

// Open ./data, set up with seed 1, gale 400 along +x, then 100 steps.
inline constexpr std::uint32_t kSeed = 1;
inline constexpr int kSteps = 100;
inline constexpr std::uint64_t kGoldenStateHash = 0x1f0f134d784c3e21ull;

// FNV-1a over the bytes of the doubles, in reading order.
struct Fnv {
    std::uint64_t h = 1469598103934665603ull; // offset basis
    void add(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i) {
            h ^= (bits >> (8 * i)) & 0xff;
            h *= 1099511628211ull;
        }
    }
    void add(const arborvane::Point3& p)
    {
        add(p.x);
        add(p.y);
        add(p.z);
    }
    template <class T>
    void addAll(const arborvane::Strided<T>& items)
    {
        for (std::size_t i = 0; i < items.size(); ++i) add(items[i]);
    }
    void add(const arborvane::Matrix4& m)
    {
        for (double v : m.m) add(v);
    }
};

// Branch centre lines and radii, leaf blades and petioles, grass blades.
// (The leaf template does not move, so it is not part of the state.)
inline std::uint64_t stateHash(const arborvane::Simulation& sim)
{
    Fnv f;
    for (std::size_t b = 0; b < sim.branchCount(); ++b) {
        f.addAll(sim.branchPoints(b));
        for (double r : sim.branchRadii(b)) f.add(r);
        f.addAll(sim.leafBladeMatrices(b));
        for (std::size_t l = 0; l < sim.leavesPerBranch(); ++l) f.addAll(sim.leafPetiole(b, l));
    }
    for (std::size_t g = 0; g < sim.grassBladeCount(); ++g) {
        f.addAll(sim.grassCentre(g));
        f.addAll(sim.grassEdge(g));
    }
    return f.h;
}

// The highest centre-line point of the tree.
inline arborvane::Point3 treeTop(const arborvane::Simulation& sim)
{
    arborvane::Point3 top{0.0, -1e300, 0.0};
    for (std::size_t b = 0; b < sim.branchCount(); ++b) {
        const arborvane::Strided<arborvane::Point3> line = sim.branchPoints(b);
        for (std::size_t k = 0; k < line.size(); ++k)
            if (line[k].y > top.y) top = line[k];
    }
    return top;
}

} // namespace consumer
