#include "dynamics/grass_dynamics.h"

#include <cmath>

#include "dynamics/affine.h"
#include "math/oscillators.h"

void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep)
{
    Vec3 dir = force;
    const double magnitude = length(dir);
    normalize(dir);

    // The stored cross directions are used as they are; no base point.
    const double dU = dot(blade.baseU, dir);
    const double dV = dot(blade.baseV, dir);
    const double f = blade.frequency;
    const double zeta = blade.dampingRatio;
    const double frequencies[3] = {0.9 * f, 1.1 * f, f};
    const double dampings[3] = {1.1 * zeta, 0.9 * zeta, zeta};
    const double forces[3] = {dU * magnitude, dV * magnitude, dV * magnitude};
    double y[3];
    stepOscillators(blade.bendPosition, blade.bendVelocity, frequencies, dampings, forces, timeStep, y);

    Vec3 bend = add(scale(blade.baseU, y[0]), scale(blade.baseV, y[2]));
    const double load = std::sqrt(bend.x * bend.x + bend.y * bend.y + bend.z * bend.z);
    const Vec3 bendDir = normalized(bend);
    if (!(load >= 1e-6)) {
        // Below the threshold the working transform stays the identity:
        // transforming by it only clears the status words.
        for (int i = 1; i < kGrassLevels; ++i) blade.centre[i] = affine::transform(identity(), blade.centre[i]);
        return;
    }
    const affine::Direction towards = affine::direction(bendDir);

    Mat4 mt = identity();
    double thetaPrev = 0.0;
    for (int i = 0; i < kGrassLevels - 1; ++i) {
        blade.centre[i + 1] = affine::transform(mt, blade.centre[i + 1]);
        Vec3 seg = affine::sub(blade.centre[i + 1], blade.centre[i]);
        const double arm = affine::lengthAndNormalize(seg);
        const double phi = affine::angleBetween(seg, towards);
        const Vec3 axis = affine::unitCross(bendDir, seg);
        const double k = blade.stiffness * (1.0 - i * 0.5 * 0.25);
        // Grass settles for at most 10 Newton evaluations.
        const double theta = affine::solveBendAngle(thetaPrev, load, arm, phi, k, 10);
        thetaPrev = theta;
        const double tau = affine::twistAngle(y[1], arm, blade.stiffness);
        const Mat4 joint = affine::twistedJointTransform(blade.centre[i], affine::rotation(-theta, axis),
                                                         affine::rotation(-tau, seg));
        mt = affine::multiplyAffine(joint, mt);
        blade.centre[i + 1] = affine::transform(joint, blade.centre[i + 1]);
        blade.edge[i + 1] = affine::transform(mt, blade.edge[i + 1]);
    }
}

void moveGrass(GrassField& grass, const WindField& field, const WindInput& wind, double timeStep)
{
    if (!grass.blades) return;
    for (int i = 0; i < grass.bladeCount; ++i) {
        GrassBlade& blade = grass.blades[i];
        moveGrassBlade(blade, sampleWindForce(field, wind, blade.noisePosition, 0.3), timeStep);
    }
}
