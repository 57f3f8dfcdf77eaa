// The export's rig: joints along the scene's chains, their rest pivots and
// their transforms per frame.
//
// Sections, in order:
//   Turns and frames: rigidAbout, leastTurn, frameOf, chainTransforms
//   Building the rig: vec3s, mat4, addBranchJoints, addPetioleJoints, buildExportRig
//   Posing: grassTransforms, rigWorldTransforms
//   Node values: quaternionFromMatrix, rigLocalPose, decomposeBladeMatrix
#include "export/export_rig.h"

#include <algorithm>
#include <cmath>

#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "data_constants/tree_file.h"
#include "math/vec_plain.h"

// ---- Turns and frames

namespace {

// Rigid transform: rotation r (row-major 3x3) about the rest point `from`,
// which it carries to `to`.
Mat4 rigidAbout(const double r[9], const Vec3& from, const Vec3& to)
{
    Mat4 m = identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[4 * i + j] = r[3 * i + j];
    const Vec3 moved{r[0] * from.x + r[1] * from.y + r[2] * from.z, r[3] * from.x + r[4] * from.y + r[5] * from.z,
                     r[6] * from.x + r[7] * from.y + r[8] * from.z, 0};
    m.m[3] = to.x - moved.x;
    m.m[7] = to.y - moved.y;
    m.m[11] = to.z - moved.z;
    return m;
}

// The least turn taking direction a onto direction b: a bend without twist,
// which is what a branch joint does.
void leastTurn(const Vec3& a, const Vec3& b, double r[9])
{
    const Vec3 ua = plain::unit(a), ub = plain::unit(b);
    Vec3 v = plain::cross(ua, ub);
    const double c = plain::dot(ua, ub);
    for (int i = 0; i < 9; ++i) r[i] = (i % 4 == 0) ? 1.0 : 0.0;
    if (norm(ua) == 0 || norm(ub) == 0) return;
    if (c < -1.0 + 1e-12) {
        // Half turn about any axis across a.
        Vec3 axis = plain::unit(plain::cross(ua, std::fabs(ua.x) < 0.9 ? Vec3{1, 0, 0, 0} : Vec3{0, 1, 0, 0}));
        const double k[3] = {axis.x, axis.y, axis.z};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r[3 * i + j] = 2 * k[i] * k[j] - (i == j ? 1.0 : 0.0);
        return;
    }
    const double f = 1.0 / (1.0 + c);
    const double x[9] = {0, -v.z, v.y, v.z, 0, -v.x, -v.y, v.x, 0};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double x2 = 0;
            for (int k = 0; k < 3; ++k) x2 += x[3 * i + k] * x[3 * k + j];
            r[3 * i + j] += x[3 * i + j] + f * x2;
        }
}

// Orthonormal frame (columns) from a direction and a second, sideways vector.
bool frameOf(const Vec3& a, const Vec3& b, double f[9])
{
    const Vec3 e1 = plain::unit(a);
    const Vec3 n = plain::cross(a, b);
    if (norm(e1) == 0 || norm(n) <= 1e-12 * norm(a) * norm(b)) return false;
    const Vec3 e3 = plain::unit(n);
    const Vec3 e2 = plain::cross(e3, e1);
    const Vec3 cols[3] = {e1, e2, e3};
    for (int c = 0; c < 3; ++c) {
        f[c] = cols[c].x;
        f[3 + c] = cols[c].y;
        f[6 + c] = cols[c].z;
    }
    return true;
}

// Transforms along a bent chain: each joint turns its outer part about its
// own (current) point. points are current, rest the rest copies; both read
// in place, as the library's views hand them out.
using Points = arborvane::Strided<arborvane::Point3>;
void chainTransforms(Mat4 w, const Points& rest, const Points& points, int n, std::vector<Mat4>& out, int first,
                     bool firstIsBase)
{
    if (firstIsBase) out[first] = w;
    for (int j = 0; j + 1 < n; ++j) {
        const Vec3 p = vec3(points[j]);
        const Vec3 before = plain::transformAffine(w, vec3(rest[j + 1]));
        double r[9];
        leastTurn(plain::sub(before, p), plain::sub(vec3(points[j + 1]), p), r);
        const Mat4 turn = rigidAbout(r, p, p);
        w = multiply(turn, w);
        out[first + j + (firstIsBase ? 1 : 0)] = w;
    }
}

} // namespace

