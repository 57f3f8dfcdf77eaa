// The animator: which joints move, their tracks' accessors and views in the
// document, and the tracks' bytes streamed in the same order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/glb_writer.h"
#include "export/gltf_kit.h"
#include "export/motion_tracks.h"

// How a track is stored: translations as floats; turns as floats, or as
// normalised int16 on joints with short lever arms.
enum class TrackKind { Translation, Rotation, ShortRotation };
constexpr int kTrackKinds = 3;

// One animated channel: its node and where its poses come from.
struct AnimatedTrack {
    int node = 0;
    TrackKind kind = TrackKind::Translation;
    const JointTracks* group = nullptr; // the track's source
    int joint = 0;                      // its joint in group
};

// The track's values as the file holds them, [frame][3 or 4], from a joint's
// poses ([frame][kPoseFloats]): int16 turns come back rounded as stored.
void storedTrackValues(TrackKind kind, const std::vector<float>& poses, int frames, std::vector<double>& out);

namespace glb {

// Animation of blocks of nodes. Constant channels become the node's rest
// pose instead of a track (3e-5 rad of a short arm is far below a
// millimetre). The tracks' bytes are not held here: their views are laid
// out past the chunk's present end, and writeTracks streams them there.
struct Animator {
    tinygltf::Model& m;
    Bin& bin;
    int frames;
    struct Pending {
        AnimatedTrack track;
        size_t offset; // byte offset in the kind's view
    };
    std::vector<Pending> pending;
    size_t bytes[kTrackKinds] = {0, 0, 0}; // view length per kind

    // Joints from shortFrom on get int16 turns.
    void addNodes(const JointTracks& t, int firstNode, int shortFrom, double constantTolerance);
    // The clip's times, accessors, samplers and channels; nothing when no track moves.
    void finish(const std::string& name);
    // The tracks' bytes, view after view, as finish laid them out.
    bool writeTracks(const MotionTracks& tracks, const GlbSink& sink, std::string& error) const;
    std::vector<AnimatedTrack> tracks() const;
};

} // namespace glb
