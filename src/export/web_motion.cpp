#include "export/web_motion.h"

#include <cmath>

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

} // namespace

bool makeWebMotion(GlbPlan& plan, const GlbInput& input, const WebMotionSteps& steps, WebMotion& out,
                   std::string& error)
{
    std::vector<AnimatedTrack> channels;
    if (!finishStaticGlb(plan, input, out.staticGlb, channels, error)) return false;
    out.frames = input.tracks->frames;
    out.channels = static_cast<int>(channels.size());
    return encodeStream(*input.tracks, channels, out.frames, steps, out.stream, error);
}