// ---- Building the rig

std::vector<Vec3> vec3s(const arborvane::Strided<arborvane::Point3>& points)
{
    std::vector<Vec3> out(points.size());
    for (size_t i = 0; i < points.size(); ++i) out[i] = vec3(points[i]);
    return out;
}

Mat4 mat4(const arborvane::Matrix4& m)
{
    Mat4 out;
    for (int i = 0; i < 16; ++i) out.m[i] = m.m[i];
    return out;
}

namespace {

// The branch chains: points of every branch under the attach joint of its parent.
void addBranchJoints(ExportRig& rig, const arborvane::Simulation& sim, int count)
{
    std::vector<int> parentJoint(count, -1);
    for (int b = 0; b < count; ++b) {
        const arborvane::Strided<arborvane::Point3> rest = sim.restBranchPoints(b);
        if (rest.empty()) continue;
        const int n = static_cast<int>(rest.size());
        rig.branchFirst[b] = static_cast<int>(rig.tree.size());
        rig.branchPoints[b] = n;
        for (int k = 0; k < n; ++k) {
            RigJoint j;
            j.name = "b" + std::to_string(b) + ".p" + std::to_string(k);
            j.parent = k == 0 ? parentJoint[b] : rig.branchFirst[b] + k - 1;
            j.pivot = vec3(rest[k > 0 ? k - 1 : 0]);
            rig.tree.push_back(j);
        }
        // A child rides on the transform after its attach joint (the final
        // one at the tip). Only children numbered after their parent follow
        // it in the simulation; the others stay under the root.
        const arborvane::Strided<arborvane::ChildBranch> children = sim.branchChildren(b);
        for (size_t c = 0; c < children.size(); ++c) {
            const arborvane::ChildBranch& child = children[c];
            if (child.branch <= b || child.branch >= count || parentJoint[child.branch] >= 0) continue;
            if (child.attachPoint < 0 || child.attachPoint >= n) continue;
            const int at = child.attachPoint + 1 < n ? child.attachPoint + 1 : n - 1;
            parentJoint[child.branch] = rig.branchFirst[b] + at;
        }
    }
}

// The petiole chains: each leaf's points 1.. under its branch's tip joint.
void addPetioleJoints(ExportRig& rig, const arborvane::Simulation& sim, int count)
{
    const int leaves = static_cast<int>(sim.leavesPerBranch());
    rig.petioleFirst.assign(static_cast<size_t>(count) * leaves, -1);
    for (int b = 0; b < count; ++b) {
        if (rig.branchFirst[b] < 0 || rig.branchPoints[b] < 2) continue;
        const int tip = rig.branchFirst[b] + rig.branchPoints[b] - 1;
        for (int l = 0; l < leaves; ++l) {
            const arborvane::Strided<arborvane::Point3> rest = sim.restLeafPetiole(b, l);
            const int first = static_cast<int>(rig.tree.size());
            rig.petioleFirst[static_cast<size_t>(b) * leaves + l] = first;
            for (int k = 1; k < static_cast<int>(rest.size()) && k < kPetiolePoints; ++k) {
                RigJoint j;
                j.name = "b" + std::to_string(b) + ".l" + std::to_string(l) + ".p" + std::to_string(k);
                j.parent = k == 1 ? tip : first + k - 2;
                j.pivot = vec3(rest[k - 1]);
                rig.tree.push_back(j);
            }
        }
    }
}

} // namespace

