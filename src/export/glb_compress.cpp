#include "export/glb_compress.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

namespace glb {

namespace {

// What a stream is, which decides how it is stored.
enum class Stream { Position, Normal, TexCoord, Other, Indices };

// A view's elements as the file will hold them, before meshopt.
struct Recast {
    std::vector<unsigned char> bytes;
    size_t stride = 0;
    bool triangles = false;   // an index stream
    bool exponential = false; // positions: floats through the exponent filter
    bool vertices = true;     // a vertex stream, whose view names its stride (animation views must not)
};

template <class T>
std::vector<T> read(const std::vector<unsigned char>& data, const tinygltf::BufferView& v)
{
    std::vector<T> out(v.byteLength / sizeof(T));
    std::memcpy(out.data(), data.data() + v.byteOffset, out.size() * sizeof(T));
    return out;
}

template <class T>
void put(Recast& r, const std::vector<T>& values, size_t stride)
{
    r.bytes.resize(values.size() * sizeof(T));
    std::memcpy(r.bytes.data(), values.data(), r.bytes.size());
    r.stride = stride;
}

// Positions keep 16 bits of mantissa per vertex: a tenth of a millimetre on
// the tree's ten metres. The accessor's bounds become the decoded values'.
void recastPositions(tinygltf::Accessor& a, const std::vector<float>& xyz, Recast& r)
{
    r.bytes.resize(xyz.size() * 4);
    meshopt_encodeFilterExp(r.bytes.data(), a.count, 12, 16, xyz.data());
    std::vector<float> decoded(xyz.size());
    std::memcpy(decoded.data(), r.bytes.data(), r.bytes.size());
    meshopt_decodeFilterExp(decoded.data(), a.count, 12);
    std::vector<double> lo(3, 1e300), hi(3, -1e300);
    for (size_t i = 0; i < decoded.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], double(decoded[i]));
        hi[i % 3] = std::max(hi[i % 3], double(decoded[i]));
    }
    a.minValues = lo;
    a.maxValues = hi;
    r.stride = 12;
    r.exponential = true;
}

Recast recast(tinygltf::Accessor& a, const std::vector<unsigned char>& data, const tinygltf::BufferView& v,
              Stream s)
{
    Recast r;
    if (s == Stream::Position) {
        recastPositions(a, read<float>(data, v), r);
    } else if (s == Stream::Normal) {
        // Unit normals as signed bytes, padded to the 4-byte element alignment.
        const std::vector<float> n = read<float>(data, v);
        std::vector<int8_t> q(a.count * 4, 0);
        for (size_t i = 0; i < a.count; ++i)
            for (int c = 0; c < 3; ++c)
                q[4 * i + c] = static_cast<int8_t>(std::lround(std::clamp(n[3 * i + c], -1.0f, 1.0f) * 127.0f));
        put(r, q, 4);
        a.componentType = TINYGLTF_COMPONENT_TYPE_BYTE;
        a.normalized = true;
    } else if (s == Stream::TexCoord) {
        const std::vector<float> uv = read<float>(data, v);
        const bool unit = std::all_of(uv.begin(), uv.end(), [](float x) { return x >= 0.0f && x <= 1.0f; });
        if (unit) {
            std::vector<uint16_t> q(uv.size());
            for (size_t i = 0; i < uv.size(); ++i) q[i] = static_cast<uint16_t>(std::lround(uv[i] * 65535.0));
            put(r, q, 4);
            a.componentType = kUShort;
            a.normalized = true;
        } else {
            put(r, uv, 8);
        }
    } else if (s == Stream::Indices) {
        const std::vector<uint32_t> idx = read<uint32_t>(data, v);
        const uint32_t top = idx.empty() ? 0 : *std::max_element(idx.begin(), idx.end());
        if (top < 65535) { // 65535 is the restart value glTF forbids in 16-bit indices
            put(r, std::vector<uint16_t>(idx.begin(), idx.end()), 2);
            a.componentType = kUShort;
        } else {
            put(r, idx, 4);
        }
        r.triangles = true;
    } else {
        r.bytes.assign(data.begin() + v.byteOffset, data.begin() + v.byteOffset + v.byteLength);
        r.stride = v.byteLength / a.count;
    }
    return r;
}

std::vector<unsigned char> encode(const Recast& r)
{
    const size_t count = r.bytes.size() / r.stride;
    std::vector<unsigned char> out;
    if (r.triangles) {
        std::vector<uint32_t> idx(count);
        for (size_t i = 0; i < count; ++i) {
            uint16_t s16 = 0;
            if (r.stride == 2) {
                std::memcpy(&s16, &r.bytes[2 * i], 2);
                idx[i] = s16;
            } else {
                std::memcpy(&idx[i], &r.bytes[4 * i], 4);
            }
        }
        out.resize(meshopt_encodeIndexBufferBound(count, count));
        out.resize(meshopt_encodeIndexBuffer(out.data(), out.size(), idx.data(), count));
    } else {
        out.resize(meshopt_encodeVertexBufferBound(count, r.stride));
        out.resize(meshopt_encodeVertexBuffer(out.data(), out.size(), r.bytes.data(), count, r.stride));
    }
    return out;
}

