#include "export/glb_container.h"

#include <cstring>
#include <new>
#include <sstream>

namespace glb {

namespace {

uint32_t readU32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4); // .glb is little-endian, as every machine this runs on
    return v;
}

void appendU32(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }

} // namespace

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

bool writeChunks(const std::string& json, const std::string& head, uint64_t binBytes, const GlbTail& tail,
                 const GlbSink& sink, std::string& error)
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
        (tail && !tail(sink, error)))
        return false;
    const char zeros[4] = {};
    return binPad == 0 || sink(zeros, binPad, error);
}


} // namespace glb
