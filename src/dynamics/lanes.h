// Four doubles side by side (GCC vectors). Each lane gets exactly the IEEE
// operations a double alone would, so code written for both (the helpers
// below come for double and for Lanes) gives the same bits either way;
// branches become masks and selects.
//
// Everything taking or returning Lanes is forced inline: callers may be
// built for a wider instruction set (target("avx2")) than these helpers,
// and no call may pass a vector across that boundary.
#pragma once
#include <cmath>
#include <cstdlib>

#include "dynamics/fast_trig.h"

// No Lanes crosses a call (see above), so the ABI note does not apply.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wunknown-warning-option"
#pragma clang diagnostic ignored "-Wpsabi"
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#define LANES_INLINE [[gnu::always_inline]] inline
#define LANES_LAMBDA __attribute__((always_inline))

typedef double Lanes __attribute__((vector_size(32)));
using LaneMask = decltype(Lanes{} < Lanes{}); // 64-bit integers, all ones where true

constexpr int kLanes = 4;

// Lane code can be built a second time for AVX2 (four lanes to a register):
// LANES_AVX2 marks that build, wideLanes() says whether to run it: the
// processor has AVX2 and ARBORVANE_NO_AVX2 is not set. Without it the
// callers bend one chain at a time, which is faster than lanes two to a
// register. No FMA: each lane keeps the bits of a double.
#if defined(__x86_64__) && defined(__GNUC__)
#define LANES_HAVE_AVX2 1
#define LANES_AVX2 __attribute__((target("avx2")))
inline bool wideLanes()
{
    static const bool avx2 = __builtin_cpu_supports("avx2") && !std::getenv("ARBORVANE_NO_AVX2");
    return avx2;
}
#else
inline bool wideLanes() { return false; }
#endif

// Runs kLanes chains the way this processor runs them fastest with the same
// bits: the portable lane code when asked (tests), the AVX2 build where
// wideLanes(), else each chain alone (one(i) for lane i).
template <class Portable, class Wide, class One>
inline void runLanes(bool portable, Portable portableLanes, [[maybe_unused]] Wide wide, One one)
{
    if (portable) return portableLanes();
#ifdef LANES_HAVE_AVX2
    if (wideLanes()) return wide();
#endif
    for (int i = 0; i < kLanes; ++i) one(i);
}

// What a comparison of T gives: bool, or LaneMask.
template <class T>
using MaskOf = decltype(T{} < T{});

LANES_INLINE bool anyLane(bool m) { return m; }
LANES_INLINE bool anyLane(LaneMask m) { return (m[0] | m[1] | m[2] | m[3]) != 0; }
LANES_INLINE bool allLanes(LaneMask m) { return (m[0] & m[1] & m[2] & m[3]) != 0; }
LANES_INLINE bool laneNot(bool m) { return !m; }
LANES_INLINE LaneMask laneNot(LaneMask m) { return ~m; }
LANES_INLINE bool laneAnd(bool a, bool b) { return a && b; }
LANES_INLINE LaneMask laneAnd(LaneMask a, LaneMask b) { return a & b; }
LANES_INLINE bool laneOr(bool a, bool b) { return a || b; }
LANES_INLINE LaneMask laneOr(LaneMask a, LaneMask b) { return a | b; }
template <class T>
LANES_INLINE MaskOf<T> everyLane(bool b)
{
    if constexpr (sizeof(T) == sizeof(double)) return b;
    else return b ? LaneMask{} - 1 : LaneMask{};
}

// m ? a : b lane by lane; for Lanes by bits (no vector ?: needed).
LANES_INLINE double select(bool m, double a, double b) { return m ? a : b; }
LANES_INLINE Lanes select(LaneMask m, Lanes a, Lanes b)
{
    return (Lanes)(((LaneMask)a & m) | ((LaneMask)b & ~m));
}

LANES_INLINE double laneSqrt(double v) { return std::sqrt(v); }
LANES_INLINE Lanes laneSqrt(Lanes v)
{
    for (int i = 0; i < kLanes; ++i) v[i] = std::sqrt(v[i]);
    return v;
}

LANES_INLINE double laneExp(double v) { return std::exp(v); }
LANES_INLINE Lanes laneExp(Lanes v)
{
    for (int i = 0; i < kLanes; ++i) v[i] = std::exp(v[i]);
    return v;
}

LANES_INLINE bool isFinite(double v) { return std::isfinite(v); }
LANES_INLINE LaneMask isFinite(Lanes v) { return (v - v) == 0.0; } // inf - inf and NaN give NaN

// fastSinCos lane by lane: the kernel for all four, and lanes past pi/4
// (large twists) redone one by one.
LANES_INLINE void fastSinCos(Lanes x, Lanes& sine, Lanes& cosine)
{
    sinCosKernel(x, sine, cosine);
    const LaneMask small = laneAnd(x < 0.78, x > -0.78);
    if (allLanes(small)) return;
    for (int i = 0; i < kLanes; ++i) {
        if (small[i]) continue;
        double s, c;
        fastSinCos(x[i], s, c);
        sine[i] = s;
        cosine[i] = c;
    }
}

// Four points, a rotation block and the affine rows of a matrix, lane by lane.
struct LaneVec {
    Lanes x, y, z;
};
struct LaneRotation {
    Lanes r[9];
};
struct LaneAffine {
    Lanes m[12]; // rows 0..2 of a matrix whose last row is (0, 0, 0, 1)
};
