// Grass reader: a rejection leaves an empty field; an accepted field has its
// blades, and a small one is set up and moved.
#include <cstdlib>

#include "dynamics/setup.h"
#include "dynamics/simulation.h"
#include "fuzz_input.h"
#include "platform/platform.h"
#include "tree/leaf_template.h"
#include "tree/tree_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzz_input::writeScratch(data, size)) return 0;
    static TreeModel model;
    static LeafTemplate tmpl;
    resetTreeModel(model);
    seedRandom(1);
    if (!loadGrassFile(model, fuzz_input::scratchPath().c_str())) {
        if (model.grassBladeCount != 0 || model.grassBlades) std::abort();
        return 0;
    }
    if (model.grassBladeCount < 1 || model.grassBladeCount > kMaxGrassBlades || !model.grassBlades) std::abort();
    if (model.grassPointsPerBlade != kGrassLevels) std::abort();
    for (int i = 0; i < model.grassBladeCount; ++i)
        if (model.grassBlades[i].textureIndex < 0 || model.grassBlades[i].textureIndex > 3) std::abort();
    if (model.grassBladeCount <= 64) {
        const uint32_t seed = 1;
        setUpSimulation(model, tmpl, &seed);
        simulateStep(model, true, 800.0, Vec3{1.0, 0.0, 0.0, 0}, kTimeStep, true);
    }
    return 0;
}
