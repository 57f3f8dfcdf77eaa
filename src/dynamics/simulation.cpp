#include "dynamics/simulation.h"

#include "dynamics/branch_dynamics.h"
#include "platform/work_pool.h"
#include "tree/refine.h"
#include "scene/scene.h"

void restoreBranch(Branch& b, const Branch& rest)
{
    b.baseTransform = identity();
    if (!b.points || !rest.points) return;
    b.pointCount = rest.pointCount;
    for (int j = 0; j < rest.pointCount; ++j) {
        b.points[j] = rest.points[j];
        b.radii[j] = rest.radii[j];
    }
    b.frameX = rest.frameX;
    b.frameY = rest.frameY;
    b.frameZ = rest.frameZ;
}

void restoreLeaf(Leaf& leaf)
{
    for (int k = 0; k < kPetiolePoints; ++k) leaf.petiolePoints[k] = leaf.restPetiolePoints[k];
    leaf.frameX = leaf.restFrameX;
    leaf.frameY = leaf.restFrameY;
    leaf.frameZ = leaf.restFrameZ;
    leaf.bladeMatrix = leaf.restBladeMatrix;
}

void restoreBlade(GrassBlade& blade)
{
    for (int j = 0; j < kGrassLevels; ++j) {
        blade.centre[j] = blade.restCentre[j];
        blade.edge[j] = blade.restEdge[j];
    }
}

void restoreRestState(Scene& scene)
{
    TreeModel& model = scene.tree;
    model.refined = false;
    const int count = liveBranchCount(model);
    for (int i = 0; i < count; ++i) {
        Branch& b = model.branches[i];
        restoreBranch(b, model.restBranches[i]);
        if (b.points && model.restBranches[i].points)
            for (Leaf& leaf : b.leaves) restoreLeaf(leaf);
    }
    if (!scene.grass.blades) return;
    for (int i = 0; i < scene.grass.bladeCount; ++i) restoreBlade(scene.grass.blades[i]);
}

void advanceWindCursors(WindField& wind)
{
    NoiseField* fields[3] = {&wind.u, &wind.v, &wind.w};
    for (NoiseField* f : fields) {
        const double n = f->size;
        f->offset[2] += f->speed[2];
        if (f->offset[2] > n) f->offset[2] -= n;
        f->offset[0] += f->speed[0];
        if (f->offset[0] > n) {
            f->offset[0] -= n;
            // The y cursor steps once per wrap of x, like a raster scan.
            f->offset[1] += f->speed[1];
            if (f->offset[1] > n) f->offset[1] -= n;
        }
    }
}

void simulateStep(Scene& scene, double timeStep, Arithmetic arithmetic)
{
    TreeModel& model = scene.tree;
    // Each step its own time, however many steps a frame takes.
    if (scene.windScheduled)
        scene.input.wind = evaluateWind(scene.windSchedule, static_cast<double>(scene.stepsTaken) * timeStep);
    updateDynamics(scene, timeStep, arithmetic); // from the rest state
    if (scene.input.refine) {
        model.triangleCount = model.triangleTotalShadowed;
        refineBranches(model, scene.scratch);
    } else {
        model.triangleCount = model.triangleTotalPlain;
    }
    advanceWindCursors(scene.wind);
    ++scene.stepsTaken;
}

int simulationThreads() { return WorkPool::shared().participants(); }

void setSimulationThreads(int count) { WorkPool::shared().setParticipants(count); }
