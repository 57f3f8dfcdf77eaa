// Tree model reader: a rejected file leaves no branches; an accepted one has
// every row inside its limits, and set-up and a step run on it.
#include <cstdlib>

#include "dynamics/simulation.h"
#include "fuzz_input.h"
#include "scene/scene.h"

namespace {

void checkAccepted(const TreeModel& model)
{
    if (model.branchCount != kBranchCount) std::abort();
    for (int i = 0; i < kBranchCount; ++i) {
        const Branch& b = model.branches[i];
        if (b.pointCount < 2 || b.pointCount > kMaxBranchPoints) std::abort();
        if (model.restBranches[i].pointCount != b.pointCount) std::abort();
        int lastAttach = 0;
        for (int c = 0; c < b.childCount; ++c) {
            const BranchChild& child = b.children[c];
            if (child.childIndex <= i || child.childIndex >= kBranchCount) std::abort();
            if (child.attachPoint < lastAttach || child.attachPoint >= b.pointCount) std::abort();
            lastAttach = child.attachPoint;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzz_input::writeScratch(data, size)) return 0;
    static Scene scene;
    TreeModel& model = scene.tree;
    resetTreeModel(model);
    if (!loadTreeModel(model, fuzz_input::scratchPath().c_str())) {
        if (model.branchCount != 0) std::abort();
        for (const Branch& b : model.branches)
            if (b.points || b.pointCount != -1) std::abort();
        return 0;
    }
    checkAccepted(model);
    const uint32_t seed = 1;
    setUpScene(scene, &seed);
    scene.input = {true, 800.0, Vec3{1.0, 0.0, 0.0, 0}, true};
    simulateStep(scene, kTimeStep);
    scene.input = {false, 200.0, Vec3{0.0, 1.0, 0.0, 0}, false};
    simulateStep(scene, kTimeStep);
    return 0;
}
