// Tree skeleton file: tree/tulip_tree.txt, plus tree/tulip_tree_preview.png
// (front, side, and front with leaf clusters). Another tree, for example:
//   datagen --only tree --out /tmp/t --tree-seed 7 --crown-shape cone --crown-width 7
// Flags (model units, degrees): --tree-seed, --tree-height, --crown-base,
// --crown-width, --crown-shape (oval, round, cone, column), --limbs,
// --limb-angle-low, --limb-angle-high, --trunk-radius, --pipe-exponent,
// --twig-length, --tip-segment, --segment, --upward-bend, --trunk-points. The row count stays
// 322, which the program requires.
#include <cstdio>
#include <filesystem>

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

    const TreeSkeleton tree = growTree(params);
    const std::string dir = outDir + "/tree";
    std::filesystem::create_directories(dir);
    if (!writeTreeFile(dir + "/tulip_tree.txt", tree)) return false;
    return writeTreePreview(dir + "/tulip_tree_preview.png", tree, params);
}
