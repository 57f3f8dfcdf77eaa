#include "dynamics/simulation.h"

#include "dynamics/branch_dynamics.h"
#include "platform/work_pool.h"
#include "tree/refine.h"
#include "scene/scene.h"

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
    scene.lastWind = scene.input.wind;
    updateDynamics(scene, timeStep, arithmetic); // from the rest state
    if (scene.input.refine) {
        model.triangleCount = model.triangleTotalShadowed;
        refineBranches(model, scene.scratch);
    } else {
        model.triangleCount = model.triangleTotalPlain;
    }
    advanceWindCursors(scene.wind);
    ++scene.stepsTaken;
    // Each step its own time, however many steps a frame takes.
    if (scene.windDriver.scheduled)
        scene.input.wind = evaluateWind(scene.windDriver.schedule, static_cast<double>(scene.stepsTaken) * timeStep);
}

void driveWind(Scene& scene, const WindDriver& driver)
{
    if (sameWindDriver(scene.windDriver, driver)) return;
    scene.windDriver = driver;
    scene.input.wind = windAt(driver, static_cast<double>(scene.stepsTaken) * kTimeStep);
    scene.lastWind = scene.input.wind;
}

int simulationThreads() { return WorkPool::shared().participants(); }

void setSimulationThreads(int count) { WorkPool::shared().setParticipants(count); }
