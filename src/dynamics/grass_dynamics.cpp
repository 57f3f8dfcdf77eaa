#include "dynamics/grass_dynamics.h"

#include "dynamics/bend_chain.h"

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

// Four blades bent side by side by LaneMath, which gives each lane the
// operations FastMath gives one blade alone, so the bits are those of one
// at a time.
struct LaneChain {
    GrassBlade* const* blades;
    static constexpr int count = kGrassLevels;
    static constexpr const double* radii = nullptr; // blades taper linearly
    Lanes stiffness;

    LANES_INLINE LaneVec gather(Vec3 (GrassBlade::*array)[kGrassLevels], int j) const
    {
        LaneVec v;
        for (int i = 0; i < kLanes; ++i) {
            const Vec3& p = (blades[i]->*array)[j];
            v.x[i] = p.x;
            v.y[i] = p.y;
            v.z[i] = p.z;
        }
        return v;
    }
    LANES_INLINE void scatter(Vec3 (GrassBlade::*array)[kGrassLevels], int j, const LaneVec& v) const
    {
        for (int i = 0; i < kLanes; ++i) (blades[i]->*array)[j] = {v.x[i], v.y[i], v.z[i], 0};
    }
    LANES_INLINE LaneVec point(int j) const { return gather(&GrassBlade::centre, j); }
    LANES_INLINE LaneVec source(int j) const { return gather(&GrassBlade::restCentre, j); }
    LANES_INLINE void setPoint(int j, const LaneVec& p) { scatter(&GrassBlade::centre, j, p); }
};

// What bendJoints reads of the four bends.
struct LaneBend {
    Lanes size;
    LaneVec dir, towards; // the unit bend direction, and the same as measured against
    Lanes y[3];
    bool bent;
};

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
    LaneChain chain{blades, {}};
    LaneBend bend;
    bend.bent = true;
    for (int i = 0; i < kLanes; ++i) {
        const ChainBend& b = bends[i];
        chain.stiffness[i] = blades[i]->stiffness;
        bend.size[i] = b.size;
        bend.dir.x[i] = b.dir.x;
        bend.dir.y[i] = b.dir.y;
        bend.dir.z[i] = b.dir.z;
        bend.towards.x[i] = b.towards.unit.x;
        bend.towards.y[i] = b.towards.unit.y;
        bend.towards.z[i] = b.towards.unit.z;
        for (int k = 0; k < 3; ++k) bend.y[k][i] = b.y[k];
        blades[i]->centre[0] = blades[i]->restCentre[0];
        blades[i]->edge[0] = blades[i]->restEdge[0];
    }
    LaneAffine mt{};
    mt.m[0] = mt.m[5] = mt.m[10] = Lanes{} + 1.0;
    bendJoints<LaneMath>(kGrassRule, chain, bend, mt, Lanes{}, [&](int j, const LaneAffine& m, bool) LANES_LAMBDA {
        chain.scatter(&GrassBlade::edge, j + 1, LaneMath::place(m, chain.gather(&GrassBlade::restEdge, j + 1)));
    });
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
