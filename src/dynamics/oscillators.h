// Numerical helpers of the dynamics.
//
// Sections, in order:
//   Oscillator step: stepOscillators
//   Joint maths: PlainMath, FastMathOf
//   Bend and twist: solveBendAngle, twistAngle
#pragma once
#include <cmath>
#include <type_traits>

#include "dynamics/fast_trig.h"
#include "dynamics/lanes.h"
#include "math/mat4.h"
#include "math/vec3.h"

// ---- Oscillator step

// Three damped oscillators, one semi-implicit Euler step each; x and v are
// updated in place and y receives f^2 * x (the new position).
void stepOscillators(double x[3], double v[3], const double f[3], const double zeta[3], const double force[3],
                     double dt, double y[3]);

// ---- Joint maths

// How a joint's angles are computed.
//  Plain: the textbook formulas with the C library's functions: the angle
//  phi between segment and bend by acos, sin(theta + phi) per Newton step,
//  sin and cos again for each rotation.
//  Fast: phi is kept as its cosine (the dot product) and sine (the length of
//  the cross product the rotation axis comes from), sin(theta + phi) is
//  composed from sin and cos of theta, which the bend rotation then reuses
//  and the next joint's solve starts from, and the trigonometry is inline;
//  divisions become reciprocals and the joint turns only the affine part of
//  the chain's matrix. Deterministic, within rounding of Plain. LaneMath is
//  Fast for four chains side by side, lane by lane the same bits.
enum class Arithmetic { Plain, Fast };

struct PlainMath {
    using Real = double;
    using Vector = Vec3;
    using Matrix = Mat4;
    using Towards = Direction;
    using Phase = double; // phi
    struct Turn {         // nothing kept for the rotation
        void shifted(double theta, Phase phi, double& sine, double& cosine, bool) const
        {
            ::sincos(theta + phi, &sine, &cosine); // the same values as sin and cos, in one call
        }
    };
    static Rotation bend(double theta, const Turn&, const Vec3& axis) { return rotation(-theta, axis); }
    static Rotation turn(double angle, const Vec3& axis) { return rotation(angle, axis); }
    // A joint's segment made unit (returns its length), the bend axis bendDir x seg
    // made unit, and the angle between segment and bend.
    static double jointFrame(Vec3& seg, const Vec3& bendDir, const Direction& towards, Vec3& axis, Phase& phi)
    {
        const double arm = lengthAndNormalize(seg);
        axis = unitCross(bendDir, seg);
        phi = angleBetween(seg, towards);
        return arm;
    }
    // The bend's size and direction, and the direction as measured against.
    static void bendOf(Vec3 bending, double& size, Vec3& unit, Direction& towards)
    {
        size = length(bending);
        unit = normalized(bending);
        towards = direction(unit);
    }
    static Vec3 place(const Mat4& m, const Vec3& p) { return transformPoint(m, p); }
    static Vec3 sub(const Vec3& a, const Vec3& b) { return ::sub(a, b); }
    // The joint turn J = T(p) a b T(-p) (b may be null): mt := J mt, q := J q.
    static void turnAbout(const Vec3& p, const Rotation& a, const Rotation* b, Mat4& mt, Vec3& q)
    {
        const Mat4 joint = b ? ::turnAbout(p, a, *b) : ::turnAbout(p, a);
        mt = multiplyAffine(joint, mt);
        q = transformPoint(joint, q);
    }
};