ExportRig buildExportRig(const arborvane::Simulation& sim, bool withGrass)
{
    ExportRig rig;
    const int branches = static_cast<int>(sim.branchCount());
    const int count = branches < kBranchCount ? branches : kBranchCount;
    rig.branchFirst.assign(count, -1);
    rig.branchPoints.assign(count, 0);
    addBranchJoints(rig, sim, count);
    addPetioleJoints(rig, sim, count);
    // Set up and not yet stepped, the blades are at rest.
    const size_t leaves = sim.leavesPerBranch();
    rig.restBlades.assign(static_cast<size_t>(count) * leaves, identity());
    for (int b = 0; b < count; ++b) {
        const arborvane::Strided<arborvane::Matrix4> blades = sim.leafBladeMatrices(b);
        for (size_t l = 0; l < leaves && l < blades.size(); ++l) rig.restBlades[b * leaves + l] = mat4(blades[l]);
    }
    if (withGrass && sim.grassBladeCount() > 0) {
        rig.grassBlades = static_cast<int>(sim.grassBladeCount());
        rig.grass.reserve(static_cast<size_t>(rig.grassBlades) * (kGrassLevels - 1));
        for (int g = 0; g < rig.grassBlades; ++g) {
            rig.grassTexture.push_back(sim.grassBladeTexture(g));
            const arborvane::Strided<arborvane::Point3> rest = sim.restGrassCentre(g);
            for (int k = 1; k < kGrassLevels; ++k) {
                RigJoint j;
                j.name = "g" + std::to_string(g) + ".p" + std::to_string(k);
                j.parent = k == 1 ? -1 : static_cast<int>(rig.grass.size()) - 1;
                j.pivot = vec3(rest[k - 1]);
                rig.grass.push_back(j);
            }
        }
    }
    return rig;
}

int firstPetioleJoint(const ExportRig& rig)
{
    int firstPetiole = static_cast<int>(rig.tree.size());
    for (int first : rig.petioleFirst)
        if (first >= 0) firstPetiole = std::min(firstPetiole, first);
    return firstPetiole;
}

// ---- Posing

namespace {

// One grass blade's level transforms from its rest and current strips.
void grassTransforms(const arborvane::Simulation& sim, int g, Mat4* out)
{
    Vec3 restCentre[kGrassLevels], restEdge[kGrassLevels], centre[kGrassLevels], edge[kGrassLevels];
    const Points lines[4] = {sim.restGrassCentre(g), sim.restGrassEdge(g), sim.grassCentre(g), sim.grassEdge(g)};
    Vec3* copies[4] = {restCentre, restEdge, centre, edge};
    for (int i = 0; i < 4; ++i)
        for (size_t k = 0; k < lines[i].size() && k < static_cast<size_t>(kGrassLevels); ++k)
            copies[i][k] = vec3(lines[i][k]);
    Mat4 w = identity();
    for (int k = 1; k < kGrassLevels; ++k) {
        // The strip twists as it bends, so the edge point pins the turn.
        double fr[9], fc[9], r[9];
        const bool ok = frameOf(plain::sub(restCentre[k], restCentre[k - 1]), plain::sub(restEdge[k], restCentre[k]),
                                fr) &&
                        frameOf(plain::sub(centre[k], centre[k - 1]), plain::sub(edge[k], centre[k]), fc);
        if (ok) {
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    double s = 0;
                    for (int c = 0; c < 3; ++c) s += fc[3 * i + c] * fr[3 * j + c];
                    r[3 * i + j] = s;
                }
            w = rigidAbout(r, restCentre[k - 1], centre[k - 1]);
        } else {
            const Vec3 before = plain::transformAffine(w, restCentre[k]);
            leastTurn(plain::sub(before, centre[k - 1]), plain::sub(centre[k], centre[k - 1]), r);
            w = multiply(rigidAbout(r, centre[k - 1], centre[k - 1]), w);
        }
        out[k - 1] = w;
    }
}

} // namespace

void rigWorldTransforms(const ExportRig& rig, const arborvane::Simulation& sim, std::vector<Mat4>& tree,
                        std::vector<Mat4>* grass)
{
    tree.assign(rig.tree.size(), identity());
    const int count = static_cast<int>(rig.branchFirst.size());
    const int leaves = static_cast<int>(sim.leavesPerBranch());
    for (int b = 0; b < count; ++b) {
        if (rig.branchFirst[b] < 0) continue;
        const Points rest = sim.restBranchPoints(b);
        Points live = sim.branchPoints(b);
        // Refined lines (2N - 1 points) hold the file's points at the even indices.
        if (rest.size() > 1 && live.size() == 2 * rest.size() - 1)
            live = Points(live.data(), rest.size(), 2 * live.strideBytes());
        const int n = rig.branchPoints[b] < static_cast<int>(live.size()) ? rig.branchPoints[b]
                                                                         : static_cast<int>(live.size());
        chainTransforms(mat4(sim.branchBaseTransform(b)), rest, live, n, tree, rig.branchFirst[b], true);
        const Mat4 tipTransform = tree[rig.branchFirst[b] + rig.branchPoints[b] - 1];
        for (int l = 0; l < leaves; ++l) {
            const int first = rig.petioleFirst[static_cast<size_t>(b) * leaves + l];
            if (first < 0) continue;
            const Points petiole = sim.leafPetiole(b, l), restPetiole = sim.restLeafPetiole(b, l);
            const int points = std::min<int>(static_cast<int>(petiole.size()), kPetiolePoints);
            chainTransforms(tipTransform, restPetiole, petiole, points, tree, first, false);
        }
    }
    if (!grass) return;
    grass->assign(rig.grass.size(), identity());
    const int blades = std::min<int>(rig.grassBlades, static_cast<int>(sim.grassBladeCount()));
    for (int g = 0; g < blades; ++g) grassTransforms(sim, g, &(*grass)[static_cast<size_t>(g) * (kGrassLevels - 1)]);
}

