// The three turbulence grids: text files of n^3 samples each.
#pragma once

// Under the data folder, in load order u, v, w.
inline constexpr const char* kNoiseFileNames[3] = {"noise/n32_3Du_beta1dot67.txt", "noise/n32_3Dv_beta1dot33.txt",
                                                   "noise/n32_3Dw_beta1dot33.txt"};
constexpr int kNoiseGridSize = 32; // edge the generator writes
constexpr int kMaxNoiseSize = 128; // largest edge a reader accepts: n^3 doubles stay a sane allocation
