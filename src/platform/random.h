// The 0..32767 generator every draw of one simulation comes from. Each scene
// owns one, so simulations never share a sequence; it starts from the same
// fixed state as a fresh process always did, so a new scene's grass field is
// the same in every run.
#pragma once
#include <cstdint>

constexpr int kRandomMax = 32767;

struct Random {
    uint32_t state = 1; // the LCG's state: 1 at start

    // Classic 32-bit LCG; the upper bits give 15 usable bits.
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7fffu);
    }
    void seed(uint32_t s) { state = s; }
};
