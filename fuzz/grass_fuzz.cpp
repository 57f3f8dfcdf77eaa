// Grass reader: a rejection leaves an empty field; an accepted field has its
// blades, and a small one is set up and moved.
#include <cstdlib>

#include "dynamics/simulation.h"
#include "fuzz_input.h"
#include "platform/platform.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzz_input::writeScratch(data, size)) return 0;
    static Scene scene;
    GrassField& grass = scene.grass;
    Random random;
    if (!loadGrassFile(grass, fuzz_input::scratchPath().c_str(), random)) {
        if (grass.bladeCount != 0 || grass.blades) std::abort();
        return 0;
    }
    if (grass.bladeCount < 1 || grass.bladeCount > kMaxGrassBlades || !grass.blades) std::abort();
    if (grass.pointsPerBlade != kGrassLevels) std::abort();
    for (int i = 0; i < grass.bladeCount; ++i)
        if (grass.blades[i].textureIndex < 0 || grass.blades[i].textureIndex > 3) std::abort();
    if (grass.bladeCount <= 64) {
        const uint32_t seed = 1;
        setUpScene(scene, &seed);
        scene.input = {true, 800.0, Vec3{1.0, 0.0, 0.0, 0}, true};
        simulateStep(scene, kTimeStep);
    }
    return 0;
}
