// The overlay lines of the window: frame rate, triangle count, wind, and
// "Real time" while the steps follow the wall clock.
#pragma once
#include <string>
#include <vector>

// Top line first; none while capturing, so saved frames carry no text.
std::vector<std::string> overlayLines(float fps, int triangleCount, bool galeMode, double windMagnitude,
                                      bool capturing, bool realtime = false);
