// The library face of the core (include/arborvane/arborvane.h): a Scene
// behind a pimpl, errors as results, the console caught instead of printed.
//
// Sections, in order:
//   Records: Caught, Simulation::State
//   Call helpers: CoreCall, takeLines, checkWind, guarded
//   Life cycle: version, open, close, setUp
//   Wind: setWind, setWindSchedule, setWindScheduleText, setWindSource
//   Stepping: step, timeStep, stepCount, setMessageHandler
//   Views: branchPoints, branchRadii, leafBladeMatrices, leafPetiole, grassCentre, grassEdge
#include <cmath>
#include <cstddef>
#include <exception>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "arborvane/arborvane.h"
#include "dynamics/simulation.h"
#include "platform/platform.h"
#include "platform/work_pool.h"
#include "platform/version.h"
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

namespace {

// Console text caught during one call.
struct Caught {
    std::string partial;            // text not yet ended by a newline
    std::vector<std::string> lines; // lines not yet handed on
};

} // namespace

struct Simulation::State {
    std::unique_ptr<Scene> scene;                    // null until open()
    std::string dataDir;                             // the folder open() read
    bool setUp = false;                              // setUp() done since open()
    Wind wind;                                       // last setWind() value
    WindSource source;                               // asked before every step when set
    bool scheduled = false;                          // schedule drives the wind (over source and wind)
    WindSchedule schedule;                           // played at steps x timeStep while scheduled
    std::uint64_t steps = 0;                         // since setUp()
    std::function<void(const std::string&)> handler; // the loaders' lines, when set
    Caught caught;                                   // console text of the call under way
    std::unique_ptr<WorkPool> ownPool;               // a pool of its own (Workers::threads > 1), else null
    WorkPool* pool = nullptr;                        // what its steps run on: ownPool, a single-thread pool or the shared one
};

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

// The caught lines, handed on outside the lock so the handler may call back in.
std::vector<std::string> takeLines(Caught& caught, const std::function<void(const std::string&)>& handler)
{
    if (!caught.partial.empty()) caught.lines.push_back(std::move(caught.partial));
    caught.partial.clear();
    std::vector<std::string> lines = std::move(caught.lines);
    caught.lines.clear();
    if (handler)
        for (const std::string& line : lines) handler(line);
    return lines;
}

Result checkWind(const Wind& wind, WindSettings& settings)
{
    if (!std::isfinite(wind.magnitude) || wind.magnitude < 0.0 || wind.magnitude > 800.0)
        return failure("wind magnitude " + std::to_string(wind.magnitude) + " is outside 0..800");
    const Point3& d = wind.direction;
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (!std::isfinite(length) || length == 0.0) return failure("wind direction has no length");
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

// ---- Life cycle

const char* version() { return arborvaneVersion(); }

Simulation::Simulation() : Simulation(Workers{}) {}

Simulation::Simulation(Workers workers) : state_(std::make_unique<State>())
{
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

Result Simulation::open(const std::string& dataDir, LoadSummary* summary)
{
    if (!state_) return failure("simulation was moved from");
    if (summary) *summary = {};
    close();
    LoadReport report;
    Result result = guarded([&]() -> Result {
        auto scene = std::make_unique<Scene>();
        CoreCall call(state_->caught);
        scene->pool = state_->pool; // a fresh scene's generator is at its start state, as in a fresh process
        report = loadScene(*scene, dataDir);
        if (report.complete()) {
            state_->scene = std::move(scene);
            state_->dataDir = dataDir;
        }
        return {};
    });
    std::vector<std::string> lines = takeLines(state_->caught, state_->handler);
    if (summary) {
        *summary = {report.leaf, report.noise, report.tree, report.grass, 0, 0, std::move(lines)};
        if (state_->scene) {
            summary->branches = static_cast<std::size_t>(state_->scene->tree.branchCount);
            summary->grassBlades = static_cast<std::size_t>(state_->scene->grass.bladeCount);
        }
    }
    if (result && !report.complete()) return failure("data folder " + dataDir + ": could not load " + missingParts(report));
    return result;
}

void Simulation::close()
{
    if (!state_) return;
    state_->scene.reset();
    state_->setUp = false;
    state_->steps = 0;
}

bool Simulation::isOpen() const { return state_ && state_->scene; }

Result Simulation::setUp(std::uint32_t seed)
{
    if (!isOpen()) return failure("no data folder is open");
    if (state_->setUp) {
        // Starting over reads the folder again: the noise cursors and the
        // refined centre lines have moved on since the first set-up.
        const std::string dataDir = state_->dataDir;
        if (Result reopened = open(dataDir); !reopened) return reopened;
    }
    Result result = guarded([&]() -> Result {
        CoreCall call(state_->caught);
        setUpScene(*state_->scene, &seed);
        return {};
    });
    takeLines(state_->caught, state_->handler);
    state_->setUp = static_cast<bool>(result);
    state_->steps = 0;
    return result;
}

// ---- Wind

Result Simulation::setWind(const Wind& wind)
{
    if (!state_) return failure("simulation was moved from");
    WindSettings settings;
    if (Result checked = checkWind(wind, settings); !checked) return checked;
    state_->wind = wind;
    state_->source = nullptr;
    state_->scheduled = false;
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
        state->schedule = std::move(schedule);
        state->scheduled = true;
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

bool Simulation::windScheduled() const { return state_ && state_->scheduled; }

Wind Simulation::wind() const { return state_ ? state_->wind : Wind{}; }

void Simulation::setWindSource(WindSource source)
{
    if (!state_) return;
    state_->source = std::move(source);
    state_->scheduled = false;
}

// ---- Stepping

Result Simulation::step(int count)
{
    if (!isOpen() || !state_->setUp) return failure("step before setUp");
    State& state = *state_;
    Result result = guarded([&]() -> Result {
        Scene& scene = *state.scene;
        scene.windScheduled = state.scheduled; // the step evaluates the schedule itself
        if (state.scheduled) scene.windSchedule = state.schedule;
        for (int i = 0; i < count; ++i) {
            WindSettings settings;
            if (!state.scheduled) {
                const Wind wind = state.source ? state.source(state.steps, static_cast<double>(state.steps) * kTimeStep) : state.wind;
                if (Result checked = checkWind(wind, settings); !checked) return checked;
            }
            CoreCall call(state.caught);
            if (!state.scheduled) scene.input.wind = settings;
            scene.stepsTaken = static_cast<int64_t>(state.steps); // schedule time is stepCount() x timeStep()
            simulateStep(scene, kTimeStep);
            ++state.steps;
        }
        return {};
    });
    takeLines(state.caught, state.handler);
    return result;
}

double Simulation::timeStep() { return kTimeStep; }

std::uint64_t Simulation::stepCount() const { return state_ ? state_->steps : 0; }

void Simulation::setMessageHandler(std::function<void(const std::string&)> handler)
{
    if (state_) state_->handler = std::move(handler);
}

// ---- Views

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