// T: double, or Lanes for four chains side by side; each lane gets the
// operations one double gets, so both give the same bits. For double the
// status words of points and directions are kept as the plain formulas
// keep them; lanes carry none (their callers take only valid chains).
template <class T>
struct FastMathOf {
    static constexpr bool kScalar = sizeof(T) == sizeof(double);
    using Real = T;
    using Mask = MaskOf<T>;
    using Vector = std::conditional_t<kScalar, Vec3, LaneVec>;
    using Rot = std::conditional_t<kScalar, Rotation, LaneRotation>;
    using Matrix = std::conditional_t<kScalar, Mat4, LaneAffine>;
    using Towards = std::conditional_t<kScalar, Direction, LaneVec>; // lanes: the unit direction
    struct Phase {
        T cosine = T{} + 1.0, sine = T{};
    };
    struct Turn {
        T sine = T{}, cosine = T{} + 1.0; // of the last theta evaluated
        T theta = T{};                    // that theta: the next joint's solve starts there
        // In lanes that are not active nothing changes.
        LANES_INLINE void shifted(T t, const Phase& phi, T& s, T& c, Mask active)
        {
            const Mask fresh = laneAnd(active, t != theta);
            if (anyLane(fresh)) {
                T newSine, newCosine;
                fastSinCos(t, newSine, newCosine);
                sine = select(fresh, newSine, sine);
                cosine = select(fresh, newCosine, cosine);
                theta = select(fresh, t, theta);
            }
            s = sine * phi.cosine + cosine * phi.sine;
            c = cosine * phi.cosine - sine * phi.sine;
        }
    };
    LANES_INLINE static Rot bend(T, const Turn& t, const Vector& axis) { return spin(-t.sine, t.cosine, axis); }
    LANES_INLINE static Rot turn(T angle, const Vector& axis)
    {
        T s, c;
        fastSinCos(angle, s, c);
        return spin(s, c, axis);
    }
    // rotation(sine, cosine, axis) without the additions to +0.0 that keep
    // the plain matrix product's signed zeros.
    LANES_INLINE static Rot spin(T s, T c, const Vector& axis)
    {
        const T x = axis.x, y = axis.y, z = axis.z;
        const T k = 1.0 - c;
        const T kx = k * x, ky = k * y, kz = k * z;
        const T kxy = kx * y, kxz = kx * z, kyz = ky * z;
        const T sx = s * x, sy = s * y, sz = s * z;
        return {{c + kx * x, kxy + sz, kxz - sy, kxy - sz, c + ky * y, kyz + sx, kxz + sy, kyz - sx, c + kz * z}};
    }
    // As the plain one, with the unit direction taken as its own unit copy
    // instead of being measured and divided a second time.
    static void bendOf(const Vec3& bending, double& size, Vec3& unit, Direction& towards)
    {
        size = length(bending);
        unit = {};
        if (bending.status == 0 && size != 0.0) {
            const double inverse = 1.0 / size;
            unit = {bending.x * inverse, bending.y * inverse, bending.z * inverse, 0};
        }
        towards.v = unit;
        towards.len = unit.status == 0 && size != 0.0 ? 1.0 : 0.0;
        towards.unit = towards.len != 0.0 ? unit : Vec3{};
    }
    LANES_INLINE static Vector sub(const Vector& a, const Vector& b)
    {
        if constexpr (kScalar) return ::sub(a, b);
        else return {a.x - b.x, a.y - b.y, a.z - b.z};
    }
    // The matrices of the chain are affine, last row (0, 0, 0, 1): no w.
    LANES_INLINE static Vector place(const Matrix& mat, const Vector& p)
    {
        const auto& m = mat.m;
        return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
    }
    // The joint turn on the affine parts alone: R = a b (b may be null),
    // then mt := R (mt - p) + p and q := R (q - p) + p.
    LANES_INLINE static void turnAbout(const Vector& p, const Rot& a, const Rot* b, Matrix& mt, Vector& q)
    {
        if constexpr (kScalar) {
            turnAboutInPairs(p, a, b, mt, q);
            return;
        }
        Rot r = a;
        if (b) {
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 3; ++col)
                    r.r[3 * row + col] =
                        a.r[3 * row] * b->r[col] + a.r[3 * row + 1] * b->r[3 + col] + a.r[3 * row + 2] * b->r[6 + col];
        }
        const T pr[3] = {p.x, p.y, p.z};
        auto& m = mt.m;
        T old[12];
        for (int i = 0; i < 12; ++i) old[i] = m[i];
        for (int i = 0; i < 3; ++i) old[4 * i + 3] = old[4 * i + 3] - pr[i];
        for (int row = 0; row < 3; ++row) {
            const T x = r.r[3 * row], y = r.r[3 * row + 1], z = r.r[3 * row + 2];
            for (int col = 0; col < 4; ++col) m[4 * row + col] = x * old[col] + y * old[4 + col] + z * old[8 + col];
            m[4 * row + 3] = m[4 * row + 3] + pr[row];
        }
        const T d0 = q.x - p.x, d1 = q.y - p.y, d2 = q.z - p.z;
        q = {r.r[0] * d0 + r.r[1] * d1 + r.r[2] * d2 + p.x, r.r[3] * d0 + r.r[4] * d1 + r.r[5] * d2 + p.y,
             r.r[6] * d0 + r.r[7] * d1 + r.r[8] * d2 + p.z};
    }
    // The same for one chain, two columns at a time where the order allows
    // (the translation column less p): the same products and sums in the
    // same order, with half the operations.
    LANES_INLINE static void turnAboutInPairs(const Vec3& p, const Rotation& a, const Rotation* b, Mat4& mt, Vec3& q)
    {
        using Pair = DoublePair;
        const double* A = a.r;
        Pair rLo[3];   // R's rows, columns 0 and 1
        double rHi[3]; // and column 2
        if (b) {
            const double* B = b->r;
            const Pair b0{B[0], B[1]}, b1{B[3], B[4]}, b2{B[6], B[7]};
            for (int row = 0; row < 3; ++row) {
                const double x = A[3 * row], y = A[3 * row + 1], z = A[3 * row + 2];
                rLo[row] = x * b0 + y * b1 + z * b2;
                rHi[row] = x * B[2] + y * B[5] + z * B[8];
            }
        } else {
            for (int row = 0; row < 3; ++row) {
                rLo[row] = Pair{A[3 * row], A[3 * row + 1]};
                rHi[row] = A[3 * row + 2];
            }
        }
        double* m = mt.m;
        const Pair mLo[3] = {Pair{m[0], m[1]}, Pair{m[4], m[5]}, Pair{m[8], m[9]}};
        const Pair mHi[3] = {Pair{m[2], m[3] - p.x}, Pair{m[6], m[7] - p.y}, Pair{m[10], m[11] - p.z}};
        const double pr[3] = {p.x, p.y, p.z};
        for (int row = 0; row < 3; ++row) {
            const double x = rLo[row][0], y = rLo[row][1], z = rHi[row];
            const Pair lo = x * mLo[0] + y * mLo[1] + z * mLo[2];
            const Pair hi = x * mHi[0] + y * mHi[1] + z * mHi[2];
            m[4 * row] = lo[0];
            m[4 * row + 1] = lo[1];
            m[4 * row + 2] = hi[0];
            m[4 * row + 3] = hi[1] + pr[row];
        }
        // q by R's columns: rows 0 and 1 together, row 2 alone.
        const double d0 = q.x - p.x, d1 = q.y - p.y, d2 = q.z - p.z;
        const Pair c0{rLo[0][0], rLo[1][0]}, c1{rLo[0][1], rLo[1][1]}, c2{rHi[0], rHi[1]};
        const Pair xy = d0 * c0 + d1 * c1 + d2 * c2 + Pair{p.x, p.y};
        q = {xy[0], xy[1], rLo[2][0] * d0 + rLo[2][1] * d1 + rHi[2] * d2 + p.z, 0};
    }
    // As the plain one, but the cross product is taken with the segment as it
    // is, beside its length rather than after it, and each division becomes
    // one reciprocal and products: the two are the joint loop's longest wait.
    LANES_INLINE static T jointFrame(Vector& seg, const Vector& bendDir, const Towards& towards, Vector& axis,
                                     Phase& phi)
    {
        if constexpr (kScalar) {
            if (seg.status != 0) {
                seg = {0.0, 0.0, 0.0, 2};
                axis = {};
                phi = {};
                return 0.0;
            }
        }
        const Vector raw = seg;
        const T arm = laneSqrt(raw.x * raw.x + raw.y * raw.y + raw.z * raw.z);
        const Vector& a = bendDir; // unit, valid
        const Vector c{a.y * raw.z - raw.y * a.z, a.z * raw.x - a.x * raw.z, a.x * raw.y - a.y * raw.x};
        const T crossLength = laneSqrt(c.x * c.x + c.y * c.y + c.z * c.z);
        if constexpr (kScalar) {
            if (arm == 0.0) {
                seg = {0.0, 0.0, 0.0, 1};
                axis = {};
                phi = {};
                return 0.0;
            }
        }
        const T inverse = 1.0 / arm;
        seg = {raw.x * inverse, raw.y * inverse, raw.z * inverse};
        axis = c;
        const Mask crossed = crossLength != 0.0;
        if (anyLane(crossed)) {
            const T across = 1.0 / crossLength;
            axis = {select(crossed, c.x * across, c.x), select(crossed, c.y * across, c.y),
                    select(crossed, c.z * across, c.z)};
        }
        phi = {};
        const Vector* unit;
        if constexpr (kScalar) {
            if (towards.v.status != 0 || towards.len < 1e-10) return arm;
            unit = &towards.unit;
        } else {
            unit = &towards;
        }
        T d = (raw.x * unit->x + raw.y * unit->y + raw.z * unit->z) * inverse;
        d = select(d < -1.0, T{} - 1.0, d);
        d = select(d > 1.0, T{} + 1.0, d);
        phi = {d, crossLength * inverse};
        if constexpr (!kScalar) {
            // A zero segment: no frame, as one chain alone gets it.
            const Mask zero = arm == 0.0;
            if (anyLane(zero)) {
                const T none{};
                seg = {select(zero, none, seg.x), select(zero, none, seg.y), select(zero, none, seg.z)};
                axis = {select(zero, none, axis.x), select(zero, none, axis.y), select(zero, none, axis.z)};
                phi = {select(zero, none + 1.0, phi.cosine), select(zero, none, phi.sine)};
            }
        }
        return arm;
    }
};

