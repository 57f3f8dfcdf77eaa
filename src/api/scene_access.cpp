// The programs' hooks into a Simulation (api/scene_access.h).
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "api/scene_access.h"
#include "api/simulation_state.h"
#include "dynamics/simulation.h"

namespace arborvane {

namespace {

Result failure(std::string message) { return {false, std::move(message)}; }

} // namespace

const WindDriver& SceneAccess::driver(const Simulation& sim) { return sim.state_->driver; }

Result SceneAccess::drive(Simulation& sim, const WindDriver& driver)
{
    if (!sim.state_) return failure("simulation was moved from");
    try {
        sim.state_->driver = driver;
        sim.state_->source = nullptr;
        ++sim.state_->sourceChanges;
        if (sim.state_->scene) driveWind(*sim.state_->scene, sim.state_->driver);
        return {};
    } catch (const std::bad_alloc&) {
        return failure("out of memory");
    }
}

WorkPool* SceneAccess::stepOn(Simulation& sim, WorkPool* pool)
{
    WorkPool* before = std::exchange(sim.state_->pool, pool);
    if (sim.state_->scene) sim.state_->scene->pool = pool;
    return before;
}

void SceneAccess::seedNextOpen(Simulation& sim, std::uint32_t seed)
{
    if (sim.state_) sim.state_->nextSeed = seed;
}

} // namespace arborvane
