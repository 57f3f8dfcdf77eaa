// arborvane-grow: writes a complete data folder (tree, leaf, wind noise,
// grass, textures) deterministically from a preset and flags.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "flags.h"
#include "generators.h"

namespace {

const char* const kParts[] = {"tree", "leaf", "noise", "grass", "textures"};

// The --only list as a set of part names; throws UsageError naming a bad word.
std::vector<std::string> wantedParts(const std::string& only)
{
    if (only == "all") return {std::begin(kParts), std::end(kParts)};
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= only.size()) {
        const size_t comma = std::min(only.find(',', start), only.size());
        const std::string word = only.substr(start, comma - start);
        bool known = false;
        for (const char* p : kParts) known = known || word == p;
        if (!known) throw UsageError("--only '" + word + "' is not one of tree, leaf, noise, grass, textures, all");
        parts.push_back(word);
        start = comma + 1;
    }
    return parts;
}

} // namespace

int main(int argc, char** argv)
{
    Flags flags;
    std::vector<std::string> parts;
    std::string outDir;
    try {
        flags.parse(argc, argv);
        if (flags.helpWanted()) {
            std::fputs(usageText().c_str(), stdout);
            return 0;
        }
        outDir = flags.getString("out", "./data");
        parts = wantedParts(flags.getString("only", "all"));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "arborvane-grow: %s\nUsage: arborvane-grow [--preset NAME] [--out DIR] [--only PARTS] "
                             "[--FLAG VALUE ...]; see arborvane-grow --help\n", e.what());
        return 2;
    }
    try {
        std::filesystem::create_directories(outDir);
        for (const std::string& part : parts) {
            std::printf("arborvane-grow: writing %s into %s\n", part.c_str(), outDir.c_str());
            std::fflush(stdout);
            bool ok = false;
            if (part == "tree") ok = generateTree(flags, outDir);
            else if (part == "leaf") ok = generateLeaf(flags, outDir);
            else if (part == "noise") ok = generateNoise(flags, outDir);
            else if (part == "grass") ok = generateGrass(flags, outDir);
            else if (part == "textures") ok = generateTextures(flags, outDir);
            if (!ok) return 1;
        }
        return 0;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "arborvane-grow: %s\n", e.what());
        return 2;
    } catch (const std::filesystem::filesystem_error& e) {
        std::fprintf(stderr, "arborvane-grow: cannot make the folder %s: %s\n", e.path1().c_str(), e.code().message().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "arborvane-grow: %s\n", e.what());
        return 1;
    }
}
