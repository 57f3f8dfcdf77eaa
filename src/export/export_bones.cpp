#include "export/export_bones.h"

#include <algorithm>
#include <cmath>
#include <queue>

#include "data_constants/leaf_file.h"
#include "math/vec_plain.h"

namespace {

// The centre lines the joints carry, at the present frame.
void surveyChains(const arborvane::Simulation& sim, const ExportRig& rig, RigSurvey& s)
{
    const size_t at = s.rings.size();
    s.rings.resize(at + s.branchJoints);
    const size_t leaves = sim.leavesPerBranch();
    for (size_t b = 0; b < rig.branchFirst.size(); ++b) {
        if (rig.branchFirst[b] < 0) continue;
        const arborvane::Strided<arborvane::Point3> live = sim.branchPoints(b);
        for (int k = 0; k < rig.branchPoints[b] && k < static_cast<int>(live.size()); ++k)
            s.rings[at + rig.branchFirst[b] + k] = vec3(live[k]);
        for (size_t l = 0; l < leaves; ++l) {
            const arborvane::Strided<arborvane::Point3> petiole = sim.leafPetiole(b, l);
            for (size_t k = 0; k < static_cast<size_t>(kPetiolePoints); ++k)
                s.petioles.push_back(k < petiole.size() ? vec3(petiole[k]) : Vec3{});
        }
    }
}

} // namespace

bool surveyRig(arborvane::Simulation& sim, const ExportRig& rig, int steps, RigSurvey& s, std::string& error)
{
    s.branchJoints = firstPetioleJoint(rig);
    s.samples = std::min(steps + 1, kSurveySamples);
    s.world.clear();
    s.blades.clear();
    s.rings.clear();
    s.petioles.clear();
    std::vector<Mat4> tree;
    int done = 0;
    for (int k = 0; k < s.samples; ++k) {
        const int at = s.samples > 1 ? static_cast<int>(static_cast<long long>(k) * steps / (s.samples - 1)) : 0;
        if (const arborvane::Result r = sim.step(at - done); !r) {
            error = r.message;
            return false;
        }
        done = at;
        rigWorldTransforms(rig, sim, tree, nullptr);
        s.world.insert(s.world.end(), tree.begin(), tree.begin() + s.branchJoints);
        const size_t leaves = sim.leavesPerBranch();
        for (size_t b = 0; b < rig.branchFirst.size(); ++b) {
            const arborvane::Strided<arborvane::Matrix4> blades = sim.leafBladeMatrices(b);
            for (size_t l = 0; l < leaves; ++l) s.blades.push_back(l < blades.size() ? mat4(blades[l]) : identity());
        }
        surveyChains(sim, rig, s);
    }
    return true;
}

namespace {

// The inverse of a rigid row-major transform.
Mat4 inverseRigid(const Mat4& w)
{
    Mat4 r = identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[4 * i + j] = w.m[4 * j + i];
    for (int i = 0; i < 3; ++i) r.m[4 * i + 3] = -(r.m[4 * i] * w.m[3] + r.m[4 * i + 1] * w.m[7] + r.m[4 * i + 2] * w.m[11]);
    return r;
}

// A point a joint carries, standing for the vertices near it.
struct Carried {
    Vec3 rest;      // where it is at rest
    double weight;  // vertices it stands for
    bool meanBound; // bound where it rides on average (a blade), else at rest (bark)
};

// What each branch joint carries: its ring of bark, and at a branch's tip the leaves.
std::vector<std::vector<Carried>> carriedPoints(const ExportRig& rig, const arborvane::Simulation& sim, int joints)
{
    std::vector<std::vector<Carried>> out(joints);
    const int leaves = static_cast<int>(sim.leavesPerBranch());
    const double leafWeight = 2.0 * static_cast<double>(sim.leafBladeVertices().size()) + 4.0 * kPetiolePoints;
    for (size_t b = 0; b < rig.branchFirst.size(); ++b) {
        if (rig.branchFirst[b] < 0) continue;
        const std::vector<Vec3> rest = vec3s(sim.restBranchPoints(b));
        for (int k = 0; k < rig.branchPoints[b]; ++k)
            out[rig.branchFirst[b] + k].push_back({rest[k], b == 0 ? 16.0 : 8.0, true});
        const int tip = rig.branchFirst[b] + rig.branchPoints[b] - 1;
        for (int l = 0; l < leaves && rig.branchPoints[b] > 1; ++l) {
            const arborvane::Strided<arborvane::Point3> petiole = sim.restLeafPetiole(b, l);
            if (!petiole.empty()) out[tip].push_back({vec3(petiole[petiole.size() - 1]), leafWeight, true});
        }
    }
    return out;
}

// The greedy choice over the branch joints' tree.
struct Chooser {
    const RigSurvey& s;
    std::vector<std::vector<Carried>> carried; // per branch joint
    std::vector<int> parent;                   // per branch joint, -1 at a root
    std::vector<std::vector<int>> children;    // per branch joint
    std::vector<char> kept;                    // bone or not
    std::vector<int> bone;                     // nearest bone at or above
    std::vector<Mat4> inverse;                 // [sample][branch joint]: the inverse of survey.world

