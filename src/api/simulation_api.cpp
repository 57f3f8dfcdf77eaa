// The library face of the core (include/arborvane/arborvane.h): a Scene
// behind a pimpl, errors as results, the console caught instead of printed.
//
// Sections, in order:
//   Records: Caught, Simulation::State
//   Call helpers: CoreCall, callUser, takeLines, checkWind, guarded, refuseInStep
//   Life cycle: version, open, close, setUp
//   Wind: setWind, setWindSchedule, setWindScheduleText, setWindSource
//   Stepping: step, timeStep, stepCount, setMessageHandler
//   Views: branchPoints, branchRadii, leafBladeMatrices, leafPetiole, grassCentre, grassEdge
#include <charconv>
#include <cmath>
#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "arborvane/arborvane.h"
#include "api/scene_access.h"
#include "api/simulation_state.h"
#include "arborvane_build_config.h"
#include "dynamics/simulation.h"
#include "platform/platform.h"
#include "platform/work_pool.h"
#include "scene/scene.h"
#include "wind/wind_schedule.h"
#include "wind/wind_schedule_file.h"
#include "wind/wind_settings.h"

namespace arborvane {

// ---- Records

// The public records read the core's own arrays in place.
static_assert(offsetof(Vec3, x) == offsetof(Point3, x) && offsetof(Vec3, y) == offsetof(Point3, y) &&
              offsetof(Vec3, z) == offsetof(Point3, z));
static_assert(sizeof(Mat4) == sizeof(Matrix4) && offsetof(Mat4, m) == offsetof(Matrix4, m));

// ---- Call helpers

namespace {

void catchConsole(void* context, const char* text, bool)
{
    auto& state = *static_cast<Caught*>(context);
    state.partial += text;
    for (std::size_t end; (end = state.partial.find('\n')) != std::string::npos;) {
        state.lines.push_back(state.partial.substr(0, end));
        state.partial.erase(0, end + 1);
    }
}

// One call into the core, with the calling thread's console caught into
// state. Nothing else is shared: each simulation has its own generator and
// is handed its workers.
class CoreCall {
public:
    explicit CoreCall(Caught& caught) { setConsoleSink(catchConsole, &caught); }
    ~CoreCall() { setConsoleSink(nullptr, nullptr); }
    CoreCall(const CoreCall&) = delete;
    CoreCall& operator=(const CoreCall&) = delete;
};

Result failure(std::string message) { return {false, std::move(message)}; }

Wind publicWind(const WindSettings& w)
{
    return {w.gale ? WindRegime::gale : WindRegime::breeze, w.magnitude, {w.direction.x, w.direction.y, w.direction.z}};
}

// Runs call(f) on the user's function held in slot; what it throws becomes a result
// "<who> threw: <what()>". The function may set the slot again while it runs (changes
// counts that): it is moved out for the call, so it lives to its end, and put back
// unless replaced meanwhile.
template <class F, class Call>
Result callUser(const char* who, F& slot, const std::uint64_t& changes, Call&& call)
{
    F held = std::move(slot);
    slot = nullptr;
    const std::uint64_t before = changes;
    Result result;
    try {
        call(held);
    } catch (const std::exception& e) {
        result = failure(std::string(who) + " threw: " + e.what());
    } catch (...) {
        result = failure(std::string(who) + " threw something other than a std::exception");
    }
    if (changes == before) slot = std::move(held);
    return result;
}

// The caught lines into lines, handed on outside the lock so the handler may call
// back in; a handler that throws gets no more of them.
template <class StateT>
Result takeLines(StateT& state, std::vector<std::string>* lines = nullptr)
{
    Caught& caught = state.caught;
    if (!caught.partial.empty()) caught.lines.push_back(std::move(caught.partial));
    caught.partial.clear();
    std::vector<std::string> taken = std::move(caught.lines);
    caught.lines.clear();
    Result handed;
    for (std::size_t i = 0; i < taken.size() && handed && state.handler; ++i)
        handed = callUser("message handler", state.handler, state.handlerChanges, [&](auto& f) { f(taken[i]); });
    if (lines) *lines = std::move(taken);
    return handed;
}

// Numbers in messages as given: the shortest text that reads back as the same double.
std::string exactText(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

Result checkWind(const Wind& wind, WindSettings& settings)
{
    if (wind.regime != WindRegime::breeze && wind.regime != WindRegime::gale)
        return failure("wind regime " + std::to_string(static_cast<int>(wind.regime)) +
                       " is neither breeze (0) nor gale (1)");
    if (!std::isfinite(wind.magnitude) || wind.magnitude < 0.0 || wind.magnitude > 800.0)
        return failure("wind magnitude " + exactText(wind.magnitude) + " is outside 0..800");
    const Point3& d = wind.direction;
    // The rule and wording of a wind file and --wind-dir.
    if (const std::string why = windDirectionFault(d.x, d.y, d.z); !why.empty())
        return failure("wind direction (" + exactText(d.x) + ", " + exactText(d.y) + ", " + exactText(d.z) + "): " + why);
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    settings.gale = wind.regime == WindRegime::gale;
    settings.magnitude = wind.magnitude;
    settings.direction = {d.x / length, d.y / length, d.z / length, 0};
    return {};
}

// A call's body with every exception turned into a result.
template <class Body>
Result guarded(Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return failure("out of memory");
    } catch (const std::exception& e) {
        return failure(e.what());
    } catch (...) {
        return failure("unexpected failure");
    }
}

// A call from inside step() (from the wind source) that would replace or drop the
// scene the step works on: refused, and the step stops with the same message.
template <class StateT>
Result refuseInStep(StateT& state, const char* call)
{
    if (!state.stepping) return {};
    Result refused = failure(std::string(call) + "() called from inside step()");
    if (state.refused.empty()) state.refused = refused.message;
    return refused;
}

// Why a placement cannot be used, or empty.
std::string placementFault(const Placement& p)
{
    for (auto [value, name, limit] : {std::tuple{p.x, "x", 1e6}, std::tuple{p.z, "z", 1e6}, std::tuple{p.turn, "turn", 360.0}})
        if (!(std::isfinite(value) && std::fabs(value) <= limit))
            return std::string("placement ") + name + " " + exactText(value) + " is outside -" + exactText(limit) + ".." +
                   exactText(limit);
    return {};
}

TreePlacement corePlacement(const Placement& p) { return {p.x, p.z, p.turn}; }

std::string lawnTooLarge(const Lawn& lawn, int fieldBlades)
{
    return "lawn " + exactText(lawn.x) + " x " + exactText(lawn.z) + " needs more than " +
           std::to_string(kMaxLawnBlades) + " blades (" + std::to_string(fieldBlades) + " a tile)";
}

std::string missingParts(const LoadReport& report)
{
    std::string parts;
    for (auto [ok, name] : {std::pair{report.leaf, "leaf template"}, std::pair{report.noise, "noise grids"},
                            std::pair{report.tree, "tree"}, std::pair{report.grass, "grass"}})
        if (!ok) parts += (parts.empty() ? "" : ", ") + std::string(name);
    return parts;
}

const Branch* branchAt(const std::unique_ptr<Scene>& scene, std::size_t branch)
{
    if (!scene || branch >= static_cast<std::size_t>(scene->tree.branchCount)) return nullptr;
    const Branch& b = scene->tree.branches[branch];
    return b.pointCount > 0 && b.points ? &b : nullptr;
}

const GrassBlade* bladeAt(const std::unique_ptr<Scene>& scene, std::size_t blade)
{
    if (!scene || !scene->grass.blades || blade >= static_cast<std::size_t>(scene->grass.bladeCount)) return nullptr;
    return &scene->grass.blades[blade];
}

} // namespace

std::string lawnFault(const Lawn& lawn)
{
    for (auto [value, name] : {std::pair{lawn.x, "x"}, std::pair{lawn.z, "z"}})
        if (!(std::isfinite(value) && value >= 0.0 && value <= 1000.0))
            return std::string("lawn ") + name + " " + exactText(value) + " is outside 0..1000";
    return {};
}

// ---- Life cycle

const char* version() { return ARBORVANE_VERSION_STRING; }

Simulation::Simulation() : Simulation(Workers{}) {}

Simulation::Simulation(Workers workers, CentreLines lines) : state_(std::make_unique<State>())
{
    state_->refined = lines != CentreLines::asInFile;
    if (workers.threads > 0) {
        state_->ownPool = std::make_unique<WorkPool>(workers.threads);
        state_->pool = state_->ownPool.get();
    } else {
        state_->pool = &WorkPool::shared();
    }
}
Simulation::~Simulation() = default;
Simulation::Simulation(Simulation&&) noexcept = default;
Simulation& Simulation::operator=(Simulation&&) noexcept = default;

Result Simulation::open(const std::string& dataDir, LoadSummary* summary) { return open(dataDir, OpenOptions{}, summary); }

Result Simulation::open(const std::string& dataDir, const OpenOptions& options, LoadSummary* summary)
{
    if (!state_) return failure("simulation was moved from");
    if (Result refused = refuseInStep(*state_, "open"); !refused) return refused;
    if (const std::string why = placementFault(options.placement); !why.empty()) return failure(why);
    if (const std::string why = lawnFault(options.lawn); !why.empty()) return failure(why);
    if (summary) *summary = {};
    close();
    state_->options = options;
    LoadReport report;
    Result result = guarded([&]() -> Result {
        // A fresh scene's generator is at its start state, as in a fresh process.
        auto scene = std::make_unique<Scene>();
        CoreCall call(state_->caught);
        const std::uint32_t seed = std::exchange(state_->nextSeed, 1);
        report = startSimulation(*scene, {dataDir, &seed, state_->refined, state_->pool,
                                          corePlacement(state_->options.placement),
                                          {state_->options.lawn.x, state_->options.lawn.z}});
        if (scene->lawnRefused) return failure(lawnTooLarge(state_->options.lawn, scene->grass.bladeCount));
        if (report.complete()) {
            driveWind(*scene, state_->driver);
            state_->scene = std::move(scene);
            state_->dataDir = dataDir;
            state_->sceneSeed = seed;
        }
        return {};
    });
    std::vector<std::string> lines;
    const Result handed = takeLines(*state_, &lines);
    if (summary) {
        *summary = {report.leaf, report.noise, report.tree, report.grass, 0, 0, std::move(lines), report.failedFile};
        if (state_->scene) {
            summary->branches = static_cast<std::size_t>(state_->scene->tree.branchCount);
            summary->grassBlades = static_cast<std::size_t>(state_->scene->grass.bladeCount);
        }
    }
    if (result && !report.complete()) return failure("data folder " + dataDir + ": could not load " + missingParts(report));
    if (result && !handed) close(); // a failed open() leaves none open
    return result ? handed : result;
}

void Simulation::close()
{
    if (!state_ || !refuseInStep(*state_, "close")) return;
    state_->scene.reset();
    state_->setUp = false;
    state_->steps = 0;
}

bool Simulation::isOpen() const { return state_ && state_->scene; }

Placement Simulation::placement() const { return state_ ? state_->options.placement : Placement{}; }

Result Simulation::setUp(std::uint32_t seed)
{
    if (state_)
        if (Result refused = refuseInStep(*state_, "setUp"); !refused) return refused;
    if (!isOpen()) return failure("no data folder is open");
    // open() set the scene up already, with its seed. Another seed, or a
    // second set-up, starts over from the folder: the noise cursors and the
    // refined centre lines have moved on since.
    if (state_->setUp || seed != state_->sceneSeed) {
        const std::string dataDir = state_->dataDir;
        state_->nextSeed = seed;
        const OpenOptions options = state_->options;
        if (Result reopened = open(dataDir, options); !reopened) return reopened;
        if (!isOpen()) return failure("no data folder is open"); // the message handler closed it
    }
    state_->setUp = true;
    state_->steps = 0;
    return {};
}

// ---- Wind

Result Simulation::setWind(const Wind& wind)
{
    if (!state_) return failure("simulation was moved from");
    WindSettings settings;
    if (Result checked = checkWind(wind, settings); !checked) return checked;
    state_->driver = {settings, false, {}};
    state_->source = nullptr;
    if (state_->scene) driveWind(*state_->scene, state_->driver);
    ++state_->sourceChanges;
    return {};
}

namespace {

// Reads a schedule with read(schedule, error); it plays from the next step.
template <class StatePtr, class Read>
Result playSchedule(StatePtr& state, Read&& read)
{
    if (!state) return failure("simulation was moved from");
    return guarded([&]() -> Result {
        WindSchedule schedule;
        std::string error;
        if (!read(schedule, error)) return failure(error);
        state->driver.scheduled = true;
        state->driver.schedule = std::move(schedule);
        if (state->scene) driveWind(*state->scene, state->driver);
        return {};
    });
}

} // namespace

Result Simulation::setWindSchedule(const std::string& path)
{
    return playSchedule(state_, [&](WindSchedule& s, std::string& e) { return loadWindSchedule(path, s, e); });
}

Result Simulation::setWindScheduleText(const std::string& json, const std::string& name)
{
    return playSchedule(state_, [&](WindSchedule& s, std::string& e) { return parseWindSchedule(json, name, s, e); });
}

bool Simulation::windScheduled() const { return state_ && state_->driver.scheduled; }

Wind Simulation::wind() const
{
    if (!state_) return Wind{};
    if (state_->scene) return publicWind(state_->scene->lastWind);
    return publicWind(windAt(state_->driver, static_cast<double>(state_->steps) * kTimeStep));
}

void Simulation::setWindSource(WindSource source)
{
    if (!state_) return;
    state_->source = std::move(source);
    state_->driver.scheduled = false; // an empty source: the last setWind() value again
    ++state_->sourceChanges;
}

// ---- Stepping

Result Simulation::step(int count)
{
    if (state_)
        if (Result refused = refuseInStep(*state_, "step"); !refused) return refused;
    if (count < 0) return failure("step count " + std::to_string(count) + " is negative");
    if (!isOpen() || !state_->setUp) return failure("step before setUp");
    State& state = *state_;
    state.stepping = true; // the source may call back in; the scene stays until the step ends
    state.refused.clear();
    Result result = guarded([&]() -> Result {
        Scene& scene = *state.scene;
        for (int i = 0; i < count; ++i) {
            if (!state.driver.scheduled && state.source) {
                Wind wind;
                const double seconds = static_cast<double>(state.steps) * kTimeStep;
                if (Result asked = callUser("wind source", state.source, state.sourceChanges,
                                            [&](auto& f) { wind = f(state.steps, seconds); });
                    !asked)
                    return asked;
                if (!state.refused.empty()) return failure(state.refused);
                WindSettings settings;
                if (Result checked = checkWind(wind, settings); !checked) return checked;
                // A schedule the source set drives this step already.
                if (!state.driver.scheduled) driveWind(scene, {settings, false, {}});
            } else {
                driveWind(scene, state.driver);
            }
            CoreCall call(state.caught);
            simulateStep(scene, kTimeStep); // the schedule's time is the scene's: stepCount() x timeStep()
            ++state.steps;
        }
        return {};
    });
    state.stepping = false;
    if (Result handed = takeLines(state); result && !handed) return handed;
    return result;
}

double Simulation::timeStep() { return kTimeStep; }

std::uint64_t Simulation::stepCount() const { return state_ ? state_->steps : 0; }

void Simulation::setMessageHandler(std::function<void(const std::string&)> handler)
{
    if (!state_) return;
    state_->handler = std::move(handler);
    ++state_->handlerChanges;
}

// ---- Views (the rest state's in rest_views.cpp)

const Scene* SceneAccess::scene(const Simulation& sim) { return sim.isOpen() ? sim.state_->scene.get() : nullptr; }

Scene* SceneAccess::changeableScene(Simulation& sim)
{
    return sim.isOpen() && !sim.state_->stepping ? sim.state_->scene.get() : nullptr;
}

std::size_t Simulation::branchCount() const
{
    return isOpen() ? static_cast<std::size_t>(state_->scene->tree.branchCount) : 0;
}

Strided<Point3> Simulation::branchPoints(std::size_t branch) const
{
    const Branch* b = isOpen() ? branchAt(state_->scene, branch) : nullptr;
    return b ? Strided<Point3>(&b->points[0], static_cast<std::size_t>(b->pointCount), sizeof(Vec3)) : Strided<Point3>();
}

std::span<const double> Simulation::branchRadii(std::size_t branch) const
{
    const Branch* b = isOpen() ? branchAt(state_->scene, branch) : nullptr;
    return b ? std::span<const double>(b->radii.get(), static_cast<std::size_t>(b->pointCount)) : std::span<const double>();
}

std::size_t Simulation::leavesPerBranch() const { return kLeavesPerBranch; }

Strided<Matrix4> Simulation::leafBladeMatrices(std::size_t branch) const
{
    const Branch* b = isOpen() ? branchAt(state_->scene, branch) : nullptr;
    return b ? Strided<Matrix4>(&b->leaves[0].bladeMatrix, kLeavesPerBranch, sizeof(Leaf)) : Strided<Matrix4>();
}

Strided<Point3> Simulation::leafPetiole(std::size_t branch, std::size_t leaf) const
{
    const Branch* b = isOpen() ? branchAt(state_->scene, branch) : nullptr;
    if (!b || leaf >= static_cast<std::size_t>(kLeavesPerBranch)) return {};
    const Leaf& l = b->leaves[leaf];
    return Strided<Point3>(&l.petiolePoints[0], static_cast<std::size_t>(l.pointCount), sizeof(Vec3));
}

Strided<Point3> Simulation::leafBladeVertices() const
{
    if (!isOpen()) return {};
    return Strided<Point3>(&state_->scene->leafTemplate.bladeVertices[0], kBladeVertices, sizeof(Vec3));
}

std::span<const std::int32_t> Simulation::leafBladeTriangles() const
{
    if (!isOpen()) return {};
    return std::span<const std::int32_t>(&state_->scene->leafTemplate.bladeFaces[0][0], 3 * kBladeFaces);
}

std::size_t Simulation::grassBladeCount() const
{
    return isOpen() && state_->scene->grass.blades ? static_cast<std::size_t>(state_->scene->grass.bladeCount) : 0;
}

Strided<Point3> Simulation::grassCentre(std::size_t blade) const
{
    const GrassBlade* g = isOpen() ? bladeAt(state_->scene, blade) : nullptr;
    return g ? Strided<Point3>(&g->centre[0], kGrassLevels, sizeof(Vec3)) : Strided<Point3>();
}

Strided<Point3> Simulation::grassEdge(std::size_t blade) const
{
    const GrassBlade* g = isOpen() ? bladeAt(state_->scene, blade) : nullptr;
    return g ? Strided<Point3>(&g->edge[0], kGrassLevels, sizeof(Vec3)) : Strided<Point3>();
}

} // namespace arborvane