// ---- Node values

void quaternionFromMatrix(const Mat4& m, double q[4])
{
    const double* a = m.m;
    const double r00 = a[0], r01 = a[1], r02 = a[2], r10 = a[4], r11 = a[5], r12 = a[6], r20 = a[8], r21 = a[9],
                 r22 = a[10];
    const double trace = r00 + r11 + r22;
    if (trace > 0) {
        const double s = 2.0 * std::sqrt(trace + 1.0);
        q[3] = 0.25 * s;
        q[0] = (r21 - r12) / s;
        q[1] = (r02 - r20) / s;
        q[2] = (r10 - r01) / s;
    } else if (r00 > r11 && r00 > r22) {
        const double s = 2.0 * std::sqrt(1.0 + r00 - r11 - r22);
        q[3] = (r21 - r12) / s;
        q[0] = 0.25 * s;
        q[1] = (r01 + r10) / s;
        q[2] = (r02 + r20) / s;
    } else if (r11 > r22) {
        const double s = 2.0 * std::sqrt(1.0 + r11 - r00 - r22);
        q[3] = (r02 - r20) / s;
        q[0] = (r01 + r10) / s;
        q[1] = 0.25 * s;
        q[2] = (r12 + r21) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + r22 - r00 - r11);
        q[3] = (r10 - r01) / s;
        q[0] = (r02 + r20) / s;
        q[1] = (r12 + r21) / s;
        q[2] = 0.25 * s;
    }
    const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    for (int i = 0; i < 4; ++i) q[i] /= n;
}

void rigLocalPose(const Mat4& parentWorld, const Vec3& parentPivot, const Mat4& world, const Vec3& pivot, double t[3],
                  double q[4])
{
    // local = T(-parentPivot) * parentWorld^-1 * world * T(pivot); all rigid.
    const double* p = parentWorld.m;
    const double* w = world.m;
    double rel[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rel[3 * i + j] = p[i] * w[j] + p[4 + i] * w[4 + j] + p[8 + i] * w[8 + j];
    const Vec3 here = plain::transformAffine(world, pivot); // the node's current position
    const Vec3 d{here.x - p[3], here.y - p[7], here.z - p[11], 0};
    t[0] = p[0] * d.x + p[4] * d.y + p[8] * d.z - parentPivot.x;
    t[1] = p[1] * d.x + p[5] * d.y + p[9] * d.z - parentPivot.y;
    t[2] = p[2] * d.x + p[6] * d.y + p[10] * d.z - parentPivot.z;
    Mat4 r = identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[4 * i + j] = rel[3 * i + j];
    quaternionFromMatrix(r, q);
}

void decomposeBladeMatrix(const Mat4& m, double t[3], double q[4], double& scale)
{
    const double* a = m.m;
    t[0] = a[3];
    t[1] = a[7];
    t[2] = a[11];
    const double det = a[0] * (a[5] * a[10] - a[6] * a[9]) - a[1] * (a[4] * a[10] - a[6] * a[8]) +
                       a[2] * (a[4] * a[9] - a[5] * a[8]);
    scale = std::cbrt(det);
    Mat4 r = identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[4 * i + j] = scale != 0 ? a[4 * i + j] / scale : (i == j ? 1.0 : 0.0);
    quaternionFromMatrix(r, q);
}
