#include "export/gltf_kit.h"

#include <algorithm>
#include <cmath>

#include "image/png_encode.h"
#include "math/tube_geometry.h"

namespace glb {

uint32_t Geometry::vertex(const Vec3& p, const Vec3* n, double u, double v, int joint)
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

namespace {

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

} // namespace

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

void addSkinnedMesh(tinygltf::Model& m, tinygltf::Scene& scene, const std::string& name, tinygltf::Mesh mesh,
                    int skin)
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

int addMaterial(tinygltf::Model& m, const std::string& name, int texture, bool doubleSided, bool unlit,
                const double* colour)
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
static int addSkin(tinygltf::Model& m, Bin& bin, const std::vector<int>& nodes, const std::vector<Vec3>& pivots, int root,
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
            const std::string& name, int extraNode)
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

} // namespace glb