    // Surveyed distance of joint i's points when they ride on joint a, as
    // they will be bound: at rest, or where they are on a on average.
    double error(int i, int a) const
    {
        double sum = 0;
        Vec3 onA[kSurveySamples];
        for (const Carried& c : carried[i]) {
            Vec3 mean{};
            for (int f = 0; f < s.samples; ++f) {
                const size_t at = static_cast<size_t>(f) * s.branchJoints;
                const Vec3 truth = plain::transformAffine(s.world[at + i], c.rest);
                onA[f] = c.meanBound ? plain::transformAffine(inverse[at + a], truth)
                                     : plain::sub(truth, plain::transformAffine(s.world[at + a], c.rest));
                mean = plain::add(mean, plain::scale(onA[f], 1.0 / s.samples));
            }
            for (int f = 0; f < s.samples; ++f)
                sum += c.weight * norm(c.meanBound ? plain::sub(onA[f], mean) : onA[f]);
        }
        return sum;
    }
    // What making j a bone saves: the joints below it that ride on j's bone now.
    double gain(int j) const
    {
        double g = 0;
        std::vector<int> stack{j};
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            g += error(i, bone[j]) - error(i, j);
            for (int c : children[i])
                if (!kept[c]) stack.push_back(c);
        }
        return g;
    }
    void keep(int j)
    {
        kept[j] = 1;
        std::vector<int> stack{j};
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            bone[i] = j;
            for (int c : children[i])
                if (!kept[c]) stack.push_back(c);
        }
    }
};

// Each blade's placement on its bone, averaged over the survey: for every
// vertex the point that rides closest to where the blade really went.
void bindBlades(ExportRig& rig, const RigSurvey& s)
{
    const size_t leaves = rig.branchFirst.empty() ? 0 : rig.restBlades.size() / rig.branchFirst.size();
    for (size_t leaf = 0; leaf < rig.restBlades.size() && s.samples > 0; ++leaf) {
        if (rig.petioleFirst[leaf] < 0) continue;
        const int joint = rig.boneJoint[rig.boneOf[rig.petioleFirst[leaf]]];
        Mat4 sum{};
        for (int f = 0; f < s.samples; ++f) {
            const Mat4 rel = multiply(inverseRigid(s.world[static_cast<size_t>(f) * s.branchJoints + joint]),
                                      s.blades[static_cast<size_t>(f) * rig.branchFirst.size() * leaves + leaf]);
            for (int i = 0; i < 16; ++i) sum.m[i] += rel.m[i] / s.samples;
        }
        rig.restBlades[leaf] = sum;
    }
}

// Where a surveyed point is on average in the frame of branch joint `joint`.
Vec3 meanOn(const RigSurvey& s, const std::vector<Vec3>& points, size_t perSample, size_t index, int joint)
{
    Vec3 mean{};
    for (int f = 0; f < s.samples; ++f) {
        const Mat4 back = inverseRigid(s.world[static_cast<size_t>(f) * s.branchJoints + joint]);
        mean = plain::add(mean, plain::scale(plain::transformAffine(back, points[f * perSample + index]), 1.0 / s.samples));
    }
    return mean;
}

