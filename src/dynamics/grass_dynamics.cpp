#include "dynamics/grass_dynamics.h"

#include "dynamics/bend_chain.h"

namespace {
// Blades twist like petioles and settle for at most 10 Newton evaluations a joint.
constexpr ChainRule kGrassRule{{0.9, 1.1, 1.0}, {1.1, 0.9, 1.0}, 10, false, true};

template <class M>
void moveBladeWith(GrassBlade& blade, const Vec3& force, double timeStep)
{
    // The root stays; the stored cross directions are used as they are.
    Chain chain{blade.centre, kGrassLevels, nullptr, blade.baseU, blade.baseV, blade.bendPosition,
                blade.bendVelocity, blade.frequency, blade.dampingRatio, blade.stiffness};
    Mat4 mt = identity();
    bendChain<M>(kGrassRule, chain, force, timeStep, mt, 0.0, [&](int j, const Mat4& m, bool bent) {
        if (bent) blade.edge[j + 1] = M::place(m, blade.edge[j + 1]);
    });
}
} // namespace

void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep, Arithmetic arithmetic)
{
    if (arithmetic == Arithmetic::Fast)
        moveBladeWith<FastMath>(blade, force, timeStep);
    else
        moveBladeWith<PlainMath>(blade, force, timeStep);
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
