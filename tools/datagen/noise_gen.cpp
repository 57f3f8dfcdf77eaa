// Three periodic turbulence grids, one per wind component.
#include <cstdio>
#include <filesystem>

#include "data_constants/data_folder.h"
#include "data_constants/noise_file.h"
#include "generators.h"
#include "noise_synthesis.h"

bool generateNoise(const std::string& outDir)
{
    // One spectral slope and seed per component, in the order of the file names.
    const double betas[3] = {1.67, 1.33, 1.33};
    const uint64_t seeds[3] = {0x75u, 0x76u, 0x77u};
    for (int c = 0; c < 3; ++c) {
        const std::string path = dataPath(outDir, kNoiseFileNames[c]);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        if (!writeNoiseGrid(path, kNoiseGridSize, synthesizeNoiseGrid(kNoiseGridSize, betas[c], seeds[c])))
            return false;
    }
    return true;
}