// The bark's rings and the petioles where they ride on their bones on average.
void bindChains(ExportRig& rig, const RigSurvey& s)
{
    rig.boundRings.assign(s.branchJoints, Vec3{});
    for (int j = 0; j < s.branchJoints; ++j) rig.boundRings[j] = meanOn(s, s.rings, s.branchJoints, j, rig.boneJoint[rig.boneOf[j]]);
    const size_t perSample = s.samples > 0 ? s.petioles.size() / s.samples : 0;
    rig.boundPetioles.assign(perSample, Vec3{});
    const size_t leaves = rig.branchFirst.empty() ? 0 : rig.restBlades.size() / rig.branchFirst.size();
    for (size_t leaf = 0; leaf * kPetiolePoints < perSample; ++leaf) {
        const size_t b = leaf / leaves;
        if (rig.branchFirst[b] < 0 || rig.branchPoints[b] < 1) continue;
        const int tip = rig.boneJoint[rig.boneOf[rig.branchFirst[b] + rig.branchPoints[b] - 1]];
        for (size_t k = 0; k < static_cast<size_t>(kPetiolePoints); ++k)
            rig.boundPetioles[leaf * kPetiolePoints + k] = meanOn(s, s.petioles, perSample, leaf * kPetiolePoints + k, tip);
    }
}

} // namespace

bool chooseBones(ExportRig& rig, const arborvane::Simulation& sim, const RigSurvey& survey, int maxBones,
                 std::string& error)
{
    const int n = survey.branchJoints;
    Chooser c{survey, carriedPoints(rig, sim, n), std::vector<int>(n), std::vector<std::vector<int>>(n),
              std::vector<char>(n, 0), std::vector<int>(n, -1), {}};
    for (const Mat4& w : survey.world) c.inverse.push_back(inverseRigid(w));
    int bones = 0;
    for (int j = 0; j < n; ++j) {
        c.parent[j] = rig.tree[j].parent;
        if (c.parent[j] >= 0) c.children[c.parent[j]].push_back(j);
    }
    for (int j = 0; j < n; ++j)
        if (c.parent[j] < 0) c.keep(j), ++bones;
    if (bones > maxBones) {
        error = "--bones " + std::to_string(maxBones) + ": the tree has " + std::to_string(bones) +
                " separate chains, each needs a bone";
        return false;
    }
    // Lazy greedy: a gain only shrinks as bones are added, so a stale top
    // entry is worked out again before it is taken.
    std::priority_queue<std::pair<double, int>> queue;
    for (int j = 0; j < n; ++j)
        if (!c.kept[j]) queue.push({c.gain(j), j});
    while (bones < maxBones && !queue.empty()) {
        const auto [stale, j] = queue.top();
        queue.pop();
        if (c.kept[j]) continue;
        const double now = c.gain(j);
        if (!queue.empty() && now < queue.top().first - 1e-12 * std::fabs(now)) {
            queue.push({now, j});
            continue;
        }
        c.keep(j);
        ++bones;
    }
    // The bones in joint order (parents first), every joint on its nearest one.
    rig.boneJoint.clear();
    rig.bones.clear();
    rig.boneOf.assign(rig.tree.size(), -1);
    for (size_t j = 0; j < rig.tree.size(); ++j) {
        const int p = rig.tree[j].parent;
        if (static_cast<int>(j) < n && c.kept[j]) {
            rig.boneOf[j] = static_cast<int>(rig.bones.size());
            rig.boneJoint.push_back(static_cast<int>(j));
            RigJoint b = rig.tree[j];
            b.parent = p >= 0 ? rig.boneOf[p] : -1;
            rig.bones.push_back(b);
        } else {
            rig.boneOf[j] = p >= 0 ? rig.boneOf[p] : 0;
        }
    }
    bindBlades(rig, survey);
    bindChains(rig, survey);
    return true;
}
