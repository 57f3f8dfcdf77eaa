// The scene as a binary glTF: skinned meshes, textures and the animation,
// planned first, then written through a sink.
//
// Sections, in order:
//   Binary chunk and geometry: Bin, Geometry, TubeCollector, addTube, addPrimitive
//   Model pieces: addMesh, addNode, addSkinnedMesh, addTexture, addMaterial, addSkin, addJointNodes
//   Animation: Animator
//   Images: bmpToTopDownRgb, encodePng
//   Scene parts: addTreeMaterials, addTreeRig, addBarkAndPetioles, addLeafBlades, addGrass, addAnimation
//   GLB container: serializeDocument, writeChunks
//   Plan and write: planGlb, glbSizeEstimate, finishGlb, buildGlb
#include "export/glb_writer.h"

#include <stb/stb_image_write.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <sstream>

#include "data_constants/texture_files.h"
#include "cli/file_probe.h"
#include "math/tube_geometry.h"
#include "tree/leaf_geometry.h"
#include "scene/scene.h"

// ---- Binary chunk and geometry

namespace {

using tinygltf::Accessor;

constexpr int kFloat = TINYGLTF_COMPONENT_TYPE_FLOAT;
constexpr int kShort = TINYGLTF_COMPONENT_TYPE_SHORT;
constexpr int kUShort = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
constexpr int kUByte = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
constexpr int kUInt = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;

// One binary chunk, filled view by view.
struct Bin {
    tinygltf::Model& model;
    std::vector<unsigned char> data;
    size_t later = 0; // bytes of views whose data follow data, written at the end

    int view(const void* bytes, size_t size, int target)
    {
        while (data.size() % 4) data.push_back(0);
        assert(later == 0); // views with data come first
        tinygltf::BufferView v;
        v.buffer = 0;
        v.byteOffset = data.size();
        v.byteLength = size;
        v.target = target;
        const auto* p = static_cast<const unsigned char*>(bytes);
        data.insert(data.end(), p, p + size);
        model.bufferViews.push_back(v);
        return static_cast<int>(model.bufferViews.size()) - 1;
    }
    // A view of size bytes (a multiple of 4) whose data are written after
    // the chunk's present bytes.
    int laterView(size_t size)
    {
        while (data.size() % 4) data.push_back(0);
        tinygltf::BufferView v;
        v.buffer = 0;
        v.byteOffset = data.size() + later;
        v.byteLength = size;
        later += size;
        model.bufferViews.push_back(v);
        return static_cast<int>(model.bufferViews.size()) - 1;
    }
    int accessor(int view, size_t offset, int component, size_t count, int type, bool normalized = false)
    {
        Accessor a;
        a.bufferView = view;
        a.byteOffset = offset;
        a.componentType = component;
        a.count = count;
        a.type = type;
        a.normalized = normalized;
        model.accessors.push_back(a);
        return static_cast<int>(model.accessors.size()) - 1;
    }
    template <class T>
    int array(const std::vector<T>& v, int component, int type, int target, bool normalized = false)
    {
        const int components = type == TINYGLTF_TYPE_SCALAR ? 1 : type == TINYGLTF_TYPE_VEC2 ? 2
                               : type == TINYGLTF_TYPE_VEC3 ? 3 : type == TINYGLTF_TYPE_VEC4 ? 4 : 16;
        const int id = view(v.data(), v.size() * sizeof(T), target);
        return accessor(id, 0, component, v.size() / components, type, normalized);
    }
};

// Vertex streams of one skinned primitive.
struct Geometry {
    std::vector<float> position, normal, uv;
    std::vector<uint16_t> joints;
    std::vector<uint8_t> weights;
    std::vector<uint32_t> indices;

