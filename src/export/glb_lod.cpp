#include "export/glb_lod.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "data_constants/leaf_file.h"
#include "math/vec_plain.h"

namespace glb {

namespace {

// How one level thins the tree.
struct LodLevel {
    int trunkSides;    // tube sides of branch 0 (16 in the full tree)
    int branchSides;   // tube sides of the others (8)
    int pointStride;   // every n-th centre-line point keeps its ring (the last always)
    int petiolePoints; // of the 6; 0: no petioles (a few centimetres, gone in the distance)
    int leavesKept;    // leaves kept per branch (of 6)
    double bladeShare; // share of the blade template's triangles kept
};

// About 40 % and 20 % of the full tree's triangles, whose bulk is the blades.
constexpr LodLevel kLevels[kLodLevels] = {
    {8, 5, 2, 3, 4, 0.65},
    {6, 4, 3, 0, 3, 0.45},
};

// Point indices of a line of n points, spread over `count` of them, both ends kept.
std::vector<int> spreadPoints(int n, int count)
{
    std::vector<int> kept;
    count = std::min(count, n);
    for (int i = 0; i < count; ++i)
        kept.push_back(count == 1 ? 0 : static_cast<int>(std::lround(double(i) * (n - 1) / (count - 1))));
    return kept;
}

// Every stride-th point and the last.
std::vector<int> stridePoints(int n, int stride)
{
    std::vector<int> kept;
    for (int k = 0; k < n; k += stride) kept.push_back(k);
    if (n > 0 && kept.back() != n - 1) kept.push_back(n - 1);
    return kept;
}

// The tube through the kept points of a centre line, each ring on its own point's joint.
void addThinTube(Geometry& g, const Vec3* points, const double* radii, const int* joints,
                 const std::vector<int>& kept, int sides)
{
    std::vector<Vec3> p;
    std::vector<double> r;
    std::vector<int> j;
    for (int k : kept) {
        p.push_back(points[k]);
        r.push_back(radii[k]);
        j.push_back(joints[k]);
    }
    addTube(g, static_cast<int>(p.size()), p.data(), r.data(), sides, j.data());
}

void addLevelBark(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig, const TreeMaterials& mats,
                  int treeSkin, const LodLevel& level, const std::string& suffix)
{
    Geometry trunk, branches, petioles;
    std::vector<int> joints;
    const size_t leaves = sim.leavesPerBranch();
    for (size_t b = 0; b < rig.branchFirst.size(); ++b) {
        if (rig.branchFirst[b] < 0) continue;
        std::vector<Vec3> rest = vec3s(sim.restBranchPoints(b));
        const int n = static_cast<int>(rest.size());
        // As the full bark: under --bones each ring where it rides on its bone.
        for (int k = 0; k < n && !rig.boundRings.empty(); ++k) rest[k] = rig.boundRings[rig.branchFirst[b] + k];
        joints.resize(n);
        for (int k = 0; k < n; ++k) joints[k] = skinJointOf(rig, rig.branchFirst[b] + k);
        addThinTube(b == 0 ? trunk : branches, rest.data(), sim.restBranchRadii(b).data(), joints.data(),
                    stridePoints(n, level.pointStride), b == 0 ? level.trunkSides : level.branchSides);
        if (n < 2 || level.petiolePoints == 0) continue;
        for (size_t l = 0; l < leaves; ++l) {
            const int first = rig.petioleFirst[b * leaves + l];
            if (first < 0) continue;
            std::vector<Vec3> petiole = vec3s(sim.restLeafPetiole(b, l));
            for (size_t k = 0; k < petiole.size() && k < size_t(kPetiolePoints) && !rig.boundPetioles.empty(); ++k)
                petiole[k] = rig.boundPetioles[(b * leaves + l) * kPetiolePoints + k];
            int pj[kPetiolePoints];
            pj[0] = skinJointOf(rig, rig.branchFirst[b] + n - 1); // as the full tree: the stalk starts on the branch tip
            for (int k = 1; k < kPetiolePoints; ++k) pj[k] = skinJointOf(rig, first + k - 1);
            const int points = std::min(static_cast<int>(petiole.size()), kPetiolePoints);
            addThinTube(petioles, petiole.data(), sim.leafPetioleRadii(b, l).data(), pj,
                        spreadPoints(points, level.petiolePoints), 3);
        }
    }
    tinygltf::Mesh bark;
    bark.name = "bark" + suffix;
    addPrimitive(bark, out.bin, trunk, mats.trunk);
    addPrimitive(bark, out.bin, branches, mats.branch);
    addSkinnedMesh(out.m, out.scene, "Bark" + suffix, std::move(bark), treeSkin);
    tinygltf::Mesh petioleMesh;
    petioleMesh.name = "petioles" + suffix;
    addPrimitive(petioleMesh, out.bin, petioles, mats.petiole);
    addSkinnedMesh(out.m, out.scene, "Petioles" + suffix, std::move(petioleMesh), treeSkin);
}

// The blade template as shared vertices, its triangles simplified to about `share` of them.
struct Blade {
    std::vector<double> xyz, uv;
    std::vector<uint32_t> indices;
};

Blade simplifiedBlade(const arborvane::Simulation& sim, double share)
{
    const arborvane::Strided<arborvane::Point3> vertices = sim.leafBladeVertices();
    const std::span<const double> uv = sim.leafBladeTexCoords();
    const std::span<const std::int32_t> corners = sim.leafBladeTriangles();
    std::vector<float> xyz;
    for (size_t k = 0; k < vertices.size(); ++k)
        xyz.insert(xyz.end(), {float(vertices[k].x), float(vertices[k].y), float(vertices[k].z)});
    std::vector<uint32_t> all;
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        bool valid = true; // as the full blade: triangles naming a vertex past the template are left out
        for (size_t i = 0; i < 3; ++i)
            valid = valid && corners[t + i] >= 0 && static_cast<size_t>(corners[t + i]) < vertices.size();
        for (size_t i = 0; valid && i < 3; ++i) all.push_back(static_cast<uint32_t>(corners[t + i]));
    }
    std::vector<uint32_t> kept(all.size());
    const size_t target = std::max<size_t>(3, static_cast<size_t>(all.size() / 3 * share) * 3);
    // The outline may move by up to 3 % of the blade: larger blades in the distance hide it.
    kept.resize(meshopt_simplify(kept.data(), all.data(), all.size(), xyz.data(), vertices.size(), 12, target,
                                 0.03f, 0, nullptr));
    Blade blade;
    std::vector<int64_t> remap(vertices.size(), -1);
    for (uint32_t k : kept) {
        if (remap[k] < 0) {
            remap[k] = static_cast<int64_t>(blade.xyz.size() / 3);
            blade.xyz.insert(blade.xyz.end(), {vertices[k].x, vertices[k].y, vertices[k].z});
            blade.uv.insert(blade.uv.end(), {uv[2 * k], uv[2 * k + 1]});
        }
        blade.indices.push_back(static_cast<uint32_t>(remap[k]));
    }
    return blade;
}

// A kept leaf (tracks' leaf index) and the blade scale that keeps its branch's leaf area.
struct KeptLeaf {
    int leaf;
    double enlarge;
};

// The outline of the crown is its outer leaves: per branch, those farthest
// from the crown's centre stay, enlarged so the branch keeps its leaf area.
// at: each leaf's place at frame 0, [leaf][3].
std::vector<KeptLeaf> keptLeaves(const MotionTracks& tracks, const std::vector<double>& at, int perBranch)
{
    const size_t count = tracks.leafBranch.size();
    double centre[3] = {0, 0, 0};
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) centre[c] += at[i * 3 + c] / double(count);
    auto distance = [&](int i) {
        double d = 0;
        for (int c = 0; c < 3; ++c) d += std::pow(at[i * 3 + c] - centre[c], 2);
        return d;
    };
    std::map<int, std::vector<int>> byBranch;
    for (size_t i = 0; i < count; ++i) byBranch[tracks.leafBranch[i]].push_back(static_cast<int>(i));
    std::vector<KeptLeaf> kept;
    for (auto& [branch, leaves] : byBranch) {
        std::stable_sort(leaves.begin(), leaves.end(), [&](int a, int b) { return distance(a) > distance(b); });
        const size_t keep = std::min(leaves.size(), static_cast<size_t>(perBranch));
        for (size_t k = 0; k < keep; ++k) kept.push_back({leaves[k], std::sqrt(double(leaves.size()) / keep)});
    }
    return kept;
}

