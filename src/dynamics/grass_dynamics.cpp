#include "dynamics/grass_dynamics.h"

#include "dynamics/bend_chain.h"
#include "math/lanes.h"

namespace {
// Blades twist like petioles and settle for at most 10 Newton evaluations a joint.
constexpr ChainRule kGrassRule{{0.9, 1.1, 1.0}, {1.1, 0.9, 1.0}, 10, false, true};

// Bends a blade from centre and edge (its rest copy or where it is) by this step's bend.
template <class M>
void moveBladeWith(GrassBlade& blade, Chain& chain, const ChainBend& bend, const Vec3* edge)
{
    // The root stays; the stored cross directions are used as they are.
    blade.centre[0] = chain.from[0];
    blade.edge[0] = edge[0];
    Mat4 mt = identity();
    bendJoints<M>(kGrassRule, chain, bend, mt, 0.0, [&](int j, const Mat4& m, bool bent) {
        blade.edge[j + 1] = bent ? M::place(m, edge[j + 1]) : edge[j + 1];
    });
}

Chain bladeChain(GrassBlade& blade, const Vec3* centre)
{
    return {blade.centre, centre, kGrassLevels, nullptr, blade.baseU, blade.baseV, blade.bendPosition,
            blade.bendVelocity, blade.frequency, blade.dampingRatio, blade.stiffness};
}

// fromRest: the blade starts from its rest copy, which saves restoring it
// first; else from where it is.
template <class M>
void moveBladeWith(GrassBlade& blade, const Vec3& force, double timeStep, bool fromRest)
{
    Chain chain = bladeChain(blade, fromRest ? blade.restCentre : blade.centre);
    const ChainBend bend = stepBend<M>(kGrassRule, chain, force, timeStep);
    moveBladeWith<M>(blade, chain, bend, fromRest ? blade.restEdge : blade.edge);
}

// Four blades bent side by side, each lane with the operations FastMath
// gives one blade alone (bendChain with kGrassRule from the rest copy), so
// the bits are those of one at a time.
namespace lane {

struct Vec {
    Lanes x, y, z;
};

template <class Get>
LANES_INLINE Vec gather(GrassBlade* const* b, Get get)
{
    Vec v;
    for (int i = 0; i < kLanes; ++i) {
        const Vec3& p = get(*b[i]);
        v.x[i] = p.x;
        v.y[i] = p.y;
        v.z[i] = p.z;
    }
    return v;
}

LANES_INLINE void scatter(const Vec& v, GrassBlade* const* b, Vec3 (GrassBlade::*array)[kGrassLevels], int j)
{
    for (int i = 0; i < kLanes; ++i) (b[i]->*array)[j] = {v.x[i], v.y[i], v.z[i], 0};
}

LANES_INLINE Vec sub(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
LANES_INLINE Vec scale(const Vec& v, Lanes s) { return {v.x * s, v.y * s, v.z * s}; }
LANES_INLINE Lanes norm(const Vec& v) { return laneSqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// FastMath::place on the affine rows m[0..11].
LANES_INLINE Vec place(const Lanes* m, const Vec& p)
{
    return {m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
            m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

// FastMath::spin.
LANES_INLINE void spin(Lanes s, Lanes c, const Vec& axis, Lanes* r)
{
    const Lanes x = axis.x, y = axis.y, z = axis.z;
    const Lanes k = 1.0 - c;
    const Lanes kx = k * x, ky = k * y, kz = k * z;
    const Lanes kxy = kx * y, kxz = kx * z, kyz = ky * z;
    const Lanes sx = s * x, sy = s * y, sz = s * z;
    const Lanes out[9] = {c + kx * x, kxy + sz, kxz - sy, kxy - sz, c + ky * y, kyz + sx, kxz + sy, kyz - sx, c + kz * z};
    for (int i = 0; i < 9; ++i) r[i] = out[i];
}

// Per blade: what the lanes read besides the points.
struct Bend {
    Lanes size, stiffness, twistDrive; // bend size, the blade's stiffness, y[1]
    Vec dir, towards;                  // unit bend direction and its measuring copy
};

// FastMath::jointFrame for a valid segment and a valid bend direction.
LANES_INLINE Lanes jointFrame(Vec& seg, const Bend& bend, Vec& axis, Lanes& phiCos, Lanes& phiSin)
{
    const Vec raw = seg;
    const Lanes arm = norm(raw);
    const Vec& a = bend.dir;
    const Vec c{a.y * raw.z - raw.y * a.z, a.z * raw.x - a.x * raw.z, a.x * raw.y - a.y * raw.x};
    const Lanes crossLength = norm(c);
    const Lanes inverse = 1.0 / arm;
    seg = scale(raw, inverse);
    axis = c;
    const LaneMask crossed = crossLength != 0.0;
    if (anyLane(crossed)) {
        const Vec unit = scale(c, 1.0 / crossLength);
        axis = {select(crossed, unit.x, c.x), select(crossed, unit.y, c.y), select(crossed, unit.z, c.z)};
    }
    Lanes d = (raw.x * bend.towards.x + raw.y * bend.towards.y + raw.z * bend.towards.z) * inverse;
    d = select(d < -1.0, Lanes{} - 1.0, d);
    d = select(d > 1.0, Lanes{} + 1.0, d);
    phiCos = d;
    phiSin = crossLength * inverse;
    // A zero segment: no frame.
    const LaneMask zero = arm == 0.0;
    if (anyLane(zero)) {
        const Lanes none{};
        seg = {select(zero, none, seg.x), select(zero, none, seg.y), select(zero, none, seg.z)};
        axis = {select(zero, none, axis.x), select(zero, none, axis.y), select(zero, none, axis.z)};
        phiCos = select(zero, none + 1.0, phiCos);
        phiSin = select(zero, none, phiSin);
    }
    return arm;
}

// solveBendAngle with FastMath's Turn, lane by lane: a lane that is done
// keeps its angle and its sine and cosine while the others go on.
struct Turn {
    Lanes sine{}, cosine = Lanes{} + 1.0, theta{};
};

LANES_INLINE Lanes solveBendAngle(Lanes theta, Lanes load, Lanes arm, Lanes phiCos, Lanes phiSin, Lanes k, int maxIterations,
                     Turn& turn)
{
    const Lanes big = load * arm;
    LaneMask active = LaneMask{} - 1; // all lanes
    for (int count = 1;; ++count) {
        const LaneMask fresh = active & (theta != turn.theta);
        if (anyLane(fresh)) {
            Lanes s, c;
            fastSinCos(theta, s, c);
            turn.sine = select(fresh, s, turn.sine);
            turn.cosine = select(fresh, c, turn.cosine);
            turn.theta = select(fresh, theta, turn.theta);
        }
        const Lanes sine = turn.sine * phiCos + turn.cosine * phiSin;
        const Lanes cosine = turn.cosine * phiCos - turn.sine * phiSin;
        const Lanes g = -big * sine - k * theta;
        const Lanes dg = -big * cosine - k;
        const LaneMask done = ((g <= 0.0001) & (g >= -0.0001)) | (dg == 0.0) |
                              (count >= maxIterations ? LaneMask{} - 1 : LaneMask{});
        const Lanes next = theta - g / dg;
        const LaneMask finite = (next - next) == 0.0;
        active &= ~done & finite;
        if (!anyLane(active)) return theta;
        theta = select(active, next, theta);
    }
}

// twistAngle lane by lane.
LANES_INLINE Lanes twistAngle(Lanes yy, Lanes arm, Lanes stiffness)
{
    const Lanes e = yy * arm / stiffness;
    const LaneMask up = yy > 0.0;
    const Lanes grown = 1.0 - laneExp(select(up, -e, e));
    return select(up, -kMaxTwist * grown, kMaxTwist * grown);
}

// FastMath::turnAbout with a twist b: R = a b, mt := R (mt - p) + p and
// q := R (q - p) + p, on the affine rows mt[0..11].
LANES_INLINE void turnAbout(const Vec& p, const Lanes* a, const Lanes* b, Lanes* mt, Vec& q)
{
    Lanes r[9];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[3 * row + col] = a[3 * row] * b[col] + a[3 * row + 1] * b[3 + col] + a[3 * row + 2] * b[6 + col];
    const Lanes pr[3] = {p.x, p.y, p.z};
    Lanes old[12];
    for (int i = 0; i < 12; ++i) old[i] = mt[i];
    for (int i = 0; i < 3; ++i) old[4 * i + 3] = old[4 * i + 3] - pr[i];
    for (int row = 0; row < 3; ++row) {
        const Lanes x = r[3 * row], y = r[3 * row + 1], z = r[3 * row + 2];
        for (int col = 0; col < 4; ++col) mt[4 * row + col] = x * old[col] + y * old[4 + col] + z * old[8 + col];
        mt[4 * row + 3] = mt[4 * row + 3] + pr[row];
    }
    const Vec d = sub(q, p);
    q = {r[0] * d.x + r[1] * d.y + r[2] * d.z + p.x, r[3] * d.x + r[4] * d.y + r[5] * d.z + p.y,
         r[6] * d.x + r[7] * d.y + r[8] * d.z + p.z};
}

} // namespace lane

// The lanes need every blade bent, with a valid bend direction and root;
// anything else goes one blade at a time.
bool bendInLanes(const ChainBend& b, const GrassBlade& blade)
{
    return b.bent && b.towards.v.status == 0 && b.towards.len >= 1e-10 && b.dir.status == 0 &&
           blade.restCentre[0].status == 0;
}

LANES_INLINE void moveLanes(GrassBlade* const* blades, const Vec3* forces, double timeStep)
{
    ChainBend bends[kLanes];
    bool lanes = true;
    for (int i = 0; i < kLanes; ++i) {
        GrassBlade& b = *blades[i];
        Chain chain = bladeChain(b, b.restCentre);
        bends[i] = stepBend<FastMath>(kGrassRule, chain, forces[i], timeStep);
        lanes = lanes && bendInLanes(bends[i], b);
    }
    if (!lanes) {
        for (int i = 0; i < kLanes; ++i) {
            Chain chain = bladeChain(*blades[i], blades[i]->restCentre);
            moveBladeWith<FastMath>(*blades[i], chain, bends[i], blades[i]->restEdge);
        }
        return;
    }
    lane::Bend bending;
    for (int i = 0; i < kLanes; ++i) {
        const ChainBend& b = bends[i];
        bending.size[i] = b.size;
        bending.stiffness[i] = blades[i]->stiffness;
        bending.twistDrive[i] = b.y[1];
        bending.dir.x[i] = b.dir.x;
        bending.dir.y[i] = b.dir.y;
        bending.dir.z[i] = b.dir.z;
        bending.towards.x[i] = b.towards.unit.x;
        bending.towards.y[i] = b.towards.unit.y;
        bending.towards.z[i] = b.towards.unit.z;
        blades[i]->centre[0] = blades[i]->restCentre[0];
        blades[i]->edge[0] = blades[i]->restEdge[0];
    }
    Lanes mt[12] = {};
    mt[0] = mt[5] = mt[10] = Lanes{} + 1.0;
    lane::Vec p = lane::gather(blades, [](const GrassBlade& b) -> const Vec3& { return b.restCentre[0]; });
    Lanes thetaPrev{};
    lane::Turn turn;
    constexpr int n = kGrassLevels - 1;
    for (int j = 0; j < n; ++j) {
        lane::Vec q = lane::place(mt, lane::gather(blades, [j](const GrassBlade& b) -> const Vec3& {
                                            return b.restCentre[j + 1];
                                        }));
        const Lanes k = bending.stiffness * (1.0 - 0.5 * j / n);
        lane::Vec seg = lane::sub(q, p);
        lane::Vec axis;
        Lanes phiCos, phiSin;
        const Lanes arm = lane::jointFrame(seg, bending, axis, phiCos, phiSin);
        thetaPrev = lane::solveBendAngle(thetaPrev, bending.size, arm, phiCos, phiSin, k, kGrassRule.maxIterations, turn);
        Lanes bend[9], twist[9];
        lane::spin(-turn.sine, turn.cosine, axis, bend);
        Lanes s, c;
        fastSinCos(-lane::twistAngle(bending.twistDrive, arm, bending.stiffness), s, c);
        lane::spin(s, c, seg, twist);
        lane::turnAbout(p, bend, twist, mt, q);
        p = q;
        lane::scatter(p, blades, &GrassBlade::centre, j + 1);
        lane::scatter(lane::place(mt, lane::gather(blades, [j](const GrassBlade& b) -> const Vec3& {
                          return b.restEdge[j + 1];
                      })),
                      blades, &GrassBlade::edge, j + 1);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
#define ARBORVANE_AVX2_LANES 1
// The same code built for AVX2: four lanes in one register.
__attribute__((target("avx2"))) void moveLanesAvx2(GrassBlade* const* blades, const Vec3* forces, double timeStep)
{
    moveLanes(blades, forces, timeStep);
}
#endif

void moveBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic, bool fromRest)
{
    if (arithmetic == Arithmetic::Fast)
        moveBladeWith<FastMath>(blade, force, timeStep, fromRest);
    else
        moveBladeWith<PlainMath>(blade, force, timeStep, fromRest);
}
} // namespace

void moveGrassLanesFromRest(GrassBlade* const blades[kGrassLanes], const Vec3 forces[kGrassLanes], double timeStep)
{
#ifdef ARBORVANE_AVX2_LANES
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return moveLanesAvx2(blades, forces, timeStep);
#endif
    moveLanes(blades, forces, timeStep);
}

void moveGrassLanesPortable(GrassBlade* const blades[kGrassLanes], const Vec3 forces[kGrassLanes], double timeStep)
{
    moveLanes(blades, forces, timeStep);
}

void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic)
{
    moveBlade(blade, force, timeStep, arithmetic, false);
}

void moveGrassBladeFromRest(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic)
{
    moveBlade(blade, force, timeStep, arithmetic, true);
}

void moveGrass(GrassField& grass, const WindField& field, const WindInput& wind, double timeStep,
               Arithmetic arithmetic)
{
    if (!grass.blades) return;
    for (int i = 0; i < grass.bladeCount; ++i) {
        GrassBlade& blade = grass.blades[i];
        moveGrassBlade(blade, sampleWindForce(field, wind, blade.noisePosition, 0.3), timeStep, arithmetic);
    }
}
