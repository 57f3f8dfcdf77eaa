// The overlay lines of the window: frame rate, triangle count, wind, and
// "Real time" while the steps follow the wall clock.
#pragma once
#include <string>
#include <vector>

// What the overlay shows, read from the view and the scene before the step starts.
struct OverlayFacts {
    float fps = 0.0f;        // frame rate figure, shown with two decimals
    int triangles = 0;       // triangles the tree is drawn with (the scene's published figure)
    bool gale = true;        // regime: true the moderate gale, false the light breeze
    double magnitude = 0.0;  // wind magnitude, shown with two decimals
    bool capturing = false;  // frame capture runs: no lines, so saved frames carry no text
    bool realtime = false;   // steps follow the wall clock: a fourth line says so
};

// Top line first; none while capturing.
std::vector<std::string> overlayLines(const OverlayFacts& facts);