    uint32_t vertex(const Vec3& p, const Vec3* n, double u, double v, int joint)
    {
        position.insert(position.end(), {float(p.x), float(p.y), float(p.z)});
        if (n) {
            // A collapsed ring has zero directions; any unit normal will do there.
            const double len = std::sqrt(n->x * n->x + n->y * n->y + n->z * n->z);
            if (len > 1e-6) normal.insert(normal.end(), {float(n->x / len), float(n->y / len), float(n->z / len)});
            else normal.insert(normal.end(), {0.0f, 1.0f, 0.0f});
        }
        // Textures are stored top row first; the drawing's t runs from the bottom.
        uv.insert(uv.end(), {float(u), float(1.0 - v)});
        if (joint >= 0) {
            joints.insert(joints.end(), {uint16_t(joint), 0, 0, 0});
            weights.insert(weights.end(), {255, 0, 0, 0});
        }
        return static_cast<uint32_t>(position.size() / 3 - 1);
    }
    bool empty() const { return indices.empty(); }
};

// Collects traceTube's strips as shared rings: ring k keeps its vertices
// whichever strip emits it, and each strip's quads become two triangles.
struct TubeCollector {
    Geometry& g;
    const int* ringJoint; // joint per centre-line point
    int strip = -1;
    std::vector<uint32_t> pending;
    uint32_t prevEnd[kMaxTubeSides + 1];
    int emitted = 0;

