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

// The lanes need every blade bent, with a valid bend direction and root;
// anything else goes one blade at a time.
LANES_INLINE void moveLanes(GrassBlade* const* blades, const Vec3* forces, double timeStep)
{
    Chain chains[kLanes];
    ChainBend bends[kLanes];
    bool lanes = true;
    for (int i = 0; i < kLanes; ++i) {
        GrassBlade& b = *blades[i];
        chains[i] = bladeChain(b, b.restCentre);
        bends[i] = stepBend<FastMath>(kGrassRule, chains[i], forces[i], timeStep);
        lanes = lanes && LaneBend::inLanes(bends[i]) && b.restCentre[0].status == 0;
    }
    if (!lanes) {
        for (int i = 0; i < kLanes; ++i) moveBladeWith<FastMath>(*blades[i], chains[i], bends[i], blades[i]->restEdge);
        return;
    }
    // Four blades by LaneMath, which gives each lane the operations FastMath
    // gives one blade alone: the bits are those of one at a time.
    LaneChain<GrassBlade, kGrassLevels> chain{blades, &GrassBlade::centre, &GrassBlade::restCentre, {}};
    const LaneBend bend(bends);
    for (int i = 0; i < kLanes; ++i) {
        chain.stiffness[i] = blades[i]->stiffness;
        blades[i]->centre[0] = blades[i]->restCentre[0];
        blades[i]->edge[0] = blades[i]->restEdge[0];
    }
    LaneAffine mt{};
    mt.m[0] = mt.m[5] = mt.m[10] = Lanes{} + 1.0;
    bendJoints<LaneMath>(kGrassRule, chain, bend, mt, Lanes{}, [&](int j, const LaneAffine& m, bool) LANES_LAMBDA {
        chain.scatter(&GrassBlade::edge, j + 1, LaneMath::place(m, chain.gather(&GrassBlade::restEdge, j + 1)));
    });
}

#ifdef LANES_HAVE_AVX2
LANES_AVX2 void moveLanesAvx2(GrassBlade* const* blades, const Vec3* forces, double timeStep)
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

void moveGrassLanesFromRest(GrassBlade* const blades[kGrassLanes], const Vec3 forces[kGrassLanes], double timeStep,
                            bool portable)
{
    static_assert(kGrassLanes == kLanes);
    runLanes(
        portable, [&] { moveLanes(blades, forces, timeStep); },
        [&] {
#ifdef LANES_HAVE_AVX2
            moveLanesAvx2(blades, forces, timeStep);
#endif
        },
        [&](int i) { moveBladeWith<FastMath>(*blades[i], forces[i], timeStep, true); });
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
