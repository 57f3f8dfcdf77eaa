#include "export/glb_merge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <set>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

constexpr uint32_t kMagic = 0x46546C67; // "glTF"
constexpr uint32_t kJsonChunk = 0x4E4F534A;
constexpr uint32_t kBinChunk = 0x004E4942;

uint32_t readWord(const std::string& s, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

// doc[key], an empty list when the document has none.
json& list(json& doc, const char* key)
{
    if (!doc.contains(key)) doc[key] = json::array();
    return doc[key];
}

void putWord(std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }

// The JSON and binary chunks of a .glb; false when it is not one.
bool splitGlb(const std::string& glb, json& doc, std::string& bin)
{
    if (glb.size() < 20 || readWord(glb, 0) != kMagic || readWord(glb, 4) != 2) return false;
    const size_t jsonLength = readWord(glb, 12);
    if (readWord(glb, 16) != kJsonChunk || 20 + jsonLength > glb.size()) return false;
    doc = json::parse(glb.substr(20, jsonLength));
    const size_t binAt = 20 + jsonLength;
    if (binAt + 8 <= glb.size() && readWord(glb, binAt + 4) == kBinChunk)
        bin = glb.substr(binAt + 8, std::min<size_t>(readWord(glb, binAt), glb.size() - binAt - 8));
    return true;
}

// The index fields of one document moved past what the merged one holds already.
struct Offsets {
    size_t nodes, meshes, accessors, views, materials, textures, images, samplers, skins;
    size_t binBytes; // where the document's binary chunk starts in the merged one
};

void shift(json& object, const char* key, size_t by)
{
    if (object.is_object() && object.contains(key) && object[key].is_number_unsigned())
        object[key] = object[key].get<size_t>() + by;
}

void shiftTextureInfos(json& material, size_t by)
{
    for (const char* key : {"normalTexture", "occlusionTexture", "emissiveTexture"})
        if (material.contains(key)) shift(material[key], "index", by);
    if (!material.contains("pbrMetallicRoughness")) return;
    json& pbr = material["pbrMetallicRoughness"];
    for (const char* key : {"baseColorTexture", "metallicRoughnessTexture"})
        if (pbr.contains(key)) shift(pbr[key], "index", by);
}

void shiftDocument(json& doc, const Offsets& o)
{
    for (json& n : list(doc, "nodes")) {
        shift(n, "mesh", o.meshes);
        shift(n, "skin", o.skins);
        if (n.contains("children"))
            for (json& c : n["children"]) c = c.get<size_t>() + o.nodes;
    }
    for (json& m : list(doc, "meshes"))
        for (json& p : m["primitives"]) {
            for (auto& a : p["attributes"].items()) a.value() = a.value().get<size_t>() + o.accessors;
            shift(p, "indices", o.accessors);
            shift(p, "material", o.materials);
        }
    for (json& a : list(doc, "accessors")) shift(a, "bufferView", o.views);
    for (json& v : list(doc, "bufferViews")) {
        v["buffer"] = 0;
        v["byteOffset"] = v.value("byteOffset", size_t(0)) + o.binBytes;
    }
    for (json& m : list(doc, "materials")) shiftTextureInfos(m, o.textures);
    for (json& t : list(doc, "textures")) {
        shift(t, "source", o.images);
        shift(t, "sampler", o.samplers);
    }
    for (json& i : list(doc, "images")) shift(i, "bufferView", o.views);
    for (json& s : list(doc, "skins")) {
        shift(s, "inverseBindMatrices", o.accessors);
        shift(s, "skeleton", o.nodes);
        for (json& j : s["joints"]) j = j.get<size_t>() + o.nodes;
    }
    for (json& a : list(doc, "animations")) {
        for (json& c : a["channels"]) shift(c["target"], "node", o.nodes);
        for (json& s : a["samplers"]) {
            shift(s, "input", o.accessors);
            shift(s, "output", o.accessors);
        }
    }
}

// A .glb of doc and bin: JSON padded with spaces, binary with zeros, to 4
// bytes. False, out untouched, when it would pass limit bytes.
bool joinGlb(const json& doc, std::string bin, uint64_t limit, std::string& out, std::string& error)
{
    std::string text = doc.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    bin.append((4 - bin.size() % 4) % 4, '\0');
    const uint64_t total = 12 + 8 + static_cast<uint64_t>(text.size()) + 8 + bin.size();
    if (total > limit) {
        // A length that wraps would make a file no reader can open.
        error = "the trees' files together need " + std::to_string((total + 500000) / 1000000) +
                " MB, more than a .glb holds (" + std::to_string((limit + 500000) / 1000000) + " MB); fewer --frames fit";
        return false;
    }
    out.clear();
    putWord(out, kMagic);
    putWord(out, 2);
    putWord(out, static_cast<uint32_t>(12 + 8 + text.size() + 8 + bin.size()));
    putWord(out, static_cast<uint32_t>(text.size()));
    putWord(out, kJsonChunk);
    out += text;
    putWord(out, static_cast<uint32_t>(bin.size()));
    putWord(out, kBinChunk);
    out += bin;
    return true;
}

// Appends the shifted arrays of doc to merged; the animations' channels go into the one clip.
void appendDocument(json& merged, json& doc, size_t tree, const GlbPlace& place, const Offsets& o)
{
    for (const char* key : {"nodes", "meshes", "accessors", "bufferViews", "materials", "textures", "images",
                            "samplers", "skins"})
        for (json& item : list(doc, key)) merged[key].push_back(std::move(item));
    for (json& a : list(doc, "animations")) {
        json& clip = merged["animations"][0];
        const size_t samplers = clip["samplers"].size();
        for (json& c : a["channels"]) {
            c["sampler"] = c["sampler"].get<size_t>() + samplers;
            clip["channels"].push_back(std::move(c));
        }
        for (json& s : a["samplers"]) clip["samplers"].push_back(std::move(s));
    }
    // The tree's own roots under one node that stands it at its place. A
    // skinned mesh stays a root (glTF ignores its parents): its joints,
    // under that node, carry it there. A lawn is already where it lies.
    json root = {{"name", "tree " + std::to_string(tree)}, {"children", json::array()}};
    const size_t scene = doc.value("scene", size_t(0));
    for (const json& n : doc["scenes"][scene]["nodes"]) {
        const size_t index = n.get<size_t>() + o.nodes;
        const json& node = merged["nodes"][index];
        const bool inField = !place.inField.empty() && node.value("name", std::string()) == place.inField;
        if (node.contains("skin") || inField) merged["scenes"][0]["nodes"].push_back(index);
        else root["children"].push_back(index);
    }
    const double half = place.turn * (3.1415926538 / 180.0) / 2.0;
    if (place.x != 0.0 || place.z != 0.0) root["translation"] = {place.x, 0.0, place.z};
    if (place.turn != 0.0) root["rotation"] = {0.0, std::sin(half), 0.0, std::cos(half)};
    merged["scenes"][0]["nodes"].push_back(merged["nodes"].size());
    merged["nodes"].push_back(std::move(root));
    for (const char* key : {"extensionsUsed", "extensionsRequired"})
        for (const json& e : list(doc, key))
            if (std::find(merged[key].begin(), merged[key].end(), e) == merged[key].end()) merged[key].push_back(e);
}

} // namespace