    void beginStrip()
    {
        ++strip;
        pending.clear();
        emitted = 0;
    }
    void vertex(const Vec3& normal, double u, double v, const Vec3& position)
    {
        // Pairs arrive as (end ring s, start ring s); the start ring of strip
        // k > 0 is the end ring of strip k-1, already stored.
        const int s = emitted / 2;
        const bool isEnd = emitted % 2 == 0;
        ++emitted;
        if (isEnd) pending.push_back(g.vertex(position, &normal, u, v, ringJoint[strip + 1]));
        else pending.push_back(strip == 0 ? g.vertex(position, &normal, u, v, ringJoint[0]) : prevEnd[s]);
    }
    void endStrip()
    {
        const int pairs = static_cast<int>(pending.size()) / 2;
        for (int s = 0; s + 1 < pairs; ++s) {
            const uint32_t e0 = pending[2 * s], s0 = pending[2 * s + 1], e1 = pending[2 * s + 2],
                           s1 = pending[2 * s + 3];
            g.indices.insert(g.indices.end(), {e0, s0, s1, e0, s1, e1});
        }
        for (int s = 0; s < pairs; ++s) prevEnd[s] = pending[2 * s];
    }
};

void addTube(Geometry& g, int n, const Vec3* points, const double* radii, int sides, const int* ringJoint)
{
    if (n < 2) return;
    TubeCollector c{g, ringJoint, -1, {}, {}, 0};
    traceTube(n, points, radii, sides, c);
}

int addPrimitive(tinygltf::Mesh& mesh, Bin& bin, Geometry& g, int material)
{
    if (g.empty()) return -1;
    tinygltf::Primitive p;
    p.mode = TINYGLTF_MODE_TRIANGLES;
    p.material = material;
    const int pos = bin.array(g.position, kFloat, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
    std::vector<double> lo(3, 1e300), hi(3, -1e300);
    for (size_t i = 0; i < g.position.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], double(g.position[i]));
        hi[i % 3] = std::max(hi[i % 3], double(g.position[i]));
    }
    bin.model.accessors[pos].minValues = lo;
    bin.model.accessors[pos].maxValues = hi;
    p.attributes["POSITION"] = pos;
    if (!g.normal.empty()) p.attributes["NORMAL"] = bin.array(g.normal, kFloat, TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
    p.attributes["TEXCOORD_0"] = bin.array(g.uv, kFloat, TINYGLTF_TYPE_VEC2, TINYGLTF_TARGET_ARRAY_BUFFER);
    if (!g.joints.empty()) {
        p.attributes["JOINTS_0"] = bin.array(g.joints, kUShort, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER);
        p.attributes["WEIGHTS_0"] =
            bin.array(g.weights, kUByte, TINYGLTF_TYPE_VEC4, TINYGLTF_TARGET_ARRAY_BUFFER, true);
    }
    p.indices = bin.array(g.indices, kUInt, TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
    mesh.primitives.push_back(p);
    return static_cast<int>(mesh.primitives.size()) - 1;
}

// ---- Model pieces

int addMesh(tinygltf::Model& m, tinygltf::Mesh mesh)
{
    m.meshes.push_back(std::move(mesh));
    return static_cast<int>(m.meshes.size()) - 1;
}

int addNode(tinygltf::Model& m, const std::string& name)
{
    tinygltf::Node n;
    n.name = name;
    m.nodes.push_back(n);
    return static_cast<int>(m.nodes.size()) - 1;
}

// A top-level node drawing mesh with skin; nothing for a mesh without primitives.
void addSkinnedMesh(tinygltf::Model& m, tinygltf::Scene& scene, const std::string& name, tinygltf::Mesh mesh, int skin)
{
    if (mesh.primitives.empty()) return;
    const int node = addNode(m, name);
    m.nodes[node].mesh = addMesh(m, std::move(mesh));
    m.nodes[node].skin = skin;
    scene.nodes.push_back(node);
}

int addTexture(tinygltf::Model& m, Bin& bin, const BmpImage& image, const std::string& name, std::string& error)
{
    std::vector<uint8_t> png;
    if (!encodePng(image, png)) {
        error = "cannot encode the " + name + " texture as PNG";
        return -1;
    }
    tinygltf::Image img;
    img.name = name;
    img.mimeType = "image/png";
    img.bufferView = bin.view(png.data(), png.size(), 0);
    m.images.push_back(img);
    tinygltf::Texture t;
    t.source = static_cast<int>(m.images.size()) - 1;
    t.sampler = 0;
    m.textures.push_back(t);
    return static_cast<int>(m.textures.size()) - 1;
}

// Bark is lit; leaves, petioles and grass are drawn unlit, as in the window.
int addMaterial(tinygltf::Model& m, const std::string& name, int texture, bool doubleSided, bool unlit,
                const double* colour = nullptr)
{
    tinygltf::Material mat;
    mat.name = name;
    mat.doubleSided = doubleSided;
    mat.pbrMetallicRoughness.baseColorTexture.index = texture;
    mat.pbrMetallicRoughness.metallicFactor = 0.0;
    mat.pbrMetallicRoughness.roughnessFactor = 1.0;
    if (colour) mat.pbrMetallicRoughness.baseColorFactor = {colour[0], colour[1], colour[2], 1.0};
    if (unlit) mat.extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
    m.materials.push_back(mat);
    return static_cast<int>(m.materials.size()) - 1;
}

// Inverse bind matrices: each joint's node sits at its pivot at rest.
int addSkin(tinygltf::Model& m, Bin& bin, const std::vector<int>& nodes, const std::vector<Vec3>& pivots, int root,
            const std::string& name)
{
    std::vector<float> ibm;
    ibm.reserve(nodes.size() * 16);
    tinygltf::Skin skin;
    skin.name = name;
    skin.skeleton = root;
    for (size_t j = 0; j < nodes.size(); ++j) {
        const Vec3& c = pivots[j];
        // Column-major translation by -pivot.
        ibm.insert(ibm.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(-c.x), float(-c.y), float(-c.z), 1});
        skin.joints.push_back(nodes[j]);
    }
    skin.inverseBindMatrices = bin.array(ibm, kFloat, TINYGLTF_TYPE_MAT4, 0);
    m.skins.push_back(skin);
    return static_cast<int>(m.skins.size()) - 1;
}

int addSkin(tinygltf::Model& m, Bin& bin, const std::vector<RigJoint>& joints, int firstNode, int root,
            const std::string& name, int extraNode = -1)
{
    std::vector<int> nodes;
    std::vector<Vec3> pivots;
    for (size_t j = 0; j < joints.size(); ++j) {
        nodes.push_back(firstNode + static_cast<int>(j));
        pivots.push_back(joints[j].pivot);
    }
    if (extraNode >= 0) {
        nodes.push_back(extraNode);
        pivots.push_back(Vec3{});
    }
    return addSkin(m, bin, nodes, pivots, root, name);
}

// Joint nodes under root, parents before children.
void addJointNodes(tinygltf::Model& m, const std::vector<RigJoint>& joints, int root, int& firstNode)
{
    firstNode = static_cast<int>(m.nodes.size());
    for (const RigJoint& j : joints) addNode(m, j.name);
    for (size_t i = 0; i < joints.size(); ++i) {
        const int parent = joints[i].parent < 0 ? root : firstNode + joints[i].parent;
        m.nodes[parent].children.push_back(firstNode + static_cast<int>(i));
    }
}

// ---- Animation

// Animation of a block of nodes. Constant channels become the node's rest
// pose instead of a track; shortRotations stores turns as normalised int16
// (joints with short lever arms, where 3e-5 rad is far below a millimetre).
// The tracks' bytes are not held here: their views are laid out past the
// chunk's present end, and writeTracks streams them there in the same order.
struct Animator {
    tinygltf::Model& m;
    Bin& bin;
    int frames;
    struct Pending {
        int node, kind; // 0 translation (float), 1 rotation (float), 2 rotation (int16)
        size_t offset;  // byte offset in the kind's view
        const JointTracks* group; // the track's source
        int joint;                // its joint in group
    };
    std::vector<Pending> pending;
    size_t bytes[3] = {0, 0, 0}; // view length per kind

