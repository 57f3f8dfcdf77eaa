// datagen: writes every data file the program reads, deterministically.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "flags.h"
#include "generators.h"

int main(int argc, char** argv)
{
    Flags flags;
    std::string error;
    if (!flags.parse(argc, argv, error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return 2;
    }
    try {
        const std::string outDir = flags.getString("out", "./data");
        const std::string only = flags.getString("only", "tree,leaf,noise,grass,textures");
        auto wanted = [&](const char* name) { return ("," + only + ",").find(std::string(",") + name + ",") != std::string::npos; };
        std::filesystem::create_directories(outDir);
        bool ok = true;
        if (ok && wanted("tree")) ok = generateTree(flags, outDir);
        if (ok && wanted("leaf")) ok = generateLeaf(flags, outDir);
        if (ok && wanted("noise")) ok = generateNoise(flags, outDir);
        if (ok && wanted("grass")) ok = generateGrass(flags, outDir);
        if (ok && wanted("textures")) ok = generateTextures(flags, outDir);
        for (const auto& name : flags.unread()) {
            std::fprintf(stderr, "datagen: unknown flag --%s\n", name.c_str());
            ok = false;
        }
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "datagen: %s\n", e.what());
        return 2;
    }
}
