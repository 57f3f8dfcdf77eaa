#include "export/glb_parts.h"

#include <algorithm>

#include "data_constants/grass_file.h"
#include "data_constants/leaf_file.h"
#include "data_constants/texture_files.h"
#include "math/vec_plain.h"

namespace glb {

int shortTurnsFrom(const ExportRig& rig)
{
    // Bones stand for whole stretches of branch: none has a short arm.
    return rig.bones.empty() ? firstPetioleJoint(rig) : static_cast<int>(rig.bones.size());
}

void startModel(tinygltf::Model& m)
{
    m.asset.version = "2.0";
    m.asset.generator = "arborvane-export";
    m.extensionsUsed.push_back("KHR_materials_unlit");
}

bool addTreeMaterials(GlbParts& out, const BmpImage* sceneTextures, TreeMaterials& mats, std::string& error)
{
    tinygltf::Model& m = out.m;
    tinygltf::Sampler sampler;
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_LINEAR;
    sampler.wrapS = sampler.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
    m.samplers.push_back(sampler);
    int tex[kSceneTextureCount] = {};
    const char* texNames[kSceneTextureCount] = {"trunk", "branch", "ground", "leaf_upper", "leaf_lower", "petiole"};
    for (int t = 0; t < kSceneTextureCount; ++t) {
        if (t == kGroundTexture) continue;
        if ((tex[t] = addTexture(m, out.bin, sceneTextures[t], texNames[t], error)) < 0) return false;
    }
    mats.trunk = addMaterial(m, "bark_trunk", tex[kTrunkTexture], true, false);
    mats.branch = addMaterial(m, "bark_branch", tex[kBranchTexture], true, false);
    // The window culls one face of each blade pass: the counter-clockwise side
    // shows the lower surface, the other side the upper one.
    mats.lower = addMaterial(m, "leaf_lower", tex[kLeafLowerTexture], false, true);
    mats.upper = addMaterial(m, "leaf_upper", tex[kLeafUpperTexture], false, true);
    mats.petiole = addMaterial(m, "petiole", tex[kPetioleTexture], true, true);
    return true;
}

// The tree's joint nodes under their root; returns the tree skin.
int addTreeRig(GlbParts& out, const ExportRig& rig, int& treeFirst)
{
    tinygltf::Model& m = out.m;
    const int treeRoot = addNode(m, "TreeRig");
    out.scene.nodes.push_back(treeRoot);
    addJointNodes(m, skinJoints(rig), treeRoot, treeFirst);
    return addSkin(m, out.bin, skinJoints(rig), treeFirst, treeRoot, "tree");
}

// Bark: every branch's rest tube, ring k on joint k of its branch; and the
// petioles, each starting on its branch tip's joint.
void addBarkAndPetioles(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig,
                        const TreeMaterials& mats, int treeSkin)
{
    Geometry trunk, branches, petioles;
    std::vector<int> ringJoint;
    const size_t leaves = sim.leavesPerBranch();
    for (size_t b = 0; b < rig.branchFirst.size(); ++b) {
        if (rig.branchFirst[b] < 0) continue;
        std::vector<Vec3> rest = vec3s(sim.restBranchPoints(b));
        const int n = static_cast<int>(rest.size());
        for (int k = 0; k < n && !rig.boundRings.empty(); ++k) rest[k] = rig.boundRings[rig.branchFirst[b] + k];
        ringJoint.resize(n);
        for (int k = 0; k < n; ++k) ringJoint[k] = skinJointOf(rig, rig.branchFirst[b] + k);
        addTube(b == 0 ? trunk : branches, n, rest.data(), sim.restBranchRadii(b).data(), b == 0 ? 16 : 8,
                ringJoint.data());
        if (n < 2) continue;
        for (size_t l = 0; l < leaves; ++l) {
            const int first = rig.petioleFirst[b * leaves + l];
            if (first < 0) continue;
            std::vector<Vec3> petiole = vec3s(sim.restLeafPetiole(b, l));
            for (size_t k = 0; k < petiole.size() && k < size_t(kPetiolePoints) && !rig.boundPetioles.empty(); ++k)
                petiole[k] = rig.boundPetioles[(b * leaves + l) * kPetiolePoints + k];
            int joints[kPetiolePoints];
            joints[0] = skinJointOf(rig, rig.branchFirst[b] + n - 1); // it starts on the branch tip's transform
            for (int k = 1; k < kPetiolePoints; ++k) joints[k] = skinJointOf(rig, first + k - 1);
            addTube(petioles, std::min(static_cast<int>(petiole.size()), kPetiolePoints), petiole.data(),
                    sim.leafPetioleRadii(b, l).data(), 3, joints);
        }
    }
    tinygltf::Mesh bark;
    bark.name = "bark";
    addPrimitive(bark, out.bin, trunk, mats.trunk);
    addPrimitive(bark, out.bin, branches, mats.branch);
    addSkinnedMesh(out.m, out.scene, "Bark", std::move(bark), treeSkin);
    tinygltf::Mesh petioleMesh;
    petioleMesh.name = "petioles";
    addPrimitive(petioleMesh, out.bin, petioles, mats.petiole);
    addSkinnedMesh(out.m, out.scene, "Petioles", std::move(petioleMesh), treeSkin);
}

namespace {

// The blade template, twice: lower surface as wound, upper surface reversed.
struct BladeSink {
    Geometry& lower;    // lower surface, as wound
    Geometry& upper;    // upper surface, winding reversed
    uint32_t corner[3]; // the triangle being collected
    int n = 0;          // corners collected so far
    void vertex(float u, float v, float x, float y, float z)
    {
        const Vec3 p{x, y, z, 0};
        corner[n] = lower.vertex(p, nullptr, u, v, -1);
        upper.vertex(p, nullptr, u, v, -1);
        if (++n == 3) {
            lower.indices.insert(lower.indices.end(), {corner[0], corner[1], corner[2]});
            upper.indices.insert(upper.indices.end(), {corner[0], corner[2], corner[1]});
            n = 0;
        }
    }
};


// Groups blades are drawn in: one per grass texture, then one untextured.
constexpr int kGrassGroups = kGrassTextureCount + 1;

// A blade's group: its texture, or the last, untextured group for an index
// that names no texture, as the window draws such a blade (plain, in its
// colour). The loader deals 0..3 only, so only hand-made rigs reach it.
int grassGroup(int texture) { return texture >= 0 && texture < kGrassTextureCount ? texture : kGrassTextureCount; }

// JOINTS_0 holds 16-bit indices: a lawn of more blades than one skin can
// address is cut into meshes of a skin each (Grass, Grass_2, ...).
constexpr int kBladesPerSkin = 65535 / (kGrassLevels - 1) - 1;

// The rest strips of blades [first, end) in one texture group, each level on
// its joint of their skin (the blades' joints in order, then the anchor).
Geometry grassGroupStrips(const arborvane::Simulation& sim, const ExportRig& rig, int group, int first, int end)
{
    Geometry g;
    const int anchorJoint = (end - first) * (kGrassLevels - 1);
    for (int b = first; b < end; ++b) {
        if (grassGroup(rig.grassTexture[b]) != group) continue;
        const arborvane::Strided<arborvane::Point3> restCentre = sim.restGrassCentre(b);
        const arborvane::Strided<arborvane::Point3> restEdge = sim.restGrassEdge(b);
        uint32_t prev[2] = {};
        for (int k = 0; k < kGrassLevels; ++k) {
            const int joint = k == 0 ? anchorJoint : (b - first) * (kGrassLevels - 1) + k - 1;
            const Vec3 e = vec3(restEdge[k]);
            const Vec3 c = vec3(restCentre[k]);
            // The far side of the level: the edge point mirrored through the centre line.
            const Vec3 other{2.0 * c.x - e.x, 2.0 * c.y - e.y, 2.0 * c.z - e.z, 0};
            const double v = static_cast<float>(k) / static_cast<float>(kGrassLevels);
            const uint32_t a = g.vertex(other, nullptr, 0.0, v, joint);
            const uint32_t d = g.vertex(e, nullptr, 1.0, v, joint);
            if (k > 0) g.indices.insert(g.indices.end(), {prev[0], prev[1], d, prev[0], d, a});
            prev[0] = a;
            prev[1] = d;
        }
    }
    return g;
}

} // namespace

namespace {

// Every triangle whose corners are template vertices (one that is not
// would read past the template), as the window draws the blade: corner(t, k)
// for each corner's template vertex k.
template <class Corner>
void bladeTriangles(const arborvane::Simulation& sim, Corner corner)
{
    const size_t count = sim.leafBladeVertices().size();
    const std::span<const std::int32_t> corners = sim.leafBladeTriangles();
    for (size_t t = 0; t + 2 < corners.size(); t += 3) {
        bool valid = true;
        for (size_t i = 0; i < 3; ++i)
            valid = valid && corners[t + i] >= 0 && static_cast<size_t>(corners[t + i]) < count;
        for (size_t i = 0; valid && i < 3; ++i) corner(t / 3, static_cast<size_t>(corners[t + i]));
    }
}

// The template's two surfaces once, each corner its own vertex.
void bladeSurfaces(const arborvane::Simulation& sim, Geometry& lower, Geometry& upper)
{
    BladeSink bladeSink{lower, upper, {}, 0};
    const arborvane::Strided<arborvane::Point3> vertices = sim.leafBladeVertices();
    const std::span<const double> uv = sim.leafBladeTexCoords();
    bladeTriangles(sim, [&](size_t, size_t k) {
        const arborvane::Point3& p = vertices[k];
        bladeSink.vertex(static_cast<float>(uv[2 * k]), static_cast<float>(uv[2 * k + 1]), static_cast<float>(p.x),
                         static_cast<float>(p.y), static_cast<float>(p.z));
    });
}

// One placed blade on a skin joint: each template vertex once (in the order
// the triangles first use it), shared by its triangles.
void skinnedBlade(const arborvane::Simulation& sim, const Mat4& place, int joint, Geometry& lower, Geometry& upper)
{
    const arborvane::Strided<arborvane::Point3> vertices = sim.leafBladeVertices();
    const std::span<const double> uv = sim.leafBladeTexCoords();
    std::vector<int64_t> made(vertices.size(), -1);
    uint32_t tri[3];
    int n = 0;
    bladeTriangles(sim, [&](size_t, size_t k) {
        if (made[k] < 0) {
            const Vec3 p = plain::transformAffine(place, vec3(vertices[k]));
            made[k] = lower.vertex(p, nullptr, static_cast<float>(uv[2 * k]), static_cast<float>(uv[2 * k + 1]), joint);
            upper.vertex(p, nullptr, static_cast<float>(uv[2 * k]), static_cast<float>(uv[2 * k + 1]), joint);
        }
        tri[n] = static_cast<uint32_t>(made[k]);
        if (++n == 3) {
            lower.indices.insert(lower.indices.end(), {tri[0], tri[1], tri[2]});
            upper.indices.insert(upper.indices.end(), {tri[0], tri[2], tri[1]});
            n = 0;
        }
    });
}

} // namespace

// One blade mesh, drawn by a node per leaf under "Leaves"; returns the first leaf node.
int addLeafBlades(GlbParts& out, const arborvane::Simulation& sim, const MotionTracks& tracks,
                  const TreeMaterials& mats)
{
    tinygltf::Model& m = out.m;
    Geometry lower, upper;
    bladeSurfaces(sim, lower, upper);
    tinygltf::Mesh blade;
    blade.name = "leaf_blade";
    addPrimitive(blade, out.bin, lower, mats.lower);
    addPrimitive(blade, out.bin, upper, mats.upper);
    const int bladeMesh = blade.primitives.empty() ? -1 : addMesh(m, blade);
    const int leavesRoot = addNode(m, "Leaves");
    out.scene.nodes.push_back(leavesRoot);
    const int leafFirst = static_cast<int>(m.nodes.size());
    for (size_t i = 0; i < tracks.leafBranch.size(); ++i) {
        const int node = addNode(m, "b" + std::to_string(tracks.leafBranch[i]) + ".l" +
                                        std::to_string(tracks.leafIndex[i]));
        m.nodes[node].mesh = bladeMesh;
        const double s = tracks.leafScale[i];
        m.nodes[node].scale = {s, s, s};
        m.nodes[leavesRoot].children.push_back(node);
    }
    return leafFirst;
}

void addSkinnedLeafBlades(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig,
                          const MotionTracks& tracks, const TreeMaterials& mats, int treeSkin)
{
    Geometry lower, upper;
    const size_t leaves = sim.leavesPerBranch();
    for (size_t i = 0; i < tracks.leafBranch.size(); ++i) {
        const size_t leaf = static_cast<size_t>(tracks.leafBranch[i]) * leaves + tracks.leafIndex[i];
        // The blade rides rigidly on its petiole, whose joints ride on the branch's bone.
        skinnedBlade(sim, rig.restBlades[leaf], skinJointOf(rig, rig.petioleFirst[leaf]), lower, upper);
    }
    tinygltf::Mesh blade;
    blade.name = "leaf_blade";
    addPrimitive(blade, out.bin, lower, mats.lower);
    addPrimitive(blade, out.bin, upper, mats.upper);
    addSkinnedMesh(out.m, out.scene, "Leaves", std::move(blade), treeSkin);
}


// Grass: one strip per blade from its two edge lines, grouped by texture as
// the window draws them (blades naming no texture last, untextured).
bool addGrass(GlbParts& out, const arborvane::Simulation& sim, const ExportRig& rig, const BmpImage* grassTextures,
              int& grassFirst, std::string& error)
{
    tinygltf::Model& m = out.m;
    const int grassRoot = addNode(m, kGrassRigName);
    out.scene.nodes.push_back(grassRoot);
    addJointNodes(m, rig.grass, grassRoot, grassFirst);
    // The root level never moves: it rides on a joint of its own at the origin.
    const int anchorNode = addNode(m, "grass_root");
    m.nodes[grassRoot].children.push_back(anchorNode);
    const double colour[3] = {81 / 255.0, 126 / 255.0, 41 / 255.0};
    const int perBlade = kGrassLevels - 1;
    std::vector<int> mats; // per texture group, made with the first mesh
    for (int first = 0, c = 0; c == 0 || first < rig.grassBlades; first += kBladesPerSkin, ++c) {
        const int end = std::min(rig.grassBlades, first + kBladesPerSkin);
        const std::string suffix = c ? "_" + std::to_string(c + 1) : "";
        const std::vector<RigJoint> joints(rig.grass.begin() + first * perBlade, rig.grass.begin() + end * perBlade);
        const int skin = addSkin(m, out.bin, joints, grassFirst + first * perBlade, grassRoot, "grass" + suffix, anchorNode);
        tinygltf::Mesh grass;
        grass.name = "grass" + suffix;
        for (int t = 0; t < kGrassGroups; ++t) {
            Geometry g = grassGroupStrips(sim, rig, t, first, end);
            if (c == 0) {
                int mat = -1;
                if (t < kGrassTextureCount) {
                    const int texture = addTexture(m, out.bin, grassTextures[t], "grass" + std::to_string(t + 1), error);
                    if (texture < 0) return false;
                    mat = addMaterial(m, "grass" + std::to_string(t + 1), texture, true, true, colour);
                } else if (!g.empty()) {
                    mat = addMaterial(m, "grass_plain", -1, true, true, colour);
                }
                mats.push_back(mat);
            }
            addPrimitive(grass, out.bin, g, mats[t]);
        }
        addSkinnedMesh(m, out.scene, "Grass" + suffix, std::move(grass), skin);
    }
    return true;
}

void addAnimatedNodes(const arborvane::Simulation& sim, const ExportRig& rig, const MotionTracks& tracks,
                      const AnimatedNodes& nodes, Animator& anim)
{
    // Local translations that stay within this of their first value are
    // fixed offsets along a branch, not motion.
    double extent = 1.0;
    const arborvane::Box bounds = sim.sceneBounds();
    for (int i = 0; i < 3; ++i) {
        const double lo[3] = {bounds.min.x, bounds.min.y, bounds.min.z};
        const double hi[3] = {bounds.max.x, bounds.max.y, bounds.max.z};
        extent = std::max(extent, hi[i] - lo[i]);
    }
    // Branch chains are deep and long: full-precision turns keep the tips
    // true. Petioles, blades and grass have arms of a few centimetres.
    anim.addNodes(tracks.tree, nodes.tree, shortTurnsFrom(rig), 1e-6 * extent);
    anim.addNodes(tracks.leaves, nodes.leaves, 0, 1e-6 * extent);
    if (nodes.grass >= 0) anim.addNodes(tracks.grass, nodes.grass, 0, 1e-6 * extent);
}

} // namespace glb
