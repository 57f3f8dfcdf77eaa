#include "export/web_motion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

// The stream, little-endian: u32 channels C, u32 frames F, i32 node[C],
// f32 step[C], f32 first[4C] (translation x y z 0, or the frame-0 rotation
// x y z w), u8 kind[C] (0 translation, 1 rotation) padded to 4 bytes, then
// per channel, per component (x y z), per frame, the quantised value's
// residual from a straight-line guess off the two frames before, zigzagged
// as a LEB128 varint. Smooth motion leaves small residuals, which deflate
// then packs tightly.
namespace {

using nlohmann::json;

uint32_t readU32(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

template <typename T> void put(std::string& out, T v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }

void putVarint(std::string& out, int64_t v)
{
    uint64_t z = v < 0 ? (static_cast<uint64_t>(-(v + 1)) << 1) | 1 : static_cast<uint64_t>(v) << 1;
    while (z >= 0x80) {
        out.push_back(static_cast<char>((z & 0x7F) | 0x80));
        z >>= 7;
    }
    out.push_back(static_cast<char>(z));
}

// One animated channel read back from the binary chunk.
struct Channel {
    int node = 0;                // target node
    bool rotation = false;       // else translation
    bool shortTurns = false;     // stored as normalised int16 (petioles, blades)
    std::vector<double> values;  // [frame][3 or 4]
};

bool readAccessor(const json& doc, const std::string& bin, int index, int comps, std::vector<double>& out)
{
    const json& a = doc["accessors"][index];
    const json& v = doc["bufferViews"][a["bufferView"].get<int>()];
    const size_t count = a["count"].get<size_t>() * comps;
    const size_t at = v.value("byteOffset", size_t{0}) + a.value("byteOffset", size_t{0});
    const int type = a["componentType"].get<int>();
    const size_t size = type == 5126 ? 4 : 2;
    if (v.contains("byteStride") || (type != 5126 && type != 5122) || at + count * size > bin.size()) return false;
    out.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (type == 5126) {
            float f;
            std::memcpy(&f, bin.data() + at + 4 * i, 4);
            out[i] = f;
        } else {
            int16_t s;
            std::memcpy(&s, bin.data() + at + 2 * i, 2);
            out[i] = std::max(s / 32767.0, -1.0);
        }
    }
    return true;
}

// conj(a) * b for quaternions (x, y, z, w).
void relativeTurn(const double* a, const double* b, double* r)
{
    const double ax = -a[0], ay = -a[1], az = -a[2], aw = a[3];
    r[0] = aw * b[0] + ax * b[3] + ay * b[2] - az * b[1];
    r[1] = aw * b[1] - ax * b[2] + ay * b[3] + az * b[0];
    r[2] = aw * b[2] + ax * b[1] - ay * b[0] + az * b[3];
    r[3] = aw * b[3] - ax * b[0] - ay * b[1] - az * b[2];
}

void encodeChannel(const Channel& c, int frames, double step, std::string& out)
{
    const int comps = c.rotation ? 4 : 3;
    std::vector<int64_t> q(static_cast<size_t>(frames) * 3);
    for (int f = 0; f < frames; ++f) {
        const double* v = &c.values[static_cast<size_t>(f) * comps];
        double d[4];
        if (c.rotation) {
            relativeTurn(&c.values[0], v, d);
            if (d[3] < 0) d[0] = -d[0], d[1] = -d[1], d[2] = -d[2];
        } else {
            for (int k = 0; k < 3; ++k) d[k] = v[k] - c.values[k];
        }
        for (int k = 0; k < 3; ++k) q[static_cast<size_t>(k) * frames + f] = std::llround(d[k] / step);
    }
    for (int k = 0; k < 3; ++k) {
        const int64_t* a = &q[static_cast<size_t>(k) * frames];
        for (int f = 0; f < frames; ++f)
            putVarint(out, a[f] - (f == 0 ? 0 : f == 1 ? a[0] : 2 * a[f - 1] - a[f - 2]));
    }
}

bool readChannels(const json& doc, const std::string& bin, std::vector<Channel>& out, int& frames)
{
    const json& anim = doc["animations"][0];
    frames = doc["accessors"][anim["samplers"][0]["input"].get<int>()]["count"].get<int>();
    for (const json& ch : anim["channels"]) {
        const json& s = anim["samplers"][ch["sampler"].get<int>()];
        Channel c;
        c.node = ch["target"]["node"].get<int>();
        c.rotation = ch["target"]["path"] == "rotation";
        const int output = s["output"].get<int>();
        c.shortTurns = doc["accessors"][output]["componentType"].get<int>() != 5126;
        if (!readAccessor(doc, bin, output, c.rotation ? 4 : 3, c.values)) return false;
        if (c.values.size() != static_cast<size_t>(frames) * (c.rotation ? 4 : 3)) return false;
        out.push_back(std::move(c));
    }
    return !out.empty();
}

// The animation's accessors and views come after everything else (the
// writer adds them last); cut them off and the buffer's tail with them.
bool dropAnimation(json& doc, std::string& bin)
{
    int firstAccessor = static_cast<int>(doc["accessors"].size());
    for (const json& s : doc["animations"][0]["samplers"])
        firstAccessor = std::min({firstAccessor, s["input"].get<int>(), s["output"].get<int>()});
    int firstView = static_cast<int>(doc["bufferViews"].size());
    for (size_t i = firstAccessor; i < doc["accessors"].size(); ++i)
        firstView = std::min(firstView, doc["accessors"][i]["bufferView"].get<int>());
    for (int i = 0; i < firstAccessor; ++i)
        if (doc["accessors"][i].value("bufferView", 0) >= firstView) return false;
    const size_t cut = doc["bufferViews"][firstView].value("byteOffset", size_t{0});
    doc.erase("animations");
    doc["accessors"].erase(doc["accessors"].begin() + firstAccessor, doc["accessors"].end());
    doc["bufferViews"].erase(doc["bufferViews"].begin() + firstView, doc["bufferViews"].end());
    bin.resize(cut);
    bin.append((4 - bin.size() % 4) % 4, '\0');
    doc["buffers"][0]["byteLength"] = bin.size();
    return true;
}

std::string assembleGlb(const json& doc, const std::string& bin)
{
    std::string text = doc.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    std::string out = "glTF";
    put<uint32_t>(out, 2);
    put<uint32_t>(out, static_cast<uint32_t>(12 + 8 + text.size() + 8 + bin.size()));
    put<uint32_t>(out, static_cast<uint32_t>(text.size()));
    put<uint32_t>(out, 0x4E4F534A);
    out += text;
    put<uint32_t>(out, static_cast<uint32_t>(bin.size()));
    put<uint32_t>(out, 0x004E4942);
    out += bin;
    return out;
}

} // namespace

