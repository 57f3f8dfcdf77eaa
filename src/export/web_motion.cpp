#include "export/web_motion.h"

#include <cmath>
#include <cstring>

#include "export/glb_animation.h"
#include "export/glb_writer.h"

// The stream, little-endian: the magic "AVMS", u32 version, u32 channels C,
// u32 frames F, i32 node[C], f32 step[C], f32 first[4C] (translation x y z
// 0, or the frame-0 rotation x y z w), u8 kind[C] (0 translation, 1
// rotation) padded to 4 bytes, then per channel, per component (x y z), per
// frame, the quantised value's residual from a straight-line guess off the
// two frames before, zigzagged as a LEB128 varint. Smooth motion leaves
// small residuals, which deflate then packs tightly.
namespace {

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

// conj(a) * b for quaternions (x, y, z, w).
void relativeTurn(const double* a, const double* b, double* r)
{
    const double ax = -a[0], ay = -a[1], az = -a[2], aw = a[3];
    r[0] = aw * b[0] + ax * b[3] + ay * b[2] - az * b[1];
    r[1] = aw * b[1] - ax * b[2] + ay * b[3] + az * b[0];
    r[2] = aw * b[2] + ax * b[1] - ay * b[0] + az * b[3];
    r[3] = aw * b[3] - ax * b[0] - ay * b[1] - az * b[2];
}

// values: [frame][3 or 4] as the .glb holds them.
void encodeChannel(const std::vector<double>& values, bool rotation, int frames, double step, std::string& out)
{
    const int comps = rotation ? 4 : 3;
    std::vector<int64_t> q(static_cast<size_t>(frames) * 3);
    for (int f = 0; f < frames; ++f) {
        const double* v = &values[static_cast<size_t>(f) * comps];
        double d[4];
        if (rotation) {
            relativeTurn(&values[0], v, d);
            if (d[3] < 0) d[0] = -d[0], d[1] = -d[1], d[2] = -d[2];
        } else {
            for (int k = 0; k < 3; ++k) d[k] = v[k] - values[k];
        }
        for (int k = 0; k < 3; ++k) q[static_cast<size_t>(k) * frames + f] = std::llround(d[k] / step);
    }
    for (int k = 0; k < 3; ++k) {
        const int64_t* a = &q[static_cast<size_t>(k) * frames];
        for (int f = 0; f < frames; ++f)
            putVarint(out, a[f] - (f == 0 ? 0 : f == 1 ? a[0] : 2 * a[f - 1] - a[f - 2]));
    }
}

double stepOf(const AnimatedTrack& t, const WebMotionSteps& steps)
{
    return t.kind == TrackKind::Translation ? steps.move
           : t.kind == TrackKind::ShortRotation ? steps.shortTurn : steps.branchTurn;
}

// The stream of channels over frames, track after track from tracks.
bool encodeStream(const MotionTracks& tracks, const std::vector<AnimatedTrack>& channels, int frames,
                  const WebMotionSteps& steps, std::string& s, std::string& error)
{
    std::string body;
    std::vector<float> firsts;
    std::vector<float> poses;
    std::vector<double> values;
    for (const AnimatedTrack& c : channels) {
        if (!readTrack(tracks, *c.group, c.joint, poses, error)) return false;
        storedTrackValues(c.kind, poses, frames, values);
        const bool rotation = c.kind != TrackKind::Translation;
        for (int k = 0; k < 4; ++k) firsts.push_back(static_cast<float>(k < 3 || rotation ? values[k] : 0.0));
        encodeChannel(values, rotation, frames, stepOf(c, steps), body);
    }
    s.assign(kWebMotionMagic, sizeof kWebMotionMagic);
    put<uint32_t>(s, kWebMotionVersion);
    put<uint32_t>(s, static_cast<uint32_t>(channels.size()));
    put<uint32_t>(s, static_cast<uint32_t>(frames));
    for (const AnimatedTrack& c : channels) put<int32_t>(s, c.node);
    for (const AnimatedTrack& c : channels) put<float>(s, static_cast<float>(stepOf(c, steps)));
    for (const float v : firsts) put<float>(s, v);
    for (const AnimatedTrack& c : channels) s.push_back(c.kind == TrackKind::Translation ? 0 : 1);
    s.append((4 - s.size() % 4) % 4, '\0');
    s += body;
    return true;
}

template <typename T> T get(const std::string& s, size_t at)
{
    T v;
    std::memcpy(&v, s.data() + at, sizeof v);
    return v;
}

// Where the parts of a stream begin; false when s is not a whole stream head.
struct StreamLayout {
    uint32_t channels = 0, frames = 0;
    size_t node = 16, step = 0, first = 0, kind = 0, body = 0;
};

bool readLayout(const std::string& s, StreamLayout& l)
{
    if (s.size() < 16 || std::memcmp(s.data(), kWebMotionMagic, 4) != 0 || get<uint32_t>(s, 4) != kWebMotionVersion)
        return false;
    l.channels = get<uint32_t>(s, 8);
    l.frames = get<uint32_t>(s, 12);
    l.step = l.node + 4 * size_t(l.channels);
    l.first = l.step + 4 * size_t(l.channels);
    l.kind = l.first + 16 * size_t(l.channels);
    l.body = l.kind + ((size_t(l.channels) + 3) & ~size_t(3));
    return l.body <= s.size();
}

} // namespace

