// Tree file: "RowMax=n", then one row per branch: id, N, M, colour word,
// M pairs (child, attach point), N quadruples (x, y, z, r) in file units.
#include <cmath>
#include <cstdio>

#include "tree_skeleton.h"
#include "whole_file.h"

namespace {
constexpr double kFileUnitsPerModelUnit = 1.0 / kTreeFileScale;

// File units, without a "-0.000000" for values that round to zero.
double toFile(double modelValue)
{
    const double v = modelValue * kFileUnitsPerModelUnit;
    return std::fabs(v) < 5e-7 ? 0.0 : v;
}
} // namespace

bool writeTreeFile(const std::string& path, const TreeSkeleton& tree)
{
    TextOut out;
    FILE* file = out.file();
    std::fprintf(file, "RowMax=%d\n", int(tree.branches.size()));
    for (size_t i = 0; i < tree.branches.size(); ++i) {
        const SkeletonBranch& b = tree.branches[i];
        std::fprintf(file, "%zu %zu %zu %s", i, b.points.size(), b.children.size(), kColourWords[b.colourClass]);
        for (int c : b.children) std::fprintf(file, " %d %d", c, tree.branches[c].attachPoint);
        for (size_t k = 0; k < b.points.size(); ++k) {
            const Vec3& p = b.points[k];
            std::fprintf(file, " %.6f %.6f %.6f %.6f", toFile(p.x), toFile(p.y), toFile(p.z), toFile(b.radii[k]));
        }
        std::fputc('\n', file);
    }
    return out.save(path);
}