// The meshes' streams by accessor; shared accessors once.
std::map<int, Stream> meshStreams(const tinygltf::Model& m)
{
    std::map<int, Stream> streams;
    for (const tinygltf::Mesh& mesh : m.meshes)
        for (const tinygltf::Primitive& p : mesh.primitives) {
            for (const auto& [name, accessor] : p.attributes)
                streams[accessor] = name == "POSITION" ? Stream::Position : name == "NORMAL" ? Stream::Normal
                                    : name == "TEXCOORD_0"                    ? Stream::TexCoord
                                                                              : Stream::Other;
            if (p.indices >= 0) streams[p.indices] = Stream::Indices;
        }
    return streams;
}

// A compressed view in place of v: its bytes at the end of data, the decoded
// ones in the fallback buffer.
void replaceView(tinygltf::BufferView& v, int index, const Recast& r, std::vector<unsigned char>& data,
                 CompressedGeometry& out)
{
    const std::vector<unsigned char> packed = encode(r);
    data.resize((data.size() + 3) / 4 * 4, 0);
    out.views.push_back({index, data.size(), packed.size(), r.stride, r.bytes.size() / r.stride,
                         r.triangles ? "TRIANGLES" : "ATTRIBUTES", r.exponential ? "EXPONENTIAL" : "NONE"});
    data.insert(data.end(), packed.begin(), packed.end());
    out.fallbackBytes = (out.fallbackBytes + 3) / 4 * 4;
    v.buffer = 1; // the fallback buffer: no bytes of its own, the decoder fills it
    v.byteOffset = out.fallbackBytes;
    v.byteLength = r.bytes.size();
    v.byteStride = r.triangles || !r.vertices ? 0 : r.stride;
    out.fallbackBytes += r.bytes.size();
}

} // namespace

void compressGeometry(tinygltf::Model& m, Bin& bin, CompressedGeometry& out)
{
    // Each stream has a view of its own (Bin::array), so views can be rewritten whole.
    std::map<int, std::pair<int, Stream>> byView; // view -> (accessor, stream)
    for (const auto& [accessor, stream] : meshStreams(m)) byView[m.accessors[accessor].bufferView] = {accessor, stream};
    std::vector<unsigned char> data;
    auto align = [](std::vector<unsigned char>& d) { d.resize((d.size() + 3) / 4 * 4, 0); };
    for (size_t i = 0; i < m.bufferViews.size(); ++i) {
        tinygltf::BufferView& v = m.bufferViews[i];
        align(data);
        const auto it = byView.find(static_cast<int>(i));
        if (it == byView.end()) { // textures, skins: as they were
            data.insert(data.end(), bin.data.begin() + v.byteOffset, bin.data.begin() + v.byteOffset + v.byteLength);
            v.byteOffset = data.size() - v.byteLength;
            continue;
        }
        tinygltf::Accessor& a = m.accessors[it->second.first];
        replaceView(v, static_cast<int>(i), recast(a, bin.data, v, it->second.second), data, out);
    }
    bin.data = std::move(data);
    for (const char* e : {"KHR_mesh_quantization", "EXT_meshopt_compression"}) {
        m.extensionsUsed.push_back(e);
        m.extensionsRequired.push_back(e);
    }
}

void compressTracks(tinygltf::Model& m, Bin& bin, const std::string& tail, CompressedGeometry& out)
{
    const size_t head = bin.data.size();
    std::map<int, size_t> strides; // later view -> bytes per element of its tracks
    for (const tinygltf::Accessor& a : m.accessors) {
        const tinygltf::BufferView& v = m.bufferViews[a.bufferView];
        if (v.buffer == 0 && v.byteOffset >= head)
            strides[a.bufferView] = a.componentType == kShort ? 8 : a.type == TINYGLTF_TYPE_VEC3 ? 12 : 16;
    }
    for (const auto& [index, stride] : strides) {
        tinygltf::BufferView& v = m.bufferViews[index];
        Recast r;
        const auto* from = reinterpret_cast<const unsigned char*>(tail.data()) + (v.byteOffset - head);
        r.bytes.assign(from, from + v.byteLength);
        r.stride = stride; // each track's frames in a row: smooth, so they compress as they are
        r.vertices = false;
        replaceView(v, index, r, bin.data, out);
    }
    bin.later = 0;
}

bool addCompressionEntries(std::string& text, const CompressedGeometry& c, std::string& error)
{
    using nlohmann::json;
    json doc = json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.contains("bufferViews") || !doc.contains("buffers")) {
        error = "the glTF writer wrote a document that cannot be read back";
        return false;
    }
    for (const MeshoptView& v : c.views) {
        json e = {{"buffer", 0}, {"byteOffset", v.offset}, {"byteLength", v.length},
                  {"byteStride", v.stride}, {"count", v.count}, {"mode", v.mode}};
        if (v.filter != "NONE") e["filter"] = v.filter;
        doc["bufferViews"][v.view]["extensions"]["EXT_meshopt_compression"] = e;
    }
    doc["buffers"].push_back(
        {{"byteLength", c.fallbackBytes}, {"extensions", {{"EXT_meshopt_compression", {{"fallback", true}}}}}});
    text = doc.dump();
    return true;
}

} // namespace glb