bool mergeGlbs(const std::vector<std::string>& glbs, const std::vector<GlbPlace>& places, std::string& out,
               std::string& error, std::vector<size_t>* firstNodes, uint64_t limit)
{
    if (firstNodes) firstNodes->clear();
    try {
        json merged = {{"asset", {{"version", "2.0"}, {"generator", "arborvane-export (stand)"}}},
                       {"scene", 0},
                       {"scenes", json::array({{{"name", "stand"}, {"nodes", json::array()}}})},
                       {"animations", json::array({{{"name", "wind"}, {"channels", json::array()},
                                                    {"samplers", json::array()}}})},
                       {"extensionsUsed", json::array()},
                       {"extensionsRequired", json::array()}};
        for (const char* key : {"nodes", "meshes", "accessors", "bufferViews", "materials", "textures", "images",
                                "samplers", "skins"})
            merged[key] = json::array();
        std::string bin;
        for (size_t k = 0; k < glbs.size(); ++k) {
            json doc;
            std::string part;
            if (!splitGlb(glbs[k], doc, part)) {
                error = "tree " + std::to_string(k) + ": not a binary glTF";
                return false;
            }
            if (k == 0 && doc.contains("asset")) merged["asset"] = doc["asset"];
            bin.append((4 - bin.size() % 4) % 4, '\0');
            const Offsets o{merged["nodes"].size(),     merged["meshes"].size(),   merged["accessors"].size(),
                            merged["bufferViews"].size(), merged["materials"].size(), merged["textures"].size(),
                            merged["images"].size(),    merged["samplers"].size(), merged["skins"].size(),
                            bin.size()};
            if (firstNodes) firstNodes->push_back(o.nodes);
            shiftDocument(doc, o);
            appendDocument(merged, doc, k, places[k], o);
            bin += part;
        }
        for (const char* key : {"extensionsUsed", "extensionsRequired", "samplers", "textures", "images", "skins",
                                "materials"})
            if (merged[key].empty()) merged.erase(key);
        if (merged["animations"][0]["channels"].empty()) merged.erase("animations");
        bin.append((4 - bin.size() % 4) % 4, '\0');
        merged["buffers"] = json::array({{{"byteLength", bin.size()}}});
        return joinGlb(merged, std::move(bin), limit, out, error);
    } catch (const std::exception& e) {
        error = std::string("merging the trees' files: ") + e.what();
    }
    return false;
}
