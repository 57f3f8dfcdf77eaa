#include "export/export_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The slowest oscillator (the trunk: 0.4 Hz at 0.12 of critical damping)
// loses e^-12 of a start in this long, far below a float track's resolution.
constexpr double kSettleSeconds = 40.0;

// Whole periods of an n-cell grid over `steps` steps nearest `speed`, as a speed.
double periodic(double speed, int n, int steps, int atLeast, int& periods)
{
    periods = std::max(atLeast, static_cast<int>(std::lround(speed * steps / n)));
    return static_cast<double>(periods) * n / steps;
}

} // namespace

LoopPlan planLoop(const arborvane::Simulation& sim, int steps)
{
    LoopPlan plan;
    plan.steps = steps;
    const int n = sim.noiseGridSize();
    const arborvane::Point3 now = sim.noiseSpeed();
    int px = 0, pz = 0, py = 0;
    plan.speed.x = periodic(now.x, n, steps, 0, px);
    plan.speed.z = periodic(now.z, n, steps, 1, pz);
    // y steps once per wrap of x: px steps of it must make whole periods.
    plan.speed.y = px > 0 ? periodic(now.y, n, px, 0, py) : now.y;
    const int settle = static_cast<int>(std::ceil(kSettleSeconds / arborvane::Simulation::timeStep()));
    plan.settleSteps = (settle + steps - 1) / steps * steps;
    return plan;
}

bool settleLoop(arborvane::Simulation& sim, const LoopPlan& plan, std::string& error)
{
    arborvane::Result r = sim.setNoiseSpeed(plan.speed);
    if (r) r = sim.step(plan.settleSteps);
    if (!r) error = r.message;
    return r.ok;
}

std::string describeLoop(const LoopPlan& plan)
{
    char line[256];
    std::snprintf(line, sizeof line,
                  "Loop: a true loop of %d steps: the noise scrolls (%.4g, %.4g, %.4g) cells per step, whole grid "
                  "periods over the clip, after %.0f s of settling",
                  plan.steps, plan.speed.x, plan.speed.y, plan.speed.z,
                  plan.settleSteps * arborvane::Simulation::timeStep());
    return line;
}
