// How the world around the tree looks: the window draws it so, and the
// exported web page draws it the same way.
#pragma once

inline constexpr double kGroundY = -4.6;                              // height of the ground plane
inline constexpr int kSkyColour[3] = {60, 168, 248};                  // clear colour, sRGB bytes
inline constexpr double kLightRestPosition[3] = {-10.0, 12.0, 5.0};  // directional light before it is turned
