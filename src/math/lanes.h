// Four doubles side by side (GCC vectors). Each lane gets exactly the IEEE
// operations a double alone would, so code written for both gives the same
// bits either way; branches become masks and selects.
//
// Everything taking or returning Lanes is forced inline: callers may be
// built for a wider instruction set (target_clones) than these helpers, and
// no call may pass a vector across that boundary.
#pragma once
#include <cmath>

#include "math/fast_trig.h"

// No Lanes crosses a call (see above), so the ABI note does not apply.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wunknown-warning-option"
#pragma clang diagnostic ignored "-Wpsabi"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#define LANES_INLINE [[gnu::always_inline]] inline

typedef double Lanes __attribute__((vector_size(32)));
typedef long long LaneMask __attribute__((vector_size(32))); // all ones where true

constexpr int kLanes = 4;

LANES_INLINE bool anyLane(LaneMask m) { return (m[0] | m[1] | m[2] | m[3]) != 0; }
LANES_INLINE bool allLanes(LaneMask m) { return (m[0] & m[1] & m[2] & m[3]) != 0; }
// m ? a : b lane by lane, by bits (no vector ?: needed).
LANES_INLINE Lanes select(LaneMask m, Lanes a, Lanes b)
{
    return (Lanes)(((LaneMask)a & m) | ((LaneMask)b & ~m));
}

LANES_INLINE Lanes laneSqrt(Lanes v)
{
    for (int i = 0; i < kLanes; ++i) v[i] = std::sqrt(v[i]);
    return v;
}

LANES_INLINE Lanes laneExp(Lanes v)
{
    for (int i = 0; i < kLanes; ++i) v[i] = std::exp(v[i]);
    return v;
}

// fastSinCos lane by lane: the kernel for all four, and lanes past pi/4
// (rare: large twists) redone one by one.
LANES_INLINE void fastSinCos(Lanes x, Lanes& sine, Lanes& cosine)
{
    sinCosKernel(x, sine, cosine);
    const LaneMask small = (x < 0.78) & (x > -0.78);
    if (allLanes(small)) return;
    for (int i = 0; i < kLanes; ++i) {
        if (small[i]) continue;
        double s, c;
        fastSinCos(x[i], s, c);
        sine[i] = s;
        cosine[i] = c;
    }
}