    // Joints from shortFrom on get int16 turns.
    void addNodes(const JointTracks& t, int firstNode, int shortFrom, double constantTolerance)
    {
        constexpr size_t kSize[3] = {3 * sizeof(float), 4 * sizeof(float), 4 * sizeof(int16_t)};
        auto track = [&](int node, int kind, int j) {
            pending.push_back({node, kind, bytes[kind], &t, j});
            bytes[kind] += kSize[kind] * frames;
        };
        for (int j = 0; j < t.joints; ++j) {
            tinygltf::Node& node = m.nodes[firstNode + j];
            const float* tr = &t.first[static_cast<size_t>(j) * kPoseFloats];
            const float* q = tr + 3;
            if (t.moveT[j] <= constantTolerance) {
                if (tr[0] != 0 || tr[1] != 0 || tr[2] != 0) node.translation = {tr[0], tr[1], tr[2]};
            } else {
                track(firstNode + j, 0, j);
            }
            if (t.moveQ[j] <= 1e-7) {
                if (q[0] != 0 || q[1] != 0 || q[2] != 0) node.rotation = {q[0], q[1], q[2], q[3]};
            } else {
                track(firstNode + j, j >= shortFrom ? 2 : 1, j);
            }
        }
    }

    void finish(const std::string& name)
    {
        if (pending.empty()) return;
        std::vector<float> times(frames);
        for (int f = 0; f < frames; ++f) times[f] = static_cast<float>(f / kFramesPerSecond);
        const int input = bin.array(times, kFloat, TINYGLTF_TYPE_SCALAR, 0);
        m.accessors[input].minValues = {times.front()};
        m.accessors[input].maxValues = {times.back()};
        int views[3];
        for (int k = 0; k < 3; ++k) views[k] = bytes[k] == 0 ? -1 : bin.laterView(bytes[k]);
        tinygltf::Animation anim;
        anim.name = name;
        for (const Pending& p : pending) {
            const int out = p.kind == 0   ? bin.accessor(views[0], p.offset, kFloat, frames, TINYGLTF_TYPE_VEC3)
                            : p.kind == 1 ? bin.accessor(views[1], p.offset, kFloat, frames, TINYGLTF_TYPE_VEC4)
                                          : bin.accessor(views[2], p.offset, kShort, frames, TINYGLTF_TYPE_VEC4, true);
            tinygltf::AnimationSampler s;
            s.input = input;
            s.output = out;
            s.interpolation = "LINEAR";
            anim.samplers.push_back(s);
            tinygltf::AnimationChannel c;
            c.sampler = static_cast<int>(anim.samplers.size()) - 1;
            c.target_node = p.node;
            c.target_path = p.kind == 0 ? "translation" : "rotation";
            anim.channels.push_back(c);
        }
        m.animations.push_back(anim);
    }

    // The tracks' bytes, view after view, as finish laid them out.
    bool writeTracks(const MotionTracks& tracks, const GlbSink& sink, std::string& error) const
    {
        std::vector<float> poses;
        std::vector<char> out;
        auto append = [&](const void* bytes, size_t size) {
            out.insert(out.end(), static_cast<const char*>(bytes), static_cast<const char*>(bytes) + size);
        };
        for (int kind = 0; kind < 3; ++kind)
            for (const Pending& p : pending) {
                if (p.kind != kind) continue;
                if (!readTrack(tracks, *p.group, p.joint, poses, error)) return false;
                out.clear();
                for (int f = 0; f < frames; ++f) {
                    const float* pose = &poses[static_cast<size_t>(f) * kPoseFloats];
                    if (kind == 0) append(pose, 3 * sizeof(float));
                    if (kind == 1) append(pose + 3, 4 * sizeof(float));
                    for (int i = 0; kind == 2 && i < 4; ++i) {
                        const float c = std::clamp(pose[3 + i], -1.0f, 1.0f);
                        const auto v = static_cast<int16_t>(std::lround(c * 32767.0f));
                        append(&v, sizeof v);
                    }
                }
                if (!sink(out.data(), out.size(), error)) return false;
            }
        return true;
    }
};

} // namespace

