#include "dynamics/leaf_dynamics.h"

#include <cmath>

#include "dynamics/joint.h"
#include "math/oscillators.h"

void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep)
{
    Vec3 dir = force;
    const double magnitude = length(dir);
    normalize(dir);

    Mat4 mt = mb;
    leaf.frameX = transformPoint(mt, leaf.frameX);
    leaf.frameY = transformPoint(mt, leaf.frameY);
    leaf.frameZ = transformPoint(mt, leaf.frameZ);
    leaf.petiolePoints[0] = transformPoint(mt, leaf.petiolePoints[0]);
    const Vec3 p0 = leaf.petiolePoints[0];
    const Vec3 axisX = sub(leaf.frameX, p0);
    const Vec3 axisZ = sub(leaf.frameZ, p0);

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

    const int points = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    const int n = points - 1;
    double thetaPrev = 0.0;
    for (int j = 0; j < n; ++j) {
        const Vec3 pj = leaf.petiolePoints[j];
        leaf.petiolePoints[j + 1] = transformPoint(mt, leaf.petiolePoints[j + 1]);
        if (!(load >= 1e-6)) continue;
        Vec3 seg = sub(leaf.petiolePoints[j + 1], pj);
        const double arm = length(seg);
        normalize(seg);
        const double phi = angleBetween(seg, bendDir);
        Vec3 axis = cross(bendDir, seg);
        if (length(axis) != 0.0) normalize(axis);
        // Joint springs soften towards the blade.
        const double k = leaf.stiffness * (1.0 - 0.5 * j / n);
        const double theta = solveBendAngle(thetaPrev, load, arm, phi, k, 1000);
        thetaPrev = theta;
        const double tau = twistAngle(y[1], arm, leaf.stiffness);
        const Mat4 joint = twistedJointTransform(pj, theta, axis, tau, seg);
        mt = multiply(joint, mt);
        leaf.petiolePoints[j + 1] = transformPoint(joint, leaf.petiolePoints[j + 1]);
    }
    leaf.bladeMatrix = multiply(mt, leaf.bladeMatrix);
}
