// arborvane-grow: writes a complete data folder (tree, leaf, wind noise,
// grass, textures) deterministically from a preset and flags.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "flags.h"
#include "generators.h"
#include "whole_file.h"

namespace {

// The --only list (checked by its flag) as part names, in the order given.
std::vector<std::string> wantedParts(const std::string& only)
{
    if (only == "all") return {"tree", "leaf", "noise", "grass", "textures"};
    std::vector<std::string> parts;
    for (size_t start = 0; start <= only.size();) {
        const size_t comma = std::min(only.find(',', start), only.size());
        parts.push_back(only.substr(start, comma - start));
        start = comma + 1;
    }
    return parts;
}

bool generatePart(const std::string& part, const GrowOptions& options, const TreeSkeleton& tree)
{
    if (part == "tree") return generateTree(tree, options.tree, options.out);
    if (part == "leaf") return generateLeaf(options.leaf, options.out);
    if (part == "noise") return generateNoise(options.out);
    if (part == "grass") return generateGrass(options.out);
    return generateTextures(options.out);
}

} // namespace

int main(int argc, char** argv)
{
    GrowOptions options;
    const int status = parseGrowOptions(argc, argv, options);
    if (status >= 0) return status;
    try {
        // Everything that can refuse the flags runs before the folder is made.
        checkFlagPairs(options);
        const std::vector<std::string> parts = wantedParts(options.only);
        const bool wantsTree = std::find(parts.begin(), parts.end(), "tree") != parts.end();
        const TreeSkeleton tree = wantsTree ? growTree(options.tree) : TreeSkeleton{};
        std::filesystem::create_directories(options.out);
        for (const std::string& part : parts) {
            std::printf("arborvane-grow: writing %s into %s\n", part.c_str(), options.out.c_str());
            std::fflush(stdout);
            if (!generatePart(part, options, tree)) return 1;
        }
        // Only now, with every part written, do the new files replace the old.
        return commitSavedFiles() ? 0 : 1;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "arborvane-grow: %s\n", e.what());
        return 2;
    } catch (const std::filesystem::filesystem_error& e) {
        std::fprintf(stderr, "arborvane-grow: cannot make the folder %s: %s\n", e.path1().c_str(), e.code().message().c_str());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "arborvane-grow: out of memory\n");
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "arborvane-grow: %s\n", e.what());
        return 1;
    }
}
