// The simulation step written plainly with the vector and matrix helpers
// alone, as the formulas read. The library's step must match it bit for bit.
#pragma once
#include <cmath>

#include "dynamics/branch_dynamics.h"
#include "dynamics/grass_dynamics.h"
#include "dynamics/leaf_dynamics.h"
#include "dynamics/simulation.h"
#include "dynamics/wind_force.h"
#include "math/oscillators.h"
#include "tree/tree_model.h"
#include "wind/noise_field.h"

namespace reference {

// Plain sampler and force rule.
inline double noiseValue(const NoiseField& field, int ix, int iy, int iz)
{
    const int n = field.size;
    if (ix < 0 || ix >= n) ix = 0;
    if (iy < 0 || iy >= n) iy = 0;
    if (iz < 0 || iz >= n) iz = 0;
    return field.values[(static_cast<long>(ix) * n + iy) * n + iz];
}

inline double interpolateNoise(const NoiseField& field, double x, double y, double z)
{
    const double n = field.size;
    if (!(x >= 0.0) || !(y >= 0.0) || !(z >= 0.0) || x >= n || y >= n || z >= n) return 0.0;
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const int iz = static_cast<int>(z);
    const double fx = x - ix;
    const double fy = y - iy;
    const double fz = z - iz;
    const double w0 = fy * (1.0 - fz);
    const double w1 = (1.0 - fy) * (1.0 - fz);
    const double w2 = (1.0 - fy) * fz;
    const double w3 = fy * fz;
    const double a = ((reference::noiseValue(field, ix, iy + 1, iz) * w0 + reference::noiseValue(field, ix, iy, iz) * w1) +
                      reference::noiseValue(field, ix, iy, iz + 1) * w2) +
                     reference::noiseValue(field, ix, iy + 1, iz + 1) * w3;
    const double b = ((reference::noiseValue(field, ix + 1, iy + 1, iz) * w0 + reference::noiseValue(field, ix + 1, iy, iz) * w1) +
                      reference::noiseValue(field, ix + 1, iy, iz + 1) * w2) +
                     reference::noiseValue(field, ix + 1, iy + 1, iz + 1) * w3;
    return a + (b - a) * fx;
}

inline double sampleNoise(const NoiseField& field, double a, double b, double c)
{
    const int n = field.size;
    if (n <= 0 || !field.values) return 0.0;
    double g[3] = {n + (n - 1) * a - field.offset[0], n + (n - 1) * b - field.offset[1],
                   n + (n - 1) * c - field.offset[2]};
    for (double& v : g) {
        if (!(v >= 0.0)) return 0.0;
        if (v >= n) {
            const long long t = static_cast<long long>(v);
            v = v - static_cast<double>(t) + static_cast<double>(t % n);
        }
    }
    return reference::interpolateNoise(field, g[0], g[1], g[2]);
}

inline Vec3 windForce(const WindInput& wind, double u, double v, double w, double scaleFactor)
{
    if (wind.gale) {
        Vec3 n{u, (v - 0.5) * 0.88, (w - 0.5) * 0.55, 0};
        const double a = scaleFactor * wind.magnitude * ((length(n) / std::sqrt(1.269225) - 0.5) * 1.5 + 1.0);
        normalize(n);
        return add(add(scale(wind.along, a * n.x), scale(wind.across, a * n.y)), scale(wind.third, a * n.z));
    }
    return add(scale(wind.third, (2.0 * w - 1.0) * 5.5),
               add(scale(wind.across, (2.0 * v - 1.0) * 10.0), scale(wind.along, (2.0 * u - 1.0) * 10.0)));
}

inline Vec3 sampleWindForce(const WindField& field, const WindInput& wind, const Vec3& p, double scaleFactor)
{
    const double u = reference::sampleNoise(field.u, p.x, p.y, p.z);
    const double v = reference::sampleNoise(field.v, p.x, p.y, p.z);
    const double w = reference::sampleNoise(field.w, p.x, p.y, p.z);
    return reference::windForce(wind, u, v, w, scaleFactor);
}


constexpr double kMaxTwist = 1.0471975512666667; // 3.1415926538 / 3

inline double twistAngle(double yy, double arm, double stiffness)
{
    const double e = yy * arm / stiffness;
    if (yy > 0.0) return -kMaxTwist * (1.0 - std::exp(-e));
    return kMaxTwist * (1.0 - std::exp(e));
}

inline Mat4 twistedJointTransform(const Vec3& p, double theta, const Vec3& c, double tau, const Vec3& s)
{
    Mat4 bend = identity();
    rotate(bend, -theta, c);
    Mat4 twist = identity();
    rotate(twist, -tau, s);
    const Vec3 back{-p.x, -p.y, -p.z, 0};
    return multiply(multiply(multiply(translation(p), bend), twist), translation(back));
}

inline Mat4 jointTransform(const Vec3& p, double theta, const Vec3& c)
{
    Mat4 bend = identity();
    rotate(bend, -theta, c);
    const Vec3 back{-p.x, -p.y, -p.z, 0};
    return multiply(translation(p), multiply(bend, translation(back)));
}



inline void moveLeaf(Leaf& leaf, const Mat4& mb, const Vec3& force, double timeStep)
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
        const double tau = reference::twistAngle(y[1], arm, leaf.stiffness);
        const Mat4 joint = reference::twistedJointTransform(pj, theta, axis, tau, seg);
        mt = multiply(joint, mt);
        leaf.petiolePoints[j + 1] = transformPoint(joint, leaf.petiolePoints[j + 1]);
    }
    leaf.bladeMatrix = multiply(mt, leaf.bladeMatrix);
}



