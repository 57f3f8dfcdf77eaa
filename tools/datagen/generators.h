// One entry per kind of data file. Each writes under outDir (the data
// folder; file names from src/data_constants), to temporary files that replace the
// earlier ones only once every part is written (whole_file.h), and returns
// false after printing why on standard error. The flags are checked (checkFlagPairs) and the tree
// grown before any of them runs, so a refusal leaves nothing behind.
#pragma once
#include <string>

#include "leaf_mesh.h"
#include "tree_skeleton.h"

bool generateTree(const TreeSkeleton& tree, const TreeParams& params, const std::string& outDir); // tree file (+ preview)
bool generateLeaf(const LeafParams& params, const std::string& outDir); // leaf file (+ preview)
bool generateNoise(const std::string& outDir);                          // the three noise grids
bool generateGrass(const std::string& outDir);                          // the grass field
bool generateTextures(const std::string& outDir);                       // ten BMPs (+ contact sheet)

// The preview picture next to a data file: "x/name.txt" -> "x/name_preview.png".
inline std::string previewPath(const std::string& dataFile)
{
    const size_t dot = dataFile.rfind('.');
    return (dot == std::string::npos ? dataFile : dataFile.substr(0, dot)) + "_preview.png";
}
