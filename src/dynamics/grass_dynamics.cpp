#include "dynamics/grass_dynamics.h"

#include "dynamics/bend_chain.h"

namespace {
// Blades twist like petioles and settle for at most 10 Newton evaluations a joint.
constexpr ChainRule kGrassRule{{0.9, 1.1, 1.0}, {1.1, 0.9, 1.0}, 10, false, true};

// fromRest: the blade starts from its rest copy, which saves restoring it
// first; else from where it is.
template <class M>
void moveBladeWith(GrassBlade& blade, const Vec3& force, double timeStep, bool fromRest)
{
    const Vec3* centre = fromRest ? blade.restCentre : blade.centre;
    const Vec3* edge = fromRest ? blade.restEdge : blade.edge;
    // The root stays; the stored cross directions are used as they are.
    blade.centre[0] = centre[0];
    blade.edge[0] = edge[0];
    Chain chain{blade.centre, centre, kGrassLevels, nullptr, blade.baseU, blade.baseV, blade.bendPosition,
                blade.bendVelocity, blade.frequency, blade.dampingRatio, blade.stiffness};
    Mat4 mt = identity();
    bendChain<M>(kGrassRule, chain, force, timeStep, mt, 0.0, [&](int j, const Mat4& m, bool bent) {
        blade.edge[j + 1] = bent ? M::place(m, edge[j + 1]) : edge[j + 1];
    });
}

void moveBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic, bool fromRest)
{
    if (arithmetic == Arithmetic::Fast)
        moveBladeWith<FastMath>(blade, force, timeStep, fromRest);
    else
        moveBladeWith<PlainMath>(blade, force, timeStep, fromRest);
}
} // namespace

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
