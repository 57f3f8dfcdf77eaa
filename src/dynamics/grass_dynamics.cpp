#include "dynamics/grass_dynamics.h"

#include <cmath>

#include "dynamics/joint.h"
#include "math/oscillators.h"
#include "tree/tree_model.h"

void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep)
{
    Vec3 dir = force;
    const double magnitude = length(dir);
    normalize(dir);

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

    Mat4 mt = identity();
    double thetaPrev = 0.0;
    for (int i = 0; i < kGrassLevels - 1; ++i) {
        blade.centre[i + 1] = transformPoint(mt, blade.centre[i + 1]);
        if (!(load >= 1e-6)) continue;
        Vec3 seg = sub(blade.centre[i + 1], blade.centre[i]);
        const double arm = length(seg);
        normalize(seg);
        const double phi = angleBetween(seg, bendDir);
        Vec3 axis = cross(bendDir, seg);
        if (length(axis) != 0.0) normalize(axis);
        const double k = blade.stiffness * (1.0 - i * 0.5 * 0.25);
        const double theta = solveBendAngle(thetaPrev, load, arm, phi, k, 10);
        thetaPrev = theta;
        const double tau = twistAngle(y[1], arm, blade.stiffness);
        const Mat4 joint = twistedJointTransform(blade.centre[i], theta, axis, tau, seg);
        mt = multiply(joint, mt);
        blade.centre[i + 1] = transformPoint(joint, blade.centre[i + 1]);
        blade.edge[i + 1] = transformPoint(mt, blade.edge[i + 1]);
    }
}

void moveGrass(TreeModel& model, const WindInput& wind, double timeStep)
{
    if (!model.grassBlades) return;
    for (int i = 0; i < model.grassBladeCount; ++i) {
        GrassBlade& blade = model.grassBlades[i];
        moveGrassBlade(blade, sampleWindForce(model.wind, wind, blade.noisePosition, 0.3), timeStep);
    }
}
