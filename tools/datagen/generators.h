// One entry per kind of data file. Each writes under outDir and returns false
// after printing why on standard error.
#pragma once
#include <string>

#include "flags.h"

bool generateTree(const Flags& flags, const std::string& outDir);     // tree/tulip_tree.txt (+ preview)
bool generateLeaf(const Flags& flags, const std::string& outDir);     // tree/poplar_leaf.txt
bool generateNoise(const Flags& flags, const std::string& outDir);    // noise/*.txt
bool generateGrass(const Flags& flags, const std::string& outDir);    // grass/grass1_5000_50x50_4_len4.txt
bool generateTextures(const Flags& flags, const std::string& outDir); // ten BMPs (+ contact sheet)
