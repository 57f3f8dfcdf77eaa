// The exported motion for the web page: the document without its animation
// (meshes, skins, textures: a small valid .glb) and the animation as one
// compact stream the page's viewer turns back into the same poses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class GlbPlan;
struct GlbInput;

// The stream's first bytes: a magic number and the layout's version. The
// page refuses a stream whose magic or version it does not know.
inline constexpr char kWebMotionMagic[4] = {'A', 'V', 'M', 'S'};
constexpr uint32_t kWebMotionVersion = 1;

// Quantisation steps of the motion stream. Turns are stored relative to the
// first frame's, as the x y z of a unit quaternion (w >= 0 follows).
struct WebMotionSteps {
    double branchTurn = 1e-4; // turn step of the branch joints (float tracks: long chains, long arms)
    double shortTurn = 8e-3;  // turn step of petioles and blades (int16 tracks: arms of centimetres)
    double move = 2e-3;       // translation step, tree units
};

struct WebMotion {
    std::string staticGlb; // the .glb without its animation
    std::string stream;    // the motion stream (layout in web_motion.cpp), not yet compressed
    int frames = 0;        // frames of the clip
    int channels = 0;      // animated translations and rotations
};

// Finishes the planned .glb without its animation and encodes the motion
// from the captured tracks, the values as the .glb would hold them. False
// with a one-line reason.
bool makeWebMotion(GlbPlan& plan, const GlbInput& input, const WebMotionSteps& steps, WebMotion& out,
                   std::string& error);

// One stream of the same layout and version holding every channel of
// streams (of equal frames) in order, stream K's nodes moved up by
// nodeShift[K]: the motion of several files merged into one. False with a
// reason when a stream is not one or the frames differ.
bool joinMotionStreams(const std::vector<std::string>& streams, const std::vector<size_t>& nodeShift,
                       std::string& out, std::string& error);
