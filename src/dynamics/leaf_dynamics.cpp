#include "dynamics/leaf_dynamics.h"

#include "dynamics/bend_chain.h"

namespace {
// The twist oscillator is driven like the z one, but faster; the joint
// springs soften towards the blade and the load is the same at every joint.
constexpr ChainRule kLeafRule{{0.7, 1.2, 1.0}, {1.4, 0.9, 1.0}, 1000, false, true};

template <class M>
void moveLeafWith(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep)
{
    Mat4 mt = mb;
    const int points = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    Chain chain{leaf.petiolePoints, leaf.petiolePoints, points, nullptr, {}, {}, leaf.bendPosition, leaf.bendVelocity,
                leaf.frequency, leaf.dampingRatio, leaf.stiffness};
    rideOn<M>(mt, leaf.frameX, leaf.frameY, leaf.frameZ, leaf.petiolePoints[0], chain.axisX, chain.axisZ);
    bendChain<M>(kLeafRule, chain, force, timeStep, mt, 0.0, [](int, const Mat4&, bool) {});
    leaf.bladeMatrix = multiply(mt, leaf.bladeMatrix);
}
} // namespace

void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep, Arithmetic arithmetic)
{
    if (arithmetic == Arithmetic::Fast)
        moveLeafWith<FastMath>(leaf, mb, force, timeStep);
    else
        moveLeafWith<PlainMath>(leaf, mb, force, timeStep);
}
