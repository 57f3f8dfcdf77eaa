// Seeded generator for the tree skeleton: xorshift64* with hand-written
// distributions, so a seed gives the same tree on every platform.
#pragma once
#include <cstdint>

class TreeRandom {
public:
    explicit TreeRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull)
    {
        if (state_ == 0) state_ = 1;
        for (int i = 0; i < 4; ++i) next();
    }

    uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Symmetric jitter in [-amount, amount).
    double jitter(double amount) { return amount * (2.0 * uniform() - 1.0); }

private:
    uint64_t state_;
};