using FastMath = FastMathOf<double>;
using LaneMath = FastMathOf<Lanes>;

// ---- Bend and twist

// Newton iteration for the root of -L sin(theta + phi) - k theta, L = load * arm,
// T double or Lanes (each lane its own solve, a finished lane left as it is).
// Returns the last point at which g was evaluated; *turn, when given, gets
// what the rotation by that angle can reuse, and what it holds on entry
// serves the first evaluation when that is at the same angle.
template <class T, class Phase, class Turn = PlainMath::Turn>
LANES_INLINE T solveBendAngle(T theta0, T load, T arm, const Phase& phi, T k, int maxIterations, Turn* turn = nullptr)
{
    using Mask = MaskOf<T>;
    const T big = load * arm;
    T theta = theta0;
    Turn last = turn ? *turn : Turn{};
    Mask active = everyLane<T>(true);
    for (int count = 1;; ++count) {
        T sine, cosine;
        last.shifted(theta, phi, sine, cosine, active);
        const T g = -big * sine - k * theta;
        const T dg = -big * cosine - k;
        // A flat g' would throw the angle to infinity: stay at the last finite point.
        const Mask done =
            laneOr(laneOr(laneAnd(g <= 0.0001, g >= -0.0001), dg == 0.0), everyLane<T>(count >= maxIterations));
        const T next = theta - g / dg;
        active = laneAnd(laneAnd(active, laneNot(done)), isFinite(next));
        if (!anyLane(active)) {
            if (turn) *turn = last;
            return theta;
        }
        theta = select(active, next, theta);
    }
}

// Twist of a petiole or blade segment from the y oscillator: opposite in sign
// to yy, saturating below pi/3.
constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3
template <class T>
LANES_INLINE T twistAngle(T yy, T arm, T stiffness)
{
    const T e = yy * arm / stiffness;
    const auto up = yy > 0.0;
    const T grown = 1.0 - laneExp(select(up, -e, e));
    return select(up, -kMaxTwist * grown, kMaxTwist * grown);
}
