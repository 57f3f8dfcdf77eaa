// The exported .glb split for the web page: the document without its
// animation (meshes, skins, textures: a small valid .glb) and the animation
// as one compact stream the page's viewer turns back into the same poses.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

// Splits glb (as finishGlb writes it) of a clip of clipFrames frames. False
// with a one-line reason.
bool splitGlbForWeb(const std::string& glb, int clipFrames, const WebMotionSteps& steps, WebMotion& out,
                    std::string& error);