bool joinMotionStreams(const std::vector<std::string>& streams, const std::vector<size_t>& nodeShift,
                       std::string& out, std::string& error)
{
    std::vector<StreamLayout> layouts(streams.size());
    uint32_t channels = 0;
    for (size_t k = 0; k < streams.size(); ++k) {
        if (!readLayout(streams[k], layouts[k])) {
            error = "motion stream " + std::to_string(k) + ": not a whole stream of version " +
                    std::to_string(kWebMotionVersion);
            return false;
        }
        if (layouts[k].frames != layouts[0].frames) {
            error = "motion stream " + std::to_string(k) + ": " + std::to_string(layouts[k].frames) +
                    " frames, not " + std::to_string(layouts[0].frames);
            return false;
        }
        channels += layouts[k].channels;
    }
    out.assign(kWebMotionMagic, sizeof kWebMotionMagic);
    put<uint32_t>(out, kWebMotionVersion);
    put<uint32_t>(out, channels);
    put<uint32_t>(out, streams.empty() ? 0 : layouts[0].frames);
    for (size_t k = 0; k < streams.size(); ++k)
        for (uint32_t c = 0; c < layouts[k].channels; ++c)
            put<int32_t>(out, static_cast<int32_t>(get<int32_t>(streams[k], layouts[k].node + 4 * c) + nodeShift[k]));
    // The per-channel arrays one after the other, each the streams' in turn.
    auto append = [&](size_t StreamLayout::*part, size_t width) {
        for (size_t k = 0; k < streams.size(); ++k)
            out.append(streams[k], layouts[k].*part, width * layouts[k].channels);
    };
    append(&StreamLayout::step, 4);
    append(&StreamLayout::first, 16);
    append(&StreamLayout::kind, 1);
    out.append((4 - out.size() % 4) % 4, '\0');
    for (size_t k = 0; k < streams.size(); ++k) out.append(streams[k], layouts[k].body, std::string::npos);
    return true;
}

bool makeWebMotion(GlbPlan& plan, const GlbInput& input, const WebMotionSteps& steps, WebMotion& out,
                   std::string& error)
{
    std::vector<AnimatedTrack> channels;
    if (!finishStaticGlb(plan, input, out.staticGlb, channels, error)) return false;
    out.frames = input.tracks->frames;
    out.channels = static_cast<int>(channels.size());
    return encodeStream(*input.tracks, channels, out.frames, steps, out.stream, error);
}
