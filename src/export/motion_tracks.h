// The sampled motion: each joint's local pose and each leaf blade's pose at
// every exported frame. A block of frames is held in memory; a long clip's
// blocks go to a scratch file, each joint's track in one piece, so memory
// stays the same however many frames the clip has.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "export/export_rig.h"

// Floats per joint and frame: translation x y z, then rotation x y z w.
constexpr int kPoseFloats = 7;

struct JointTracks {
    int joints = 0;
    std::vector<float> first;         // [joint][7]: the pose at frame 0
    std::vector<float> last;          // [joint][4]: the latest rotation, whose hemisphere the next one keeps
    std::vector<double> moveT, moveQ; // [joint]: largest change of a component from frame 0
    std::vector<float> block;         // [joint][blockFrames][7]: the frames of the present block
    uint64_t scratchAt = 0;           // byte offset of this group's tracks in the scratch file
};

// An open file descriptor, closed when dropped.
struct OwnedFd {
    int fd = -1; // -1: none
    OwnedFd() = default;
    explicit OwnedFd(int f) : fd(f) {}
    OwnedFd(OwnedFd&& o) noexcept : fd(o.fd) { o.fd = -1; }
    OwnedFd& operator=(OwnedFd&& o) noexcept;
    ~OwnedFd();
};

struct MotionTracks {
    int frames = 0;
    int blockFrames = 0;           // frames a block holds; all of them when there is no scratch file
    OwnedFd scratch;               // where full blocks go, -1: every frame stays in memory
    JointTracks tree, grass;
    JointTracks leaves;            // blade matrices, one per leaf of leafBranch/leafIndex
    std::vector<float> leafScale;  // uniform scale per leaf, from frame 0
    std::vector<int> leafBranch, leafIndex;
};

// Every frame in memory (short clips, tests).
MotionTracks makeMotionTracks(const ExportRig& rig, const arborvane::Simulation& sim, int frames);
// Blocks of frames written to scratchFd (owned from now on) as they fill.
MotionTracks makeStreamedMotionTracks(const ExportRig& rig, const arborvane::Simulation& sim, int frames,
                                      int scratchFd);
// One frame's poses as read off the simulation, before they are stored:
// per joint (or leaf) translation x y z, then rotation x y z w.
struct FramePoses {
    std::vector<double> tree, grass, leaves; // [joint][7]
    std::vector<double> leafScale;           // [leaf]: the blade's uniform scale
};
void readFramePoses(const MotionTracks& tracks, const ExportRig& rig, const arborvane::Simulation& sim,
                    FramePoses& out);
// Stores poses as frame `frame` (its rotations may turn to the other
// hemisphere); frames come in order. False with a reason when a full block
// cannot be written out.
bool storeFrame(MotionTracks& tracks, FramePoses& poses, int frame, std::string* error = nullptr);
// Both: the simulation's current state as frame `frame`.
// False with a reason when a full block cannot be written out.
bool captureFrame(MotionTracks& tracks, const ExportRig& rig, const arborvane::Simulation& sim, int frame,
                  std::string* error = nullptr);
// One joint's whole track, [frame][7]. False with a reason on a read error.
bool readTrack(const MotionTracks& tracks, const JointTracks& group, int joint, std::vector<float>& out,
               std::string& error);