// Rotation of a unit quaternion (x, y, z, w), row-major.
void rotationOf(const float* q, double r[9])
{
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double m[9] = {1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
                         2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
                         2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
    std::copy(m, m + 9, r);
}

// The lighter blades' mesh on `skin`: the lower surface as wound, the upper
// sharing its vertices, wound the other way.
void addLevelBladeMesh(GlbParts& out, Geometry& g, const TreeMaterials& mats, int skin, const std::string& suffix)
{
    tinygltf::Mesh mesh;
    mesh.name = "leaf_blades" + suffix;
    std::vector<uint32_t> reversed = g.indices;
    for (size_t t = 0; t + 2 < reversed.size(); t += 3) std::swap(reversed[t + 1], reversed[t + 2]);
    const int lower = addPrimitive(mesh, out.bin, g, mats.lower);
    tinygltf::Primitive upper = mesh.primitives[lower];
    upper.material = mats.upper;
    upper.indices = out.bin.array(reversed, kUInt, TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    mesh.primitives.push_back(upper);
    addSkinnedMesh(out.m, out.scene, "Leaves" + suffix, std::move(mesh), skin);
}

// The kept blades as one mesh skinned to their leaf nodes: each vertex
// rides on its leaf's node exactly as the full blade does, at frame 0's pose.
void addLevelLeaves(GlbParts& out, const MotionTracks& tracks, const TreeMaterials& mats, int leafFirst,
                    const Blade& blade, const std::vector<KeptLeaf>& kept, const std::string& suffix)
{
    Geometry g;
    std::vector<float> ibm;
    tinygltf::Skin skin;
    skin.name = "leaves" + suffix;
    skin.skeleton = leafFirst - 1; // the "Leaves" node, the leaf nodes' parent
    for (size_t j = 0; j < kept.size(); ++j) {
        const int i = kept[j].leaf;
        const float* pose = &tracks.leaves.first[static_cast<size_t>(i) * kPoseFloats];
        const double s = tracks.leafScale[i];
        double r[9];
        rotationOf(pose + 3, r);
        const uint32_t base = static_cast<uint32_t>(g.position.size() / 3);
        for (size_t k = 0; k < blade.xyz.size() / 3; ++k) {
            const double* v = &blade.xyz[3 * k];
            const double f = s * kept[j].enlarge;
            Vec3 p{};
            p.x = pose[0] + f * (r[0] * v[0] + r[1] * v[1] + r[2] * v[2]);
            p.y = pose[1] + f * (r[3] * v[0] + r[4] * v[1] + r[5] * v[2]);
            p.z = pose[2] + f * (r[6] * v[0] + r[7] * v[1] + r[8] * v[2]);
            g.vertex(p, nullptr, blade.uv[2 * k], blade.uv[2 * k + 1], static_cast<int>(j));
        }
        for (uint32_t index : blade.indices) g.indices.push_back(base + index);
        // Inverse of T·R·S, column-major: R^T/s, then -R^T·t/s.
        double t[3];
        for (int c = 0; c < 3; ++c) t[c] = -(r[c] * pose[0] + r[3 + c] * pose[1] + r[6 + c] * pose[2]) / s;
        ibm.insert(ibm.end(), {float(r[0] / s), float(r[1] / s), float(r[2] / s), 0, float(r[3] / s), float(r[4] / s),
                               float(r[5] / s), 0, float(r[6] / s), float(r[7] / s), float(r[8] / s), 0, float(t[0]),
                               float(t[1]), float(t[2]), 1});
        skin.joints.push_back(leafFirst + i);
    }
    if (kept.empty() || blade.indices.empty()) return;
    skin.inverseBindMatrices = out.bin.array(ibm, kFloat, TINYGLTF_TYPE_MAT4, 0);
    out.m.skins.push_back(skin);
    addLevelBladeMesh(out, g, mats, static_cast<int>(out.m.skins.size()) - 1, suffix);
}

// --bones: the kept blades on the tree's skin, each where the full skinned
// blade is bound on its branch's bone (rig.restBlades), enlarged about its base.
void addBoneLevelLeaves(GlbParts& out, const ExportRig& rig, const MotionTracks& tracks, const TreeMaterials& mats,
                        int treeSkin, const Blade& blade, const std::vector<KeptLeaf>& kept, const std::string& suffix)
{
    Geometry g;
    const size_t leaves = rig.branchFirst.empty() ? 0 : rig.petioleFirst.size() / rig.branchFirst.size();
    for (const KeptLeaf& k : kept) {
        const size_t leaf = static_cast<size_t>(tracks.leafBranch[k.leaf]) * leaves + tracks.leafIndex[k.leaf];
        const int joint = skinJointOf(rig, rig.petioleFirst[leaf]);
        const uint32_t base = static_cast<uint32_t>(g.position.size() / 3);
        for (size_t v = 0; v < blade.xyz.size() / 3; ++v) {
            const Vec3 local{k.enlarge * blade.xyz[3 * v], k.enlarge * blade.xyz[3 * v + 1],
                             k.enlarge * blade.xyz[3 * v + 2], 0};
            g.vertex(plain::transformAffine(rig.restBlades[leaf], local), nullptr, blade.uv[2 * v],
                     blade.uv[2 * v + 1], joint);
        }
        for (uint32_t index : blade.indices) g.indices.push_back(base + index);
    }
    if (kept.empty() || blade.indices.empty()) return;
    addLevelBladeMesh(out, g, mats, treeSkin, suffix);
}

// Each leaf's place at frame 0, [leaf][3]: its track's first pose, or with
// --bones (no leaf tracks) the simulation's blades, still at frame 0.
std::vector<double> leafPlaces(const arborvane::Simulation& sim, const ExportRig& rig, const MotionTracks& tracks)
{
    std::vector<double> at;
    for (size_t i = 0; i < tracks.leafBranch.size(); ++i) {
        if (rig.bones.empty()) {
            for (int c = 0; c < 3; ++c) at.push_back(tracks.leaves.first[i * kPoseFloats + c]);
            continue;
        }
        const Mat4 m = mat4(sim.leafBladeMatrices(tracks.leafBranch[i])[tracks.leafIndex[i]]);
        at.insert(at.end(), {m.m[3], m.m[7], m.m[11]});
    }
    return at;
}

size_t meshTriangles(const tinygltf::Model& m, const std::string& name)
{
    size_t n = 0;
    for (const tinygltf::Mesh& mesh : m.meshes)
        if (mesh.name == name)
            for (const tinygltf::Primitive& p : mesh.primitives) n += m.accessors[p.indices].count / 3;
    return n;
}

} // namespace

void addLodLevels(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig, const MotionTracks& tracks,
                  const TreeMaterials& mats, int treeSkin, int leafFirst, size_t triangles[kLodLevels + 1])
{
    triangles[0] = meshTriangles(out.m, "bark") + meshTriangles(out.m, "petioles") +
                   meshTriangles(out.m, "leaf_blade") * (rig.bones.empty() ? tracks.leafBranch.size() : 1);
    const std::vector<double> places = leafPlaces(sim, rig, tracks);
    for (int l = 0; l < kLodLevels; ++l) {
        const std::string suffix = "_LOD" + std::to_string(l + 1);
        addLevelBark(out, sim, rig, mats, treeSkin, kLevels[l], suffix);
        const Blade blade = simplifiedBlade(sim, kLevels[l].bladeShare);
        const std::vector<KeptLeaf> kept = keptLeaves(tracks, places, kLevels[l].leavesKept);
        if (rig.bones.empty()) addLevelLeaves(out, tracks, mats, leafFirst, blade, kept, suffix);
        else addBoneLevelLeaves(out, rig, tracks, mats, treeSkin, blade, kept, suffix);
        triangles[l + 1] = meshTriangles(out.m, "bark" + suffix) + meshTriangles(out.m, "petioles" + suffix) +
                           meshTriangles(out.m, "leaf_blades" + suffix);
    }
}

} // namespace glb