bool splitGlbForWeb(const std::string& glb, int clipFrames, const WebMotionSteps& steps, WebMotion& out,
                    std::string& error)
{
    error = "the exported glTF could not be read back for the page";
    if (glb.size() < 28 || glb.compare(0, 4, "glTF") != 0) return false;
    const uint32_t jsonSize = readU32(glb, 12);
    if (28 + static_cast<size_t>(jsonSize) > glb.size()) return false;
    json doc = json::parse(glb.begin() + 20, glb.begin() + 20 + jsonSize, nullptr, false);
    std::string bin = glb.substr(28 + jsonSize);
    if (doc.is_discarded()) return false;
    std::vector<Channel> channels;
    int frames = clipFrames;
    const bool moves = doc.contains("animations") && !doc["animations"].empty(); // a one-frame clip does not
    if (moves && (!readChannels(doc, bin, channels, frames) || !dropAnimation(doc, bin))) return false;
    out.staticGlb = moves ? assembleGlb(doc, bin) : glb;
    out.frames = frames;
    out.channels = static_cast<int>(channels.size());

    std::string& s = out.stream;
    s.clear();
    put<uint32_t>(s, static_cast<uint32_t>(channels.size()));
    put<uint32_t>(s, static_cast<uint32_t>(frames));
    auto stepOf = [&](const Channel& c) {
        return !c.rotation ? steps.move : c.shortTurns ? steps.shortTurn : steps.branchTurn;
    };
    for (const Channel& c : channels) put<int32_t>(s, c.node);
    for (const Channel& c : channels) put<float>(s, static_cast<float>(stepOf(c)));
    for (const Channel& c : channels)
        for (int k = 0; k < 4; ++k) put<float>(s, static_cast<float>(k < 3 || c.rotation ? c.values[k] : 0.0));
    for (const Channel& c : channels) s.push_back(c.rotation ? 1 : 0);
    s.append((4 - s.size() % 4) % 4, '\0');
    for (const Channel& c : channels) encodeChannel(c, frames, stepOf(c), s);
    error.clear();
    return true;
}
