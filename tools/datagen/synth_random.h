// Small deterministic generators for the wind, grass and texture data: the
// same bits on every platform, unlike the std distributions.
#pragma once
#include <cstdint>

#include "platform/splitmix.h"

namespace synth {

// SplitMix64 with a range helper, for procedural data.
struct Rng : SplitMix64 {
    explicit Rng(uint64_t seed) : SplitMix64{seed} {}
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
};

// Stateless 32-bit hash of lattice coordinates, for noise lattices.
inline uint32_t hash3(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h ^ (h >> 15)) * 0x2C1B3C6Du;
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h = (h ^ (h >> 12)) * 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// Hash mapped to [0, 1).
inline double hashUnit(int32_t x, int32_t y, uint32_t seed)
{
    return static_cast<double>(hash3(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

} // namespace synth
