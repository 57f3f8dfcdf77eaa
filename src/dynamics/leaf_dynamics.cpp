#include "dynamics/leaf_dynamics.h"

#include <cmath>

#include "dynamics/affine.h"
#include "math/oscillators.h"

void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep)
{
    Vec3 dir = force;
    const double magnitude = length(dir);
    normalize(dir);

    Mat4 mt = mb;
    leaf.frameX = affine::transform(mt, leaf.frameX);
    leaf.frameY = affine::transform(mt, leaf.frameY);
    leaf.frameZ = affine::transform(mt, leaf.frameZ);
    leaf.petiolePoints[0] = affine::transform(mt, leaf.petiolePoints[0]);
    const Vec3 p0 = leaf.petiolePoints[0];
    const Vec3 axisX = affine::sub(leaf.frameX, p0);
    const Vec3 axisZ = affine::sub(leaf.frameZ, p0);

    const double dX = dot(axisX, dir);
    const double dZ = dot(axisZ, dir);
    const double f = leaf.frequency;
    const double zeta = leaf.dampingRatio;
    // The twist oscillator is driven like the z one, but faster.
    const double frequencies[3] = {0.7 * f, 1.2 * f, f};
    const double dampings[3] = {1.4 * zeta, 0.9 * zeta, zeta};
    const double forces[3] = {dX * magnitude, dZ * magnitude, dZ * magnitude};
    double y[3];
    stepOscillators(leaf.bendPosition, leaf.bendVelocity, frequencies, dampings, forces, timeStep, y);

    Vec3 bend = add(scale(axisX, y[0]), scale(axisZ, y[2]));
    const double load = std::sqrt(bend.x * bend.x + bend.y * bend.y + bend.z * bend.z);
    const Vec3 bendDir = normalized(bend);
    const affine::Direction towards = affine::direction(bendDir);

    const int points = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    const int n = points - 1;
    double thetaPrev = 0.0;
    for (int j = 0; j < n; ++j) {
        const Vec3 pj = leaf.petiolePoints[j];
        leaf.petiolePoints[j + 1] = affine::transform(mt, leaf.petiolePoints[j + 1]);
        if (!(load >= 1e-6)) continue;
        Vec3 seg = affine::sub(leaf.petiolePoints[j + 1], pj);
        const double arm = affine::lengthAndNormalize(seg);
        const double phi = affine::angleBetween(seg, towards);
        const Vec3 axis = affine::unitCross(bendDir, seg);
        // Joint springs soften towards the blade; the load is the same at every joint.
        const double k = leaf.stiffness * (1.0 - 0.5 * j / n);
        const double theta = affine::solveBendAngle(thetaPrev, load, arm, phi, k, 1000);
        thetaPrev = theta;
        const double tau = affine::twistAngle(y[1], arm, leaf.stiffness);
        const Mat4 joint =
            affine::twistedJointTransform(pj, affine::rotation(-theta, axis), affine::rotation(-tau, seg));
        mt = affine::multiplyAffine(joint, mt);
        leaf.petiolePoints[j + 1] = affine::transform(joint, leaf.petiolePoints[j + 1]);
    }
    leaf.bladeMatrix = affine::lastRowIsUnit(mt) ? affine::multiplyAffine(mt, leaf.bladeMatrix)
                                                 : multiply(mt, leaf.bladeMatrix);
}