inline void moveGrassBlade(GrassBlade& blade, const Vec3& force, double timeStep)
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
        const double tau = reference::twistAngle(y[1], arm, blade.stiffness);
        const Mat4 joint = reference::twistedJointTransform(blade.centre[i], theta, axis, tau, seg);
        mt = multiply(joint, mt);
        blade.centre[i + 1] = transformPoint(joint, blade.centre[i + 1]);
        blade.edge[i + 1] = transformPoint(mt, blade.edge[i + 1]);
    }
}

inline void moveGrass(TreeModel& model, const WindInput& wind, double timeStep)
{
    if (!model.grassBlades) return;
    for (int i = 0; i < model.grassBladeCount; ++i) {
        GrassBlade& blade = model.grassBlades[i];
        reference::moveGrassBlade(blade, reference::sampleWindForce(model.wind, wind, blade.noisePosition, 0.3), timeStep);
    }
}



// Hands mb to the children listed from c on that start at point j.
inline int serveChildren(TreeModel& model, const Branch& b, int c, int j, const Mat4& mb)
{
    while (c < b.childCount && b.children[c].attachPoint == j) {
        const int index = b.children[c].childIndex;
        if (index >= 0 && index < kBranchCount) model.branches[index].baseTransform = mb;
        ++c;
    }
    return c;
}

// One branch; thetaPrev carries the Newton start from joint to joint and branch to branch.
inline void moveBranch(TreeModel& model, Branch& b, const WindInput& wind, double timeStep, double& thetaPrev)
{
    Vec3 dir = reference::sampleWindForce(model.wind, wind, b.noisePosition, b.windScale);
    const double magnitude = length(dir);
    normalize(dir);

    Mat4 mb = b.baseTransform;
    b.frameX = transformPoint(mb, b.frameX);
    b.frameY = transformPoint(mb, b.frameY);
    b.frameZ = transformPoint(mb, b.frameZ);
    b.points[0] = transformPoint(mb, b.points[0]);
    const Vec3 p0 = b.points[0];
    const Vec3 axisX = sub(b.frameX, p0);
    const Vec3 axisZ = sub(b.frameZ, p0);

    const double fX = dot(axisX, dir) * magnitude;
    const double fZ = dot(axisZ, dir) * magnitude;
    // Only the x and z oscillators are used; the y entries stay at rest.
    const double frequencies[3] = {b.frequency, 0.0, 0.975 * b.frequency};
    const double dampings[3] = {b.dampingRatio, 0.0, 1.025 * b.dampingRatio};
    const double forces[3] = {fX, 0.0, fZ};
    double y[3];
    stepOscillators(b.bendPosition, b.bendVelocity, frequencies, dampings, forces, timeStep, y);

    Vec3 bend = add(scale(axisX, y[0]), scale(axisZ, y[2]));
    const double bendSize = length(bend);
    const Vec3 bendDir = normalized(bend);

    const int n = b.pointCount;
    int c = 0;
    for (int j = 0; j < n - 1; ++j) {
        double load = 0.0;
        for (int k = 0; k < n - 1 - j; ++k) load += bendSize;
        b.points[j + 1] = transformPoint(mb, b.points[j + 1]);
        if (bendSize >= 1e-6) {
            Vec3 seg = sub(b.points[j + 1], b.points[j]);
            const double arm = length(seg);
            normalize(seg);
            const double phi = angleBetween(seg, bendDir);
            Vec3 axis = cross(bendDir, seg);
            if (length(axis) != 0.0) normalize(axis);
            const double k = b.stiffness * (b.radii[j] / b.radii[0]);
            const double theta = solveBendAngle(thetaPrev, load, arm, phi, k, 1000);
            thetaPrev = theta;
            const Mat4 joint = reference::jointTransform(b.points[j], theta, axis);
            mb = multiply(joint, mb);
            b.points[j + 1] = transformPoint(joint, b.points[j + 1]);
        }
        c = reference::serveChildren(model, b, c, j, mb);
    }
    // Children at the tip point are never reached by the joint loop: they
    // take the final transform so they do not stay behind.
    reference::serveChildren(model, b, c, n - 1, mb);

    for (Leaf& leaf : b.leaves)
        reference::moveLeaf(leaf, mb, reference::sampleWindForce(model.wind, wind, leaf.noisePosition, leaf.windScale), timeStep);
}

inline void moveBranches(TreeModel& model, const WindInput& wind, double timeStep)
{
    double thetaPrev = 0.0;
    const int count = model.branchCount < kBranchCount ? model.branchCount : kBranchCount;
    for (int i = 0; i < count; ++i) {
        Branch& b = model.branches[i];
        if (!b.points || b.pointCount < 1) continue;
        reference::moveBranch(model, b, wind, timeStep, thetaPrev);
    }
}

inline void updateDynamics(TreeModel& model, bool gale, double magnitude, const Vec3& direction, double timeStep)
{
    const WindInput wind = makeWindInput(gale, magnitude, direction);
    reference::moveBranches(model, wind, timeStep);
    reference::moveGrass(model, wind, timeStep);
}

inline void simulateStep(TreeModel& model, bool gale, double magnitude, Vec3 direction, double timeStep, bool refine)
{
    restoreRestState(model);
    reference::updateDynamics(model, gale, magnitude, direction, timeStep);
    model.showShadows = refine;
    if (refine) {
        model.triangleCount = model.triangleTotalShadowed;
        refineBranches(model);
    } else {
        model.triangleCount = model.triangleTotalPlain;
    }
    advanceWindCursors(model);
}

} // namespace reference
