#include "dynamics/simulation.h"

#include "dynamics/branch_dynamics.h"
#include "platform/work_pool.h"
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

void refineBranches(TreeModel& model, RefineScratch& scratch)
{
    constexpr double t = 0.5;
    constexpr double h00 = 2 * t * t * t - 3 * t * t + 1;
    constexpr double h10 = t * t * t - 2 * t * t + t;
    constexpr double h01 = 3 * t * t - 2 * t * t * t;
    constexpr double h11 = t * t * t - t * t;
    const int count = liveBranchCount(model);
    Vec3* out = scratch.points;
    double* outRadii = scratch.radii;
    for (int b = 0; b < count; ++b) {
        Branch& branch = model.branches[b];
        const int n = branch.pointCount;
        // The scratch holds 2 * 40 - 1 points; the arrays hold 2N - 1.
        if (!branch.points || n < 1 || n > kMaxBranchPoints) continue;
        const Vec3* p = branch.points.get();
        const double* r = branch.radii.get();
        out[0] = p[0];
        outRadii[0] = r[0];
        for (int i = 0; i + 1 < n; ++i) {
            const Vec3& p1 = p[i];
            const Vec3& p2 = p[i + 1];
            const Vec3 p0 = i == 0 ? sub(add(p1, p1), p2) : p[i - 1];
            const Vec3 p3 = i == n - 2 ? sub(add(p2, p2), p1) : p[i + 2];
            const Vec3 t1 = scale(sub(p2, p0), 0.5);
            const Vec3 t2 = scale(sub(p3, p1), 0.5);
            Vec3 mid = add(add(add(scale(p1, h00), scale(t1, h10)), scale(p2, h01)), scale(t2, h11));
            mid.status = 0;
            out[2 * i + 1] = mid;
            outRadii[2 * i + 1] = r[i] + (r[i + 1] - r[i]) * 0.5;
            out[2 * i + 2] = p2;
            outRadii[2 * i + 2] = r[i + 1];
        }
        const int refined = 2 * n - 1;
        for (int k = 0; k < refined; ++k) {
            branch.points[k] = out[k];
            branch.radii[k] = outRadii[k];
        }
        branch.pointCount = refined;
    }
    model.refined = true;
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
    updateDynamics(scene, timeStep, arithmetic); // from the rest state
    if (scene.input.refine) {
        model.triangleCount = model.triangleTotalShadowed;
        refineBranches(model, scene.scratch);
    } else {
        model.triangleCount = model.triangleTotalPlain;
    }
    advanceWindCursors(scene.wind);
}

int simulationThreads() { return work_pool::threadCount(); }

void setSimulationThreads(int count) { work_pool::setThreadCount(count); }
