#include "tree/foliage.h"

#include "platform/platform.h"
#include "tree/tree_model.h"

namespace {

constexpr double kPi = 3.1415926538;
// Tilt per leaf position: pi/4, pi/3, 3pi/8, pi/3, pi/4, pi/8.
constexpr double kTilt[kLeavesPerBranch] = {0.78539816345,       1.0471975512666667, 1.178097245175,
                                            1.0471975512666667, 0.78539816345,      0.392699081725};
constexpr double kGoldenAngle = 2.3998277216527777; // 137.5 degrees
constexpr double kGoldenJitter = 0.24434609529555557; // 14 degrees, used as +-7

double draw(Random& random) { return static_cast<double>(random.next()) / 32767.0; }

Vec3 turned(const Vec3& v, double angle, const Vec3& axis)
{
    Mat4 rt = identity();
    rotate(rt, angle, axis);
    Vec3 out = transformPoint(rt, v);
    normalize(out);
    return out;
}

void placeBranchLeaves(Branch& b, const LeafTemplate& tmpl, Random& random)
{
    const int n = b.pointCount;
    const Vec3 p = b.points[n - 2];
    const Vec3 q = b.points[n - 1];
    Vec3 a = sub(q, p);
    normalize(a);
    Vec3 c = cross(Vec3{a.x, 0.0, a.z, 0}, a);
    // An exactly level or upright segment gives no side direction: without
    // one every turn below would scale the leaf by a cosine and lay it along
    // the branch. Level: the horizontal normal of the segment. Upright: any
    // horizontal direction is at right angles to it.
    if (a.status == 0 && length(c) == 0.0) {
        c = cross(a, Vec3{0.0, 1.0, 0.0, 0});
        if (length(c) == 0.0) c = {1.0, 0.0, 0.0, 0};
    }

    const double u1 = draw(random);
    const int r2 = random.next();
    const double phi = (r2 % 2) * kPi + (u1 - 0.5) * kPi / 4.0;
    c = turned(c, phi, a);

    const Vec3 xAxis{1.0, 0.0, 0.0, 0};
    for (int j = 0; j < kLeavesPerBranch; ++j) {
        Leaf& leaf = b.leaves[j];
        // R1 takes X onto C.
        const double alpha = angleBetween(c, xAxis);
        Vec3 f = cross(xAxis, c);
        normalize(f);
        Mat4 r1 = identity();
        rotate(r1, -alpha, f);
        // Then the image of Y onto the segment direction.
        const Vec3 e = transformPoint(r1, Vec3{0.0, 1.0, 0.0, 0});
        const double beta = angleBetween(e, a);
        Vec3 g = cross(a, e);
        normalize(g);
        Mat4 rt = identity();
        rotate(rt, beta, g);
        const Mat4 r12 = multiply(rt, r1);
        // Tilt away from the segment, with jitter.
        Vec3 h = cross(a, c);
        normalize(h);
        const double u3 = draw(random);
        const double theta = (kPi / 2.0 - kTilt[j]) - (u3 - 0.5) * kPi / 6.0;
        rt = identity();
        rotate(rt, theta, h);
        const Mat4 r = multiply(rt, r12);

        const Vec3 base = add(p, divide(scale(sub(q, p), j), 5.0));
        const double s = 0.5 + (0.5 * j) / 6.0;
        Mat4 m = multiply(translation(base), r);
        Mat4 sm = identity();
        sm.m[0] = sm.m[5] = sm.m[10] = s;
        postMultiply(m, sm);

        copyLeafTemplate(leaf, tmpl);
        setLeafTransform(leaf, m);

        const double u4 = draw(random);
        c = turned(c, kGoldenAngle + (u4 - 0.5) * kGoldenJitter, a);
    }
}

} // namespace

void copyLeafTemplate(Leaf& leaf, const LeafTemplate& tmpl)
{
    const int count = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    for (int k = 0; k < count; ++k) {
        leaf.petiolePoints[k] = tmpl.petioleVertices[k];
        leaf.petioleRadii[k] = tmpl.petioleVertexRadii[k];
    }
    leaf.bladeMatrix = leaf.restBladeMatrix;
}

void setLeafTransform(Leaf& leaf, const Mat4& m)
{
    const int count = leaf.pointCount < kPetiolePoints ? leaf.pointCount : kPetiolePoints;
    for (int k = 0; k < count; ++k) {
        leaf.petiolePoints[k] = transformPoint(m, leaf.petiolePoints[k]);
        leaf.restPetiolePoints[k] = leaf.petiolePoints[k];
    }
    leaf.restBladeMatrix = m;
    leaf.bladeMatrix = m;
}

void placeLeaves(TreeModel& model, const LeafTemplate& tmpl, const uint32_t* seed, Random& random)
{
    random.seed(seed ? *seed : tickCountMs());
    for (int i = 0; i < model.branchCount && i < kBranchCount; ++i) {
        Branch& b = model.branches[i];
        // Leaves need a last segment.
        if (!b.points || b.pointCount < 2) continue;
        placeBranchLeaves(b, tmpl, random);
    }
}

void initLeafFrames(TreeModel& model, const uint32_t* seed, Random& random)
{
    // A broken leaf template leaves every leaf without a frame: name a few, count the rest.
    constexpr int kErrorsShown = 3;
    int frameless = 0;
    random.seed(seed ? *seed : tickCountMs());
    for (int i = 0; i < model.branchCount && i < kBranchCount; ++i) {
        for (int j = 0; j < kLeavesPerBranch; ++j) {
            Leaf& leaf = model.branches[i].leaves[j];
            const double u5 = draw(random);
            const double u6 = draw(random);
            const double u7 = draw(random);
            leaf.dampingRatio = (2.0 * u5 - 1.0) * 0.01 + 0.08;
            leaf.frequency = (2.0 * u6 - 1.0) * 0.2 + 1.5;
            leaf.stiffness = (2.0 * u7 - 1.0) * 0.1 + 1.0;
            for (int k = 0; k < 3; ++k) {
                leaf.bendVelocity[k] = 0.0;
                leaf.bendPosition[k] = 0.0;
            }

            const Vec3 y = transformPoint(leaf.restBladeMatrix, Vec3{0.0, 1.0, 0.0, 0});
            const Vec3 p0 = leaf.petiolePoints[0];
            const Vec3 p1 = leaf.pointCount > 1 ? leaf.petiolePoints[1] : p0;
            Vec3 d = sub(y, p0);
            normalize(d);
            Vec3 a = sub(p1, p0);
            normalize(a);
            leaf.frameY = add(p0, a);
            leaf.frameZ = cross(d, a);
            if (length(leaf.frameZ) < 1e-6 && ++frameless <= kErrorsShown) consolePrintf("Error! i=%d, j=%d\n", i, j);
            leaf.frameX = cross(a, leaf.frameZ);
            normalize(leaf.frameZ);
            leaf.frameZ = add(p0, leaf.frameZ);
            normalize(leaf.frameX);
            leaf.frameX = add(p0, leaf.frameX);
            leaf.restFrameX = leaf.frameX;
            leaf.restFrameY = leaf.frameY;
            leaf.restFrameZ = leaf.frameZ;
        }
    }
    if (frameless > kErrorsShown) consolePrintf("Error! %d leaves in all have no frame\n", frameless);
}
