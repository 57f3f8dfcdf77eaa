// The last seconds the visitor saw, for "Download .glb": after every step
// the poses the exporter's tracks take go into a ring, and the .glb is
// built from the ring on demand by the exporter's own writer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "export/export_rig.h"
#include "export/motion_tracks.h"

constexpr int kLiveClipFrames = 200; // 10 s of 0.05 s steps

struct LiveClip {
    bool grass = false;                   // the grass's joints are kept (and drawn in the file)
    ExportRig rig;                        // the joints of the tree set up now
    MotionTracks layout;                  // one frame's tracks: which leaves, in which order
    int shortFrom = 0;                    // the first tree joint whose turns the file holds as int16
    std::vector<float> grassPlaces;       // [grass joint][3]: translations, fixed (the blades stand rooted)
    // Per kept step, in the file's precision: floats (branch joints' poses,
    // the other joints' translations, leaf scales) and int16 turns.
    std::vector<std::vector<float>> ring;
    std::vector<std::vector<std::int16_t>> turns;
    std::size_t next = 0;                 // the slot the next step fills
    std::size_t count = 0;                // slots filled, at most kLiveClipFrames
    FramePoses scratch;                   // one frame's poses as read, reused
};

// After setUp: the rig of the rest tree, and the rest as the first frame.
void startLiveClip(LiveClip& clip, const arborvane::Simulation& sim, bool grass);
// Keeps the present state as the latest frame.
void captureLiveClip(LiveClip& clip, const arborvane::Simulation& sim);
// Bytes the ring holds.
std::size_t liveClipBytes(const LiveClip& clip);
// The kept frames as one .glb (textures from dataDir). False with a reason.
bool buildLiveGlb(const LiveClip& clip, const arborvane::Simulation& sim, const std::string& dataDir,
                  std::string& glb, std::string& error);