// ---- Images

std::vector<uint8_t> bmpToTopDownRgb(const BmpImage& image)
{
    const int w = image.width, h = image.height < 0 ? -image.height : image.height;
    const size_t stride = bmpRowStride(w);
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        // Positive heights store the bottom row first.
        const int src = image.height > 0 ? h - 1 - y : y;
        const uint8_t* row = image.pixels.data() + stride * src;
        for (int x = 0; x < w; ++x) {
            uint8_t* o = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            o[0] = row[3 * x + 2];
            o[1] = row[3 * x + 1];
            o[2] = row[3 * x];
        }
    }
    return rgb;
}

bool encodePng(const BmpImage& image, std::vector<uint8_t>& png)
{
    const int h = image.height < 0 ? -image.height : image.height;
    if (image.width <= 0 || h <= 0 || image.pixels.size() < bmpRowStride(image.width) * h) return false;
    const std::vector<uint8_t> rgb = bmpToTopDownRgb(image);
    png.clear();
    auto sink = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    return stbi_write_png_to_func(sink, &png, image.width, h, 3, rgb.data(), image.width * 3) != 0;
}

// ---- Scene parts

namespace {

// What every phase of the build adds to: the model, its binary chunk and the one scene.
struct GlbParts {
    tinygltf::Model& m;      // the glTF document
    Bin& bin;                // its binary chunk
    tinygltf::Scene& scene;  // the scene's top-level nodes
};

// Materials of the tree, by part.
struct TreeMaterials {
    int trunk = -1;   // lit bark of branch 0
    int branch = -1;  // lit bark of the others
    int lower = -1;   // leaf blade, lower surface
    int upper = -1;   // leaf blade, upper surface
    int petiole = -1; // leaf stalks
};

// Joint nodes where each animated block starts (-1: no block).
struct AnimatedNodes {
    int tree = 0;   // first tree joint node
    int leaves = 0; // first leaf node
    int grass = -1; // first grass joint node
};

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
    addJointNodes(m, rig.tree, treeRoot, treeFirst);
    return addSkin(m, out.bin, rig.tree, treeFirst, treeRoot, "tree");
}

