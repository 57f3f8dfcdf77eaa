// Sine and cosine of one argument without a library call: a quadrant
// reduction and the classic minimax kernels (within about an ulp of the
// C library's values for moderate arguments). Inline so the joint loops
// keep their arguments in registers; huge or non-finite arguments go to
// the C library.
#pragma once
#include <cmath>

// Two doubles in one register (GCC vectors): operations on it are the same
// IEEE operations as on each double alone, so results keep their bits.
typedef double DoublePair __attribute__((vector_size(16)));

// The kernels for |r| <= pi/4; T is double or Lanes (dynamics/lanes.h), each
// lane getting the operations a double gets.
template <class T>
[[gnu::always_inline]] inline void sinCosKernel(T r, T& s, T& c)
{
    const T z = r * r;
    s = r + r * z *
                (-1.66666666666666324348e-01 +
                 z * (8.33333333332248946124e-03 +
                      z * (-1.98412698298579493134e-04 +
                           z * (2.75573137070700676789e-06 +
                                z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
    const T w = z * z;
    T h0, h1; // the cosine's two halves
    if constexpr (sizeof(T) == sizeof(double)) {
        // Side by side: the same operations, half the count.
        DoublePair h = DoublePair{2.48015872894767294178e-05, -1.13596475577881948265e-11} * z +
                       DoublePair{-1.38888888888741095749e-03, 2.08757232129817482790e-09};
        h = h * z + DoublePair{4.16666666666666019037e-02, -2.75573143513906633035e-07};
        h0 = h[0];
        h1 = h[1];
    } else {
        h0 = (2.48015872894767294178e-05 * z + -1.38888888888741095749e-03) * z + 4.16666666666666019037e-02;
        h1 = (-1.13596475577881948265e-11 * z + 2.08757232129817482790e-09) * z + -2.75573143513906633035e-07;
    }
    const T p = z * h0 + w * w * h1;
    const T hz = 0.5 * z;
    const T one = 1.0 - hz;
    c = one + (((1.0 - one) - hz) + z * p);
}

inline void fastSinCos(double x, double& sine, double& cosine)
{
    // Below pi/4 the reduction would give q = 0 and r = x exactly; bend and
    // twist angles nearly always are, so they skip it.
    if (std::fabs(x) < 0.78) {
        sinCosKernel(x, sine, cosine);
        return;
    }
    if (!(std::fabs(x) < 1.0e5)) {
        ::sincos(x, &sine, &cosine);
        return;
    }
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPiOver2Hi = 1.57079632673412561417e+00; // first 33 bits of pi/2
    constexpr double kPiOver2Lo = 6.07710050650619224932e-11; // pi/2 - kPiOver2Hi
    constexpr double kRound = 6755399441055744.0;             // 1.5 * 2^52: adding it rounds to an integer
    const double q = (x * kTwoOverPi + kRound) - kRound;
    const double r = (x - q * kPiOver2Hi) - q * kPiOver2Lo;
    double s, c;
    sinCosKernel(r, s, c);
    switch (static_cast<long>(q) & 3) {
    case 0: sine = s; cosine = c; break;
    case 1: sine = c; cosine = -s; break;
    case 2: sine = -s; cosine = -c; break;
    default: sine = -c; cosine = s; break;
    }
}
