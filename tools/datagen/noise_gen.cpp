// Three periodic turbulence grids, one per wind component.
#include <cstdio>
#include <filesystem>

#include "generators.h"
#include "noise_synthesis.h"

bool generateNoise(const Flags&, const std::string& outDir)
{
    struct Component {
        const char* file; // under noise/
        double beta;      // spectral slope of the power per mode
        uint64_t seed;    // one stream per component
    };
    const Component components[] = {
        {"n32_3Du_beta1dot67.txt", 1.67, 0x75u},
        {"n32_3Dv_beta1dot33.txt", 1.33, 0x76u},
        {"n32_3Dw_beta1dot33.txt", 1.33, 0x77u},
    };
    const int n = 32;
    std::filesystem::create_directories(outDir + "/noise");
    for (const Component& c : components) {
        const std::string path = outDir + "/noise/" + c.file;
        if (!writeNoiseGrid(path, n, synthesizeNoiseGrid(n, c.beta, c.seed))) {
            std::fprintf(stderr, "datagen: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}
