// SplitMix64: a small seeded generator with explicit formulas, so the same
// seed gives the same bits on every platform and library (std::
// distributions do not). Used where a stream must not touch the scene's
// generator: the wind schedule and the data generator.
#pragma once
#include <cstdint>

struct SplitMix64 {
    uint64_t state; // advances by the golden-ratio increment per draw

    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1): the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
};
