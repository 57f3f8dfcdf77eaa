#include "dynamics/leaf_dynamics.h"

#include "dynamics/bend_chain.h"

namespace {
// The twist oscillator is driven like the z one, but faster; the joint
// springs soften towards the blade and the load is the same at every joint.
constexpr ChainRule kLeafRule{{0.7, 1.2, 1.0}, {1.4, 0.9, 1.0}, 1000, false, true};

Chain leafChain(Leaf& leaf)
{
    const int points = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    return {leaf.petiolePoints, leaf.petiolePoints, points, nullptr, {}, {}, leaf.bendPosition, leaf.bendVelocity,
            leaf.frequency, leaf.dampingRatio, leaf.stiffness};
}

template <class M>
void moveLeafWith(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep)
{
    Mat4 mt = mb;
    Chain chain = leafChain(leaf);
    rideOn<M>(mt, leaf.frameX, leaf.frameY, leaf.frameZ, leaf.petiolePoints[0], chain.axisX, chain.axisZ);
    bendChain<M>(kLeafRule, chain, force, timeStep, mt, 0.0, [](int, const Mat4&, bool) {});
    leaf.bladeMatrix = multiply(mt, leaf.bladeMatrix);
}

LANES_INLINE void moveLanes(Leaf* const* leaves, const Mat4* const* mb, const Vec3* forces, double timeStep)
{
    Mat4 mt[kLanes];
    Chain chains[kLanes];
    ChainBend bends[kLanes];
    bool lanes = true;
    for (int i = 0; i < kLanes; ++i) {
        Leaf& leaf = *leaves[i];
        mt[i] = *mb[i];
        chains[i] = leafChain(leaf);
        rideOn<FastMath>(mt[i], leaf.frameX, leaf.frameY, leaf.frameZ, leaf.petiolePoints[0], chains[i].axisX,
                         chains[i].axisZ);
        bends[i] = stepBend<FastMath>(kLeafRule, chains[i], forces[i], timeStep);
        lanes = lanes && LaneBend::inLanes(bends[i]) && chains[i].count == kPetiolePoints;
    }
    if (lanes) {
        // Side by side by LaneMath: each lane gets the operations of one leaf alone.
        LaneChain<Leaf, kPetiolePoints> chain{leaves, &Leaf::petiolePoints, &Leaf::petiolePoints, {}};
        LaneAffine rows;
        for (int i = 0; i < kLanes; ++i) {
            chain.stiffness[i] = leaves[i]->stiffness;
            for (int k = 0; k < 12; ++k) rows.m[k][i] = mt[i].m[k];
        }
        bendJoints<LaneMath>(kLeafRule, chain, LaneBend(bends), rows, Lanes{}, [](int, const LaneAffine&, bool) {});
        for (int i = 0; i < kLanes; ++i)
            for (int k = 0; k < 12; ++k) mt[i].m[k] = rows.m[k][i];
    } else {
        for (int i = 0; i < kLanes; ++i)
            bendJoints<FastMath>(kLeafRule, chains[i], bends[i], mt[i], 0.0, [](int, const Mat4&, bool) {});
    }
    for (int i = 0; i < kLanes; ++i) leaves[i]->bladeMatrix = multiply(mt[i], leaves[i]->bladeMatrix);
}

#ifdef LANES_HAVE_AVX2
LANES_AVX2 void moveLanesAvx2(Leaf* const* leaves, const Mat4* const* mb, const Vec3* forces, double timeStep)
{
    moveLanes(leaves, mb, forces, timeStep);
}
#endif
} // namespace

void moveLeafLanes(Leaf* const leaves[kLeafLanes], const Mat4* const mb[kLeafLanes], const Vec3 forces[kLeafLanes],
                   double timeStep, bool portable)
{
    static_assert(kLeafLanes == kLanes);
    runLanes(
        portable, [&] { moveLanes(leaves, mb, forces, timeStep); },
        [&] {
#ifdef LANES_HAVE_AVX2
            moveLanesAvx2(leaves, mb, forces, timeStep);
#endif
        },
        [&](int i) { moveLeafWith<FastMath>(*leaves[i], *mb[i], forces[i], timeStep); });
}

void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep, Arithmetic arithmetic)
{
    if (arithmetic == Arithmetic::Fast)
        moveLeafWith<FastMath>(leaf, mb, force, timeStep);
    else
        moveLeafWith<PlainMath>(leaf, mb, force, timeStep);
}
