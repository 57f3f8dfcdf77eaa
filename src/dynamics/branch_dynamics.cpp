#include "dynamics/branch_dynamics.h"

#include "dynamics/grass_dynamics.h"
#include "dynamics/affine.h"
#include "dynamics/leaf_dynamics.h"
#include "math/oscillators.h"
#include "scene/scene.h"

namespace {

// Hands mb to the children listed from c on that start at point j.
int serveChildren(TreeModel& model, const Branch& b, int c, int j, const Mat4& mb)
{
    while (c < b.childCount && b.children[c].attachPoint == j) {
        const int index = b.children[c].childIndex;
        if (index >= 0 && index < kBranchCount) model.branches[index].baseTransform = mb;
        ++c;
    }
    return c;
}

// One branch; thetaPrev carries the Newton start from joint to joint and branch to branch.
void moveBranch(TreeModel& model, const WindField& field, Branch& b, const WindInput& wind, double timeStep,
                double& thetaPrev)
{
    Vec3 dir = sampleWindForce(field, wind, b.noisePosition, b.windScale);
    const double magnitude = length(dir);
    normalize(dir);

    Mat4 mb = b.baseTransform;
    b.frameX = affine::transform(mb, b.frameX);
    b.frameY = affine::transform(mb, b.frameY);
    b.frameZ = affine::transform(mb, b.frameZ);
    b.points[0] = affine::transform(mb, b.points[0]);
    const Vec3 p0 = b.points[0];
    const Vec3 axisX = affine::sub(b.frameX, p0);
    const Vec3 axisZ = affine::sub(b.frameZ, p0);

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

    const affine::Direction towards = affine::direction(bendDir);
    const int n = b.pointCount;
    int c = 0;
    for (int j = 0; j < n - 1; ++j) {
        // b times the number of segments from this joint to the tip, by repeated addition.
        double load = 0.0;
        for (int k = 0; k < n - 1 - j; ++k) load += bendSize;
        b.points[j + 1] = affine::transform(mb, b.points[j + 1]);
        if (bendSize >= 1e-6) {
            Vec3 seg = affine::sub(b.points[j + 1], b.points[j]);
            const double arm = affine::lengthAndNormalize(seg);
            const double phi = affine::angleBetween(seg, towards);
            const Vec3 axis = affine::unitCross(bendDir, seg);
            const double k = b.stiffness * (b.radii[j] / b.radii[0]);
            const double theta = affine::solveBendAngle(thetaPrev, load, arm, phi, k, 1000);
            thetaPrev = theta;
            const Mat4 joint = affine::jointTransform(b.points[j], affine::rotation(-theta, axis));
            mb = affine::multiplyAffine(joint, mb);
            b.points[j + 1] = affine::transform(joint, b.points[j + 1]);
        }
        c = serveChildren(model, b, c, j, mb);
    }
    // Children at the tip point are never reached by the joint loop: they
    // take the final transform so they do not stay behind.
    serveChildren(model, b, c, n - 1, mb);

    for (Leaf& leaf : b.leaves)
        moveLeaf(leaf, mb, sampleWindForce(field, wind, leaf.noisePosition, leaf.windScale), timeStep);
}

} // namespace

void moveBranches(TreeModel& model, const WindField& field, const WindInput& wind, double timeStep)
{
    double thetaPrev = 0.0;
    const int count = model.branchCount < kBranchCount ? model.branchCount : kBranchCount;
    for (int i = 0; i < count; ++i) {
        Branch& b = model.branches[i];
        if (!b.points || b.pointCount < 1) continue;
        moveBranch(model, field, b, wind, timeStep, thetaPrev);
    }
}

void updateDynamics(Scene& scene, double timeStep)
{
    const SimulationInput& in = scene.input;
    const WindInput wind = makeWindInput(in.gale, in.magnitude, in.direction);
    moveBranches(scene.tree, scene.wind, wind, timeStep);
    moveGrass(scene.grass, scene.wind, wind, timeStep);
}
