// The glTF building kit: a binary chunk filled view by view, vertex streams
// of a skinned primitive, and the model's pieces (meshes, nodes, textures,
// materials, skins) each appended and named by its index.
#pragma once
#include <tiny_gltf.h>

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/export_rig.h"
#include "image/bmp_file.h"
#include "math/vec3.h"

namespace glb {

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

    // n may be null (no normals); joint < 0: no skinning.
    uint32_t vertex(const Vec3& p, const Vec3* n, double u, double v, int joint);
    bool empty() const { return indices.empty(); }
};

// A tube of n centre-line points, ring k on joint ringJoint[k].
void addTube(Geometry& g, int n, const Vec3* points, const double* radii, int sides, const int* ringJoint);
// The primitive's index in mesh; -1 (nothing added) for empty geometry.
int addPrimitive(tinygltf::Mesh& mesh, Bin& bin, Geometry& g, int material);

int addMesh(tinygltf::Model& m, tinygltf::Mesh mesh);
int addNode(tinygltf::Model& m, const std::string& name);
// A top-level node drawing mesh with skin; nothing for a mesh without primitives.
void addSkinnedMesh(tinygltf::Model& m, tinygltf::Scene& scene, const std::string& name, tinygltf::Mesh mesh,
                    int skin);
// The image as an embedded PNG; -1 with a reason when it cannot be encoded.
int addTexture(tinygltf::Model& m, Bin& bin, const BmpImage& image, const std::string& name, std::string& error);
// Bark is lit; leaves, petioles and grass are drawn unlit, as in the window.
int addMaterial(tinygltf::Model& m, const std::string& name, int texture, bool doubleSided, bool unlit,
                const double* colour = nullptr);
// A skin over the joints' nodes from firstNode on, plus extraNode (at the origin) when given.
int addSkin(tinygltf::Model& m, Bin& bin, const std::vector<RigJoint>& joints, int firstNode, int root,
            const std::string& name, int extraNode = -1);
// Joint nodes under root, parents before children; firstNode is set to the first.
void addJointNodes(tinygltf::Model& m, const std::vector<RigJoint>& joints, int root, int& firstNode);

} // namespace glb
