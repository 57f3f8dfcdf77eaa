// The grass field file: a header, then one record of five levels per blade.
#pragma once

inline constexpr const char* kGrassFileName = "grass/grass1_5000_50x50_4_len4.txt"; // under the data folder

constexpr int kGrassLevels = 5;          // points per blade, root first
constexpr int kMaxGrassBlades = 1000000; // larger counts are refused before allocating
constexpr double kGrassFileScale = 1.5;  // file units -> model units
