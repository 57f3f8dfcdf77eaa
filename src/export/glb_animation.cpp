#include "export/glb_animation.h"

#include <algorithm>
#include <cmath>

namespace {

int16_t shortComponent(float c) { return static_cast<int16_t>(std::lround(std::clamp(c, -1.0f, 1.0f) * 32767.0f)); }

int kindIndex(TrackKind k) { return static_cast<int>(k); }

} // namespace

void storedTrackValues(TrackKind kind, const std::vector<float>& poses, int frames, std::vector<double>& out)
{
    const int comps = kind == TrackKind::Translation ? 3 : 4;
    out.resize(static_cast<size_t>(frames) * comps);
    for (int f = 0; f < frames; ++f) {
        const float* pose = &poses[static_cast<size_t>(f) * kPoseFloats];
        const float* v = kind == TrackKind::Translation ? pose : pose + 3;
        for (int i = 0; i < comps; ++i)
            out[static_cast<size_t>(f) * comps + i] =
                kind == TrackKind::ShortRotation ? std::max(shortComponent(v[i]) / 32767.0, -1.0) : v[i];
    }
}

namespace glb {

void Animator::addNodes(const JointTracks& t, int firstNode, int shortFrom, double constantTolerance)
{
    constexpr size_t kSize[kTrackKinds] = {3 * sizeof(float), 4 * sizeof(float), 4 * sizeof(int16_t)};
    auto track = [&](int node, TrackKind kind, int j) {
        pending.push_back({{node, kind, &t, j}, bytes[kindIndex(kind)]});
        bytes[kindIndex(kind)] += kSize[kindIndex(kind)] * frames;
    };
    for (int j = 0; j < t.joints; ++j) {
        tinygltf::Node& node = m.nodes[firstNode + j];
        const float* tr = &t.first[static_cast<size_t>(j) * kPoseFloats];
        const float* q = tr + 3;
        if (t.moveT[j] <= constantTolerance) {
            if (tr[0] != 0 || tr[1] != 0 || tr[2] != 0) node.translation = {tr[0], tr[1], tr[2]};
        } else {
            track(firstNode + j, TrackKind::Translation, j);
        }
        if (t.moveQ[j] <= 1e-7) {
            if (q[0] != 0 || q[1] != 0 || q[2] != 0) node.rotation = {q[0], q[1], q[2], q[3]};
        } else {
            track(firstNode + j, j >= shortFrom ? TrackKind::ShortRotation : TrackKind::Rotation, j);
        }
    }
}

void Animator::finish(const std::string& name)
{
    if (pending.empty()) return;
    std::vector<float> times(frames);
    for (int f = 0; f < frames; ++f) times[f] = static_cast<float>(f / kFramesPerSecond);
    const int input = bin.array(times, kFloat, TINYGLTF_TYPE_SCALAR, 0);
    m.accessors[input].minValues = {times.front()};
    m.accessors[input].maxValues = {times.back()};
    int views[kTrackKinds];
    for (int k = 0; k < kTrackKinds; ++k) views[k] = bytes[k] == 0 ? -1 : bin.laterView(bytes[k]);
    tinygltf::Animation anim;
    anim.name = name;
    for (const Pending& p : pending) {
        const int view = views[kindIndex(p.track.kind)];
        int out = -1;
        switch (p.track.kind) {
        case TrackKind::Translation: out = bin.accessor(view, p.offset, kFloat, frames, TINYGLTF_TYPE_VEC3); break;
        case TrackKind::Rotation: out = bin.accessor(view, p.offset, kFloat, frames, TINYGLTF_TYPE_VEC4); break;
        case TrackKind::ShortRotation:
            out = bin.accessor(view, p.offset, kShort, frames, TINYGLTF_TYPE_VEC4, true);
            break;
        }
        tinygltf::AnimationSampler s;
        s.input = input;
        s.output = out;
        s.interpolation = "LINEAR";
        anim.samplers.push_back(s);
        tinygltf::AnimationChannel c;
        c.sampler = static_cast<int>(anim.samplers.size()) - 1;
        c.target_node = p.track.node;
        c.target_path = p.track.kind == TrackKind::Translation ? "translation" : "rotation";
        anim.channels.push_back(c);
    }
    m.animations.push_back(anim);
}

bool Animator::writeTracks(const MotionTracks& tracks, const GlbSink& sink, std::string& error) const
{
    std::vector<float> poses;
    std::vector<char> out;
    auto append = [&](const void* bytes, size_t size) {
        out.insert(out.end(), static_cast<const char*>(bytes), static_cast<const char*>(bytes) + size);
    };
    for (const TrackKind kind : {TrackKind::Translation, TrackKind::Rotation, TrackKind::ShortRotation})
        for (const Pending& p : pending) {
            if (p.track.kind != kind) continue;
            if (!readTrack(tracks, *p.track.group, p.track.joint, poses, error)) return false;
            out.clear();
            for (int f = 0; f < frames; ++f) {
                const float* pose = &poses[static_cast<size_t>(f) * kPoseFloats];
                if (kind == TrackKind::Translation) append(pose, 3 * sizeof(float));
                if (kind == TrackKind::Rotation) append(pose + 3, 4 * sizeof(float));
                for (int i = 0; kind == TrackKind::ShortRotation && i < 4; ++i) {
                    const int16_t v = shortComponent(pose[3 + i]);
                    append(&v, sizeof v);
                }
            }
            if (!sink(out.data(), out.size(), error)) return false;
        }
    return true;
}

std::vector<AnimatedTrack> Animator::tracks() const
{
    std::vector<AnimatedTrack> out;
    out.reserve(pending.size());
    for (const Pending& p : pending) out.push_back(p.track);
    return out;
}

} // namespace glb