// Bark: every branch's rest tube, ring k on joint k of its branch; and the
// petioles, each starting on its branch tip's joint.
void addBarkAndPetioles(GlbParts& out, const TreeModel& model, const ExportRig& rig, const TreeMaterials& mats,
                        int treeSkin)
{
    Geometry trunk, branches, petioles;
    std::vector<int> ringJoint;
    for (size_t b = 0; b < rig.branchFirst.size(); ++b) {
        if (rig.branchFirst[b] < 0) continue;
        const Branch& rest = model.restBranches[b];
        ringJoint.resize(rest.pointCount);
        for (int k = 0; k < rest.pointCount; ++k) ringJoint[k] = rig.branchFirst[b] + k;
        addTube(b == 0 ? trunk : branches, rest.pointCount, rest.points.get(), rest.radii.get(), b == 0 ? 16 : 8,
                ringJoint.data());
        if (rest.pointCount < 2) continue;
        for (int l = 0; l < kLeavesPerBranch; ++l) {
            const int first = rig.petioleFirst[b * kLeavesPerBranch + l];
            if (first < 0) continue;
            const Leaf& leaf = model.branches[b].leaves[l];
            int joints[kPetiolePoints];
            joints[0] = rig.branchFirst[b] + rest.pointCount - 1; // the petiole starts on the branch tip's transform
            for (int k = 1; k < kPetiolePoints; ++k) joints[k] = first + k - 1;
            addTube(petioles, std::min(leaf.pointCount, kPetiolePoints), leaf.restPetiolePoints, leaf.petioleRadii,
                    3, joints);
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

// One blade mesh, drawn by a node per leaf under "Leaves"; returns the first leaf node.
int addLeafBlades(GlbParts& out, const LeafTemplate& leaf, const MotionTracks& tracks, const TreeMaterials& mats)
{
    tinygltf::Model& m = out.m;
    Geometry lower, upper;
    BladeSink bladeSink{lower, upper, {}, 0};
    emitBladeTriangles(leaf, bladeSink);
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

// The rest strips of the blades in one texture group, each level on its joint.
Geometry grassGroupStrips(const GrassField& field, const ExportRig& rig, int group, int anchorJoint)
{
    Geometry g;
    for (int b = 0; b < rig.grassBlades; ++b) {
        const GrassBlade& blade = field.blades[b];
        if (grassTextureGroup(blade) != group) continue;
        uint32_t prev[2] = {};
        for (int k = 0; k < kGrassLevels; ++k) {
            const int joint = k == 0 ? anchorJoint : b * (kGrassLevels - 1) + k - 1;
            const Vec3& e = blade.restEdge[k];
            const Vec3 other = bladeFarEdge(blade.restCentre[k], e);
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

// Grass: one strip per blade from its two edge lines, grouped by texture as
// the window draws them (blades naming no texture last, untextured).
bool addGrass(GlbParts& out, const GrassField& field, const ExportRig& rig, const BmpImage* grassTextures,
              int& grassFirst, std::string& error)
{
    tinygltf::Model& m = out.m;
    const int grassRoot = addNode(m, "GrassRig");
    out.scene.nodes.push_back(grassRoot);
    addJointNodes(m, rig.grass, grassRoot, grassFirst);
    // The root level never moves: it rides on a joint of its own at the origin.
    const int anchorNode = addNode(m, "grass_root");
    m.nodes[grassRoot].children.push_back(anchorNode);
    const int grassSkin = addSkin(m, out.bin, rig.grass, grassFirst, grassRoot, "grass", anchorNode);
    const int anchorJoint = static_cast<int>(rig.grass.size());
    const double colour[3] = {81 / 255.0, 126 / 255.0, 41 / 255.0};
    tinygltf::Mesh grass;
    grass.name = "grass";
    for (int t = 0; t < kGrassGroups; ++t) {
        Geometry g = grassGroupStrips(field, rig, t, anchorJoint);
        int mat = -1;
        if (t < kGrassTextureCount) {
            const int texture = addTexture(m, out.bin, grassTextures[t], "grass" + std::to_string(t + 1), error);
            if (texture < 0) return false;
            mat = addMaterial(m, "grass" + std::to_string(t + 1), texture, true, true, colour);
        } else if (!g.empty()) {
            mat = addMaterial(m, "grass_plain", -1, true, true, colour);
        }
        addPrimitive(grass, out.bin, g, mat);
    }
    addSkinnedMesh(m, out.scene, "Grass", std::move(grass), grassSkin);
    return true;
}

int firstPetioleJoint(const ExportRig& rig)
{
    int firstPetiole = static_cast<int>(rig.tree.size());
    for (int first : rig.petioleFirst)
        if (first >= 0) firstPetiole = std::min(firstPetiole, first);
    return firstPetiole;
}

void addAnimation(tinygltf::Model&, Bin&, const TreeModel& model, const ExportRig& rig, const MotionTracks& tracks,
                  const AnimatedNodes& nodes, Animator& anim)
{
    // Local translations that stay within this of their first value are
    // fixed offsets along a branch, not motion.
    double extent = 1.0;
    for (int i = 0; i < 3; ++i) {
        const double lo[3] = {model.boundsMin.x, model.boundsMin.y, model.boundsMin.z};
        const double hi[3] = {model.boundsMax.x, model.boundsMax.y, model.boundsMax.z};
        extent = std::max(extent, hi[i] - lo[i]);
    }
    // Branch chains are deep and long: full-precision turns keep the tips
    // true. Petioles, blades and grass have arms of a few centimetres.
    anim.addNodes(tracks.tree, nodes.tree, firstPetioleJoint(rig), 1e-6 * extent);
    anim.addNodes(tracks.leaves, nodes.leaves, 0, 1e-6 * extent);
    if (nodes.grass >= 0) anim.addNodes(tracks.grass, nodes.grass, 0, 1e-6 * extent);
    anim.finish("wind");
}

// ---- GLB container

uint32_t readU32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4); // .glb is little-endian, as every machine this runs on
    return v;
}

void appendU32(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }

// The document as tinygltf writes it for a chunk of `total` bytes, of which
// it holds only the first: its JSON and those bytes.
bool serializeDocument(tinygltf::Model& m, uint64_t total, std::string& json, std::string& head, std::string& error)
{
    // tinygltf cannot pass an allocation failure on (it ends in abort), so
    // make sure first that its working memory is there: its JSON tree takes
    // several times the text, about 160 bytes per entry.
    const size_t entries = m.nodes.size() + m.accessors.size() + m.bufferViews.size() + m.meshes.size() +
                           m.materials.size() + m.images.size() +
                           (m.animations.empty() ? 0 : 2 * m.animations[0].channels.size());
    void* room = ::operator new(entries * 160 * 6 + 2 * m.buffers[0].data.size()); // throws std::bad_alloc
    ::operator delete(room);
    tinygltf::TinyGLTF writer;
    std::ostringstream out;
    if (!writer.WriteGltfSceneToStream(&m, out, false, true)) {
        error = "the glTF writer failed";
        return false;
    }
    if (!out) throw std::bad_alloc(); // the string stream could not grow
    const std::string glb = out.str();
    const uint32_t jsonChunk = glb.size() >= 20 ? readU32(glb, 12) : 0;
    if (glb.size() < 28 + static_cast<size_t>(jsonChunk) + m.buffers[0].data.size()) {
        error = "the glTF writer wrote a short file";
        return false;
    }
    json = glb.substr(20, jsonChunk);
    while (!json.empty() && json.back() == ' ') json.pop_back(); // the chunk's padding
    head = glb.substr(28 + jsonChunk, m.buffers[0].data.size());
    // The buffer's length names the whole chunk, the tracks to come included.
    const std::string held = "\"buffers\":[{\"byteLength\":" + std::to_string(m.buffers[0].data.size()) + "}";
    const size_t at = json.find(held);
    if (at == std::string::npos) {
        error = "the glTF writer wrote an unexpected buffer entry";
        return false;
    }
    json.replace(at, held.size(), "\"buffers\":[{\"byteLength\":" + std::to_string(total) + "}");
    return true;
}

// The binary chunk's data: meshes and textures, then the animation's tracks.
bool writeChunks(const std::string& json, const std::string& head, const Animator& anim, const MotionTracks& tracks,
                 uint64_t binBytes, const GlbSink& sink, std::string& error)
{
    const size_t jsonPad = (4 - json.size() % 4) % 4, binPad = (4 - binBytes % 4) % 4;
    const uint64_t total = 12 + 8 + json.size() + jsonPad + (binBytes ? 8 + binBytes + binPad : 0);
    if (total > UINT32_MAX) {
        error = "the file would pass the 4 GiB limit of .glb";
        return false;
    }
    std::string start = "glTF";
    appendU32(start, 2);
    appendU32(start, static_cast<uint32_t>(total));
    appendU32(start, static_cast<uint32_t>(json.size() + jsonPad));
    appendU32(start, 0x4E4F534A); // JSON
    start += json;
    start.append(jsonPad, ' ');
    if (binBytes) {
        appendU32(start, static_cast<uint32_t>(binBytes + binPad));
        appendU32(start, 0x004E4942); // BIN
    }
    if (!sink(start.data(), start.size(), error) || !sink(head.data(), head.size(), error) ||
        !anim.writeTracks(tracks, sink, error))
        return false;
    const char zeros[4] = {};
    return binPad == 0 || sink(zeros, binPad, error);
}

} // namespace

// ---- Plan and write

struct GlbPlan::Parts {
    tinygltf::Model m;       // the document without its animation
    Bin bin{m, {}};          // its binary chunk so far
    tinygltf::Scene scene;   // the scene's top-level nodes
    AnimatedNodes nodes;     // where the animated blocks start
    size_t possibleChannels = 0; // channels if every joint moved
};

GlbPlan::GlbPlan() = default;
GlbPlan::~GlbPlan() = default;

bool planGlb(const GlbInput& in, GlbPlan& plan, std::string& error)
{
    const ExportRig& rig = *in.rig;
    plan.parts = std::make_unique<GlbPlan::Parts>();
    GlbPlan::Parts& p = *plan.parts;
    startModel(p.m);
    GlbParts out{p.m, p.bin, p.scene};
    TreeMaterials mats;
    if (!addTreeMaterials(out, in.sceneTextures, mats, error)) return false;
    p.scene.name = "Arborvane";
    const int treeSkin = addTreeRig(out, rig, p.nodes.tree);
    addBarkAndPetioles(out, in.model->tree, rig, mats, treeSkin);
    p.nodes.leaves = addLeafBlades(out, *in.leaf, *in.tracks, mats);
    if (!rig.grass.empty() && in.grassTextures &&
        !addGrass(out, in.model->grass, rig, in.grassTextures, p.nodes.grass, error))
        return false;
    const MotionTracks& t = *in.tracks;
    const int grassJoints = p.nodes.grass >= 0 ? t.grass.joints : 0;
    p.possibleChannels = 2 * static_cast<size_t>(t.tree.joints + t.leaves.joints + grassJoints);
    return true;
}

GlbSizeEstimate glbSizeEstimate(const GlbPlan& plan, const GlbInput& in)
{
    const GlbPlan::Parts& p = *plan.parts;
    const MotionTracks& t = *in.tracks;
    const int shortFrom = firstPetioleJoint(*in.rig);
    GlbSizeEstimate b;
    // JSON: generous per entry of the parts (about 160 bytes each in
    // practice) and per possible track (its accessor, sampler and channel).
    const size_t entries = p.m.nodes.size() + p.m.accessors.size() + p.m.bufferViews.size() + p.m.meshes.size() +
                           p.m.materials.size() + p.m.images.size();
    b.fixed = 28 + 65536 + 256 * entries + 200 * p.possibleChannels + p.bin.data.size() + 3 * 4;
    // Every joint turns; chains are rigid, so only the tops of the tree's
    // chains and the leaf blades move as well (grass blades stand rooted).
    auto perFrame = [](const std::vector<RigJoint>& joints, int shortFrom, bool topsMove) {
        uint64_t bytes = 0;
        for (size_t j = 0; j < joints.size(); ++j)
            bytes += (static_cast<int>(j) < shortFrom ? 16 : 8) + (topsMove && joints[j].parent < 0 ? 12 : 0);
        return bytes;
    };
    b.perFrame = 4 + perFrame(in.rig->tree, shortFrom, true) + static_cast<uint64_t>(t.leaves.joints) * 20 +
                 (p.nodes.grass >= 0 ? perFrame(in.rig->grass, 0, false) : 0);
    return b;
}

bool finishGlb(GlbPlan& plan, const GlbInput& in, const GlbSink& sink, uint64_t& written, std::string& error)
{
    GlbPlan::Parts& p = *plan.parts;
    Animator anim{p.m, p.bin, in.tracks->frames, {}, {}};
    addAnimation(p.m, p.bin, in.model->tree, *in.rig, *in.tracks, p.nodes, anim);
    p.m.scenes.push_back(p.scene);
    p.m.defaultScene = 0;
    tinygltf::Buffer buffer;
    buffer.data = std::move(p.bin.data);
    p.m.buffers.push_back(std::move(buffer));
    const uint64_t binBytes = p.m.buffers[0].data.size() + p.bin.later;
    std::string json, head;
    if (!serializeDocument(p.m, binBytes, json, head, error)) return false;
    p.m.buffers[0].data = {}; // head holds them now
    uint64_t count = 0;
    const GlbSink counted = [&](const void* bytes, size_t size, std::string& e) {
        count += size;
        return sink(bytes, size, e);
    };
    if (!writeChunks(json, head, anim, *in.tracks, binBytes, counted, error)) return false;
    written = count;
    return true;
}

bool buildGlb(const GlbInput& in, std::string& glb, std::string& error)
{
    GlbPlan plan;
    uint64_t written = 0;
    glb.clear();
    const GlbSink append = [&](const void* bytes, size_t size, std::string&) {
        glb.append(static_cast<const char*>(bytes), size);
        return true;
    };
    return planGlb(in, plan, error) && finishGlb(plan, in, append, written, error);
}
