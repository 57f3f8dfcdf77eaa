// The tree file plus its preview picture (front, side, and front with leaf
// clusters), from the tree flags (flags.cpp).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "data_constants/data_folder.h"
#include "generators.h"
#include "tree_skeleton.h"

bool generateTree(const TreeSkeleton& tree, const TreeParams& params, const std::string& outDir)
{
    const std::string path = dataPath(outDir, kTreeFileName);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (!writeTreeFile(path, tree)) return false;

    double top = 0, minX = 0, maxX = 0, minZ = 0, maxZ = 0;
    for (const auto& b : tree.branches)
        for (const Vec3& p : b.points) {
            top = std::max(top, p.y);
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
        }
    std::printf("arborvane-grow: %zu branches, %.1f tall, crown %.1f x %.1f wide\n", tree.branches.size(), top,
                maxX - minX, maxZ - minZ);
    return writeTreePreview(previewPath(path), tree, params);
}
