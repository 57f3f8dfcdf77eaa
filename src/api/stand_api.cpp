// The library's stand: independent simulations in one wind, stepped side by
// side on a pool of workers, one tree per hand-out.
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "arborvane/arborvane.h"
#include "api/scene_access.h"
#include "api/simulation_state.h"
#include "platform/work_pool.h"
#include "scene/scene.h"
#include "wind/wind_driver.h"

namespace arborvane {

struct Stand::State {
    std::vector<Simulation> trees;          // in the order added; each steps on its caller's thread alone
    std::vector<Placement> placements; // where each tree stands
    std::unique_ptr<WorkPool> ownPool;      // a pool of its own (Workers::threads >= 1), else null
    WorkPool* pool = nullptr;               // the workers the trees are handed to
    WindDriver driver;                      // the one wind every tree is handed, trees added later too
    std::uint64_t steps = 0;                // steps since the first tree was added
    Lawn lawn;                              // what the first tree's grass grows to

    template <class Make>
    Result handOut(Make&& make);
};

namespace {

Result failure(std::string message) { return {false, std::move(message)}; }

} // namespace

Stand::Stand(Workers workers) : state_(std::make_unique<State>())
{
    if (workers.threads > 1) {
        state_->ownPool = std::make_unique<WorkPool>(workers.threads);
        state_->pool = state_->ownPool.get();
    } else if (workers.threads == 1) {
        state_->ownPool = std::make_unique<WorkPool>(1);
        state_->pool = state_->ownPool.get();
    } else {
        state_->pool = &WorkPool::shared();
    }
}
Stand::~Stand() = default;
Stand::Stand(Stand&&) noexcept = default;
Stand& Stand::operator=(Stand&&) noexcept = default;

Result Stand::addTree(const std::string& dataDir, const Placement& placement, std::uint32_t seed,
                      LoadSummary* summary)
{
    if (!state_) return failure("stand was moved from");
    if (state_->steps > 0) return failure("addTree() after the stand has stepped");
    // One thread per tree: the stand spreads the trees, not a tree's loops.
    Simulation sim(Workers{1});
    SceneAccess::seedNextOpen(sim, seed);
    const Lawn lawn = state_->trees.empty() ? state_->lawn : Lawn{};
    if (Result opened = sim.open(dataDir, OpenOptions{placement, lawn}, summary); !opened) return opened;
    if (Result set = sim.setUp(seed); !set) return set;
    if (Result driven = SceneAccess::drive(sim, state_->driver); !driven) return driven;
    state_->trees.push_back(std::move(sim));
    state_->placements.push_back(placement);
    return {};
}

Result Stand::setLawn(const Lawn& lawn)
{
    if (!state_) return failure("stand was moved from");
    if (!state_->trees.empty()) return failure("setLawn() after a tree was added");
    if (const std::string why = lawnFault(lawn); !why.empty()) return failure(why);
    state_->lawn = lawn;
    return {};
}

std::size_t Stand::treeCount() const { return state_ ? state_->trees.size() : 0; }

const Simulation& Stand::tree(std::size_t k) const { return state_->trees.at(k); }

const Placement& Stand::placement(std::size_t k) const { return state_->placements.at(k); }

// Each wind is checked and made once, on a simulation of no tree, and that
// one driver is handed to every tree: a refusal changes no tree.
template <class Make>
Result Stand::State::handOut(Make&& make)
{
    Simulation checker(Workers{1});
    if (Result made = make(checker); !made) return made;
    driver = SceneAccess::driver(checker);
    for (Simulation& sim : trees)
        if (Result r = SceneAccess::drive(sim, driver); !r) return r;
    return {};
}

Result Stand::setWind(const Wind& wind)
{
    if (!state_) return failure("stand was moved from");
    return state_->handOut([&](Simulation& s) { return s.setWind(wind); });
}

Result Stand::setWindSchedule(const std::string& path)
{
    if (!state_) return failure("stand was moved from");
    return state_->handOut([&](Simulation& s) { return s.setWindSchedule(path); });
}

Result Stand::setWindScheduleText(const std::string& json, const std::string& name)
{
    if (!state_) return failure("stand was moved from");
    return state_->handOut([&](Simulation& s) { return s.setWindScheduleText(json, name); });
}

Wind Stand::wind() const
{
    if (!state_) return Wind{};
    if (!state_->trees.empty()) return state_->trees.front().wind();
    Simulation alone(Workers{1});
    SceneAccess::drive(alone, state_->driver);
    return alone.wind();
}

Result Stand::step(int count)
{
    if (!state_) return failure("stand was moved from");
    if (count < 0) return failure("step count " + std::to_string(count) + " is negative");
    if (state_->trees.empty()) return failure("step before any tree was added");
    State& state = *state_;
    std::vector<Result> results(state.trees.size());
    // Each tree takes all its steps in one hand-out: the trees share nothing.
    auto stepTree = [&](int k) {
        Result& r = results[static_cast<std::size_t>(k)];
        try {
            r = state.trees[static_cast<std::size_t>(k)].step(count);
        } catch (...) { // step() lets nothing out; a failed allocation of the message still might
            r = failure("out of memory");
        }
    };
    // A tree alone on all the workers (a simulation moves the same on any workers).
    auto stepOnAll = [&](std::size_t k) {
        WorkPool* own = SceneAccess::stepOn(state.trees[k], state.pool);
        stepTree(static_cast<int>(k));
        SceneAccess::stepOn(state.trees[k], own);
    };
    const std::size_t n = state.trees.size();
    if (static_cast<int>(n) < state.pool->participants()) {
        // Fewer trees than workers: each in turn on all of them, so one tree is not left one core.
        for (std::size_t k = 0; k < n; ++k) stepOnAll(k);
    } else {
        // A grown lawn rides with the first tree and can outweigh all the
        // others: that tree spreads its blades over every worker first.
        const std::size_t first = state.lawn.x > 0.0 || state.lawn.z > 0.0 ? 1 : 0;
        if (first) stepOnAll(0);
        auto stepRest = [&](int k) { stepTree(k + static_cast<int>(first)); };
        work_pool::forEach(*state.pool, static_cast<int>(n - first), 1, stepRest);
    }
    state.steps += static_cast<std::uint64_t>(count);
    for (std::size_t k = 0; k < results.size(); ++k)
        if (!results[k]) return failure("tree " + std::to_string(k) + ": " + results[k].message);
    return {};
}

std::uint64_t Stand::stepCount() const { return state_ ? state_->steps : 0; }

// ---- The programs' hooks

Result SceneAccess::drive(Stand& stand, const WindDriver& driver)
{
    if (!stand.state_) return failure("stand was moved from");
    for (Simulation& sim : stand.state_->trees)
        if (Result r = drive(sim, driver); !r) return r;
    stand.state_->driver = driver;
    return {};
}

void SceneAccess::dropGrass(Stand& stand, std::size_t k)
{
    if (!stand.state_ || k >= stand.state_->trees.size()) return;
    Simulation& sim = stand.state_->trees[k];
    if (sim.state_->scene) sim.state_->scene->grass = GrassField{};
}

} // namespace arborvane
