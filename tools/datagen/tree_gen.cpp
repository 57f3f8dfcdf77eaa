// The tree file plus its preview picture (front, side, and front with leaf
// clusters), from the tree flags of flags.cpp.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "data_constants/data_folder.h"
#include "generators.h"
#include "tree_skeleton.h"

bool generateTree(const Flags& flags, const std::string& outDir)
{
    TreeParams params;
    params.seed = uint64_t(flags.getInt("tree-seed", long(params.seed)));
    params.height = flags.getDouble("tree-height", params.height);
    params.crownBase = flags.getDouble("crown-base", params.crownBase);
    params.crownWidth = flags.getDouble("crown-width", params.crownWidth);
    params.crownShape = flags.getString("crown-shape", params.crownShape);
    params.limbs = int(flags.getInt("limbs", params.limbs));
    params.limbAngleLow = flags.getDouble("limb-angle-low", params.limbAngleLow);
    params.limbAngleHigh = flags.getDouble("limb-angle-high", params.limbAngleHigh);
    params.trunkRadius = flags.getDouble("trunk-radius", params.trunkRadius);
    params.pipeExponent = flags.getDouble("pipe-exponent", params.pipeExponent);
    params.twigLength = flags.getDouble("twig-length", params.twigLength);
    params.tipSegment = flags.getDouble("tip-segment", params.tipSegment);
    params.segment = flags.getDouble("segment", params.segment);
    params.upwardBend = flags.getDouble("upward-bend", params.upwardBend);
    params.trunkPoints = int(flags.getInt("trunk-points", params.trunkPoints));
    // The crown needs room between its lowest limb and the top.
    if (params.crownBase + 2.5 > params.height)
    {
        char message[160];
        std::snprintf(message, sizeof message, "--crown-base %g leaves no crown under --tree-height %g; keep it 2.5 or more below",
                      params.crownBase, params.height);
        throw UsageError(message);
    }

    const TreeSkeleton tree = growTree(params);
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
