// Arborvane as a library: one broad-leaved tree in a grass field moving in
// turbulent wind, without a window.
//
//     arborvane::Simulation sim;
//     if (auto r = sim.open("/usr/share/arborvane/data"); !r) { report(r.message); }
//     sim.setUp(1);
//     sim.setWind({arborvane::WindRegime::gale, 400.0, {1.0, 0.0, 0.0}});
//     for (int i = 0; i < 100; ++i) sim.step();
//     arborvane::Strided<arborvane::Point3> trunk = sim.branchPoints(0);
//
// Link with Arborvane::core (find_package(Arborvane CONFIG REQUIRED)); C++20.
//
// Errors: every call that can fail returns a Result with a message; no
// exception leaves the library: one thrown by a wind source or the message
// handler fails the call under way with "wind source threw: <what()>" or
// "message handler threw: <what()>". Nothing is printed: the loaders' lines go
// to LoadSummary::messages and to the message handler, if one is set.
//
// Callbacks: a wind source and the message handler may call back into their
// Simulation, but not to replace or drop the scene a step is working on: from
// inside step(), open(), setUp() and step() fail and close() does nothing,
// and the step stops there with "<call>() called from inside step()". A
// callback may set a new source or handler; the running one finishes its call
// first. A callback must not move, assign or destroy its Simulation.
//
// Ownership: a Simulation owns its scene and every array in it; the views it
// hands out own nothing and are read-only (lifetime in views.h).
//
// Threads: one Simulation is used from one thread at a time. Different
// Simulations may live on different threads and run at the same time: each
// owns its random generator and its console lines, and is handed the workers
// it steps on (Workers). The result is the same for any thread count, alone
// or beside other simulations.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "arborvane/views.h"

namespace arborvane {

// This library's version, "major.minor.patch". A static string.
const char* version();

// What a call did: ok, or why not.
struct Result {
    bool ok = true;      // the call did what it says
    std::string message; // why not; empty when ok
    explicit operator bool() const { return ok; }
};

// What open() read from the data folder.
struct LoadSummary {
    bool leaf = false;                 // leaf template
    bool noise = false;                // the three wind noise grids
    bool tree = false;                 // tree skeleton
    bool grass = false;                // grass field
    std::size_t branches = 0;          // branches in the tree
    std::size_t grassBlades = 0;       // blades in the grass field
    std::vector<std::string> messages; // the loaders' lines, in order, without newlines
    std::string failedFile;            // the first file that did not load (of the noise grids, the one at
                                       // fault); empty when all did
    bool complete() const { return leaf && noise && tree && grass; }
};

// The two wind regimes: a moderate gale, or a light breeze.
enum class WindRegime { breeze, gale };

// The wind the next steps are driven by.
struct Wind {
    WindRegime regime = WindRegime::gale; // gale or breeze
    double magnitude = 400.0;             // force units per unit of noise, 0..800
    Point3 direction{1.0, 0.0, 0.0};      // direction in tree space, normalised on use; needs a horizontal (x or z) part
};

// Asked for the wind before every step: stepIndex counts steps since setUp()
// (0 for the first), seconds = stepIndex * timeStep(). Lets the wind change
// over time without the caller stepping one by one.
using WindSource = std::function<Wind(std::uint64_t stepIndex, double seconds)>;

// The worker threads step() spreads its work over, chosen when the
// simulation is made.
struct Workers {
    // 0: the process's shared pool (one thread per core, or ARBORVANE_THREADS);
    //    simulations stepping at once on different threads take turns in it,
    //    loop by loop.
    // 1: the calling thread alone; no thread is started (hosts without threads).
    // n > 1: a pool of its own with n participants, the calling thread included.
    int threads = 0;
};

// How the centre lines are kept, chosen when the simulation is made. The
// motion is the same either way; refinement only adds points between.
enum class CentreLines {
    refined, // a midpoint in every segment, made again after each step: 2N - 1 points for N in the tree file
    asInFile // one point per tree-file point, as the rest lines: a joint per point, for rigs
};

// Where the tree stands in a field it shares with other simulations (trees
// of one stand in one wind, each its own Simulation stepped alongside):
// turned about the vertical, then moved over the ground. The tree is
// simulated in its own frame, so every view stays in tree space (place it
// by the same turn and move to draw it in the field), but it samples the
// shared noise grids where it stands and feels the field's wind turned into
// its frame; a schedule's travelling fronts (front_speed) reach it by where
// it stands. The grass belongs to the field: its views are field positions,
// moved by the field's wind. The default is the field's origin, unturned:
// exactly the lone tree's motion.
struct Placement {
    double x = 0.0;    // ground position along x, model units
    double z = 0.0;    // ground position along z, model units
    double turn = 0.0; // degrees about +y (counter-clockwise seen from above)
};

// A lawn grown over the field, centred on its origin: the data folder's
// grass field repeated in tiles of its own size (its blade roots' x/z span),
// as many along each axis as cover the extent. Every copy is a blade of its
// own: it samples the noise where it lies, a travelling front reaches it by
// where it lies, and it sways on oscillators of its own. The tile nearest
// the origin keeps the loaded blades (the first grassBladeCount() / tiles
// views) with their motion. The default, or an extent within one tile: the
// field as loaded.
struct Lawn {
    double x = 0.0; // extent along x, model units, 0..1000
    double z = 0.0; // extent along z, model units, 0..1000
};

// How open() sets the scene up.
struct OpenOptions {
    Placement placement; // where the tree stands; x, z within -1e6..1e6, turn within -360..360 (degrees)
    Lawn lawn{};         // the lawn the grass grows to; fails on more than 1000000 blades
};

// A branch that starts on another one.
struct ChildBranch {
    std::int32_t attachPoint; // the parent's rest centre-line point it starts at (restBranchPoints index)
    std::int32_t branch;      // the child's branch index
};

// An axis-aligned box in tree space.
struct Box {
    Point3 min; // smallest x, y and z
    Point3 max; // largest x, y and z
};

class Simulation {
public:
    // On the shared pool: Workers{}, refined centre lines.
    Simulation();
    explicit Simulation(Workers workers, CentreLines lines = CentreLines::refined);
    ~Simulation();
    Simulation(Simulation&&) noexcept;
    Simulation& operator=(Simulation&&) noexcept;
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // Reads the tree, leaf, noise and grass files of a data folder (as made
    // by arborvane-grow, installed under share/arborvane/data). Replaces any
    // scene open before; after a failure none is open. Fails unless every
    // part loaded; summary (optional) says which did and holds the loaders'
    // lines either way. The scene it opens is at rest as setUp(1) leaves it,
    // but step() still needs setUp().
    Result open(const std::string& dataDir, LoadSummary* summary = nullptr);
    // The same with options; open(dataDir) is this with OpenOptions{}. The
    // options hold until the next open(), setUp() included. Fails, changing
    // nothing, on a placement out of range (named with its value).
    Result open(const std::string& dataDir, const OpenOptions& options, LoadSummary* summary = nullptr);
    // The placement of the open scene, or of the last open() asked for.
    Placement placement() const;
    // Drops the scene; views taken before are invalid. Does nothing from
    // inside step() (see Callbacks above).
    void close();
    bool isOpen() const;

    // The rest state: places the leaves and draws their oscillators from
    // seed (the same seed gives the same motion), clears the step count.
    // Needs open(). With another seed than the open scene's, or called
    // again, it reads the data folder again and starts over.
    Result setUp(std::uint32_t seed);

    // What drives the wind: exactly one of a constant wind (setWind), a
    // source (setWindSource) or a schedule (setWindSchedule/Text). The last
    // of these calls to succeed decides; each ends the one before, and a
    // refused call changes nothing. An empty source goes back to the last
    // setWind() value. Before any of them: the default gale.
    // The wind for the following steps; replaces a wind source. Fails,
    // keeping the wind before, on a regime other than breeze or gale, a
    // magnitude outside 0..800, or a direction without a horizontal part
    // (straight up or down, zero, or not finite), as a wind file's key does;
    // the message shows the value as given.
    Result setWind(const Wind& wind);
    // The wind of the moment: what drove the last step, as setWind() or the
    // source gave it (the direction normalised), or as the schedule had it then. Before a step it is
    // what the next step takes: the setWind() value, or the schedule's wind
    // at stepCount() x timeStep(); a new source is not asked until a step,
    // so until then the wind before it. The default gale when none was set.
    Wind wind() const;
    // A function asked for the wind before every step; an empty one goes back
    // to the last setWind() value. A wind it returns that setWind() would
    // refuse stops the step with that message, as does a source that throws.
    // Ends a playing schedule.
    void setWindSource(WindSource source);
    // Plays a wind schedule file (JSON: keys, optional gusts, veer, seed and
    // front speeds, as the programs' --wind reads) from the next step on. Its time is
    // the simulation's: stepCount() * timeStep(), so a schedule set after 40
    // steps starts 2 s in, and setUp() takes it back to 0 s. It keeps playing
    // over setUp() and open() until setWind() or setWindSource() ends it.
    // Fails, keeping what drove the wind before, with the loader's one line
    // naming the file, the field and the problem.
    Result setWindSchedule(const std::string& path);
    // The same from JSON text; name stands for the file in messages.
    Result setWindScheduleText(const std::string& json, const std::string& name = "wind schedule");
    // True while a schedule drives the wind.
    bool windScheduled() const;

    // Advances the motion by count fixed steps of timeStep() seconds.
    // Needs setUp(); fails on a negative count, naming it. A failure part way
    // keeps the steps done (stepCount() says how many).
    Result step(int count = 1);
    // Seconds per step: 0.05, so 20 steps are one second of motion.
    static double timeStep();
    // Steps since setUp().
    std::uint64_t stepCount() const;

    // How far the wind's noise grids scroll per step, in grid cells, the same
    // for the three grids: x and z every step, y by its amount each time x
    // wraps. The grids are periodic, so speeds that make whole periods over
    // some number of steps make the wind repeat after them (a looping clip).
    // (0.1, 1.0, 0.3) as loaded; open() and a setUp() that reads the folder
    // again put that back. Fails, changing nothing, with no scene open,
    // inside step(), or on a speed that is negative, not finite or above
    // noiseGridSize().
    Result setNoiseSpeed(const Point3& cellsPerStep);
    Point3 noiseSpeed() const;
    // Cells along each side of the noise grids (32 for the shipped data); 0 before open().
    int noiseGridSize() const;

    // Lines the loaders print, one at a time without the newline; none when
    // not set (the lines are still kept in LoadSummary::messages). A handler
    // that throws is handed no more of the call's lines and fails the call
    // (see Errors above); open() then leaves no scene open.
    void setMessageHandler(std::function<void(const std::string&)> handler);

    // The current state. Views point into the scene (see views.h for their
    // lifetime); they are empty before open() or for an index out of range.
    // Branch 0 is the trunk; children follow their parents.
    std::size_t branchCount() const;
    // Centre line, base first: 2N - 1 points for N in the file when refined,
    // N with CentreLines::asInFile.
    Strided<Point3> branchPoints(std::size_t branch) const;
    // Radius per centre-line point, model units.
    std::span<const double> branchRadii(std::size_t branch) const;
    // Leaves on each branch's last segment.
    std::size_t leavesPerBranch() const;
    // Per leaf of the branch: the blade's transform from leaf-template space
    // to tree space (apply it to leafBladeVertices()).
    Strided<Matrix4> leafBladeMatrices(std::size_t branch) const;
    // The petiole's centre line of one leaf, in tree space.
    Strided<Point3> leafPetiole(std::size_t branch, std::size_t leaf) const;
    // The leaf blade every leaf shares, in leaf-template space: its vertices
    // and its triangles as three vertex indices (0-based) each.
    Strided<Point3> leafBladeVertices() const;
    std::span<const std::int32_t> leafBladeTriangles() const;
    std::size_t grassBladeCount() const;
    // One blade's centre line and edge points, root first.
    Strided<Point3> grassCentre(std::size_t blade) const;
    Strided<Point3> grassEdge(std::size_t blade) const;

    // The rest state, as setUp() left it; steps do not change it. The same
    // lifetime and empty views as above.
    // Centre line at rest, base first: one point per tree-file point, however
    // the live lines are kept (with CentreLines::asInFile it equals
    // branchPoints() until the first step).
    Strided<Point3> restBranchPoints(std::size_t branch) const;
    // Radius per rest centre-line point, model units.
    std::span<const double> restBranchRadii(std::size_t branch) const;
    // The branches starting on this one, in tree-file order.
    Strided<ChildBranch> branchChildren(std::size_t branch) const;
    // The transform (rest to current, row-major) the branch's parent handed
    // its base in the last step; identity before the first step and out of range.
    Matrix4 branchBaseTransform(std::size_t branch) const;
    // The petiole's rest centre line of one leaf, in tree space.
    Strided<Point3> restLeafPetiole(std::size_t branch, std::size_t leaf) const;
    // Radius per petiole point of one leaf, model units (the template's, unscaled).
    std::span<const double> leafPetioleRadii(std::size_t branch, std::size_t leaf) const;
    // The blade's texture coordinates as in the leaf file: u, v per
    // leafBladeVertices() vertex.
    std::span<const double> leafBladeTexCoords() const;
    // A grass blade's rest centre line and edge points, root first.
    Strided<Point3> restGrassCentre(std::size_t blade) const;
    Strided<Point3> restGrassEdge(std::size_t blade) const;
    // The grass texture a blade names, from the grass file (0..3); -1 out of range.
    int grassBladeTexture(std::size_t blade) const;
    // The scene's box at rest: branches, leaf tips and grass roots; all zero before open().
    Box sceneBounds() const;

private:
    friend struct SceneAccess; // the library's own view files read the scene through it
    struct State;
    std::unique_ptr<State> state_; // the scene and what drives it; null only once moved from
};

// Several trees in one wind: independent Simulations, each placed in the
// shared field, all driven by the same wind (a constant, or one schedule read
// once and handed to each). A step hands each tree's steps to a worker of
// its own, so trees step at once; each tree steps on its own thread alone, so
// its motion is what it would be by itself at that place.
//
//     arborvane::Stand stand;
//     stand.addTree("/usr/share/arborvane/data", {0.0, 0.0, 0.0}, 1);
//     stand.addTree("/usr/share/arborvane/data", {14.0, 3.0, 90.0}, 2);
//     stand.setWindSchedule("gale.json");
//     stand.step(100);
//     auto top = stand.tree(1).branchPoints(0);
//
// Views come from tree(k), in that tree's own frame (its placement is not
// applied to them); they live as a Simulation's do, until the stand's next
// step(), addTree() or destruction.
class Stand {
public:
    // Where the trees step: Workers{} the process's shared pool, 1 the calling
    // thread alone, n > 1 a pool of its own.
    explicit Stand(Workers workers = {});
    ~Stand();
    Stand(Stand&&) noexcept;
    Stand& operator=(Stand&&) noexcept;
    Stand(const Stand&) = delete;
    Stand& operator=(const Stand&) = delete;

    // Opens a data folder as the next tree, at its place, set up with seed
    // (foliage and oscillators), driven by the stand's wind and at the
    // stand's step count 0. Fails, adding nothing, as Simulation::open() and
    // setUp() do, or once steps were taken.
    Result addTree(const std::string& dataDir, const Placement& placement, std::uint32_t seed = 1,
                   LoadSummary* summary = nullptr);
    // The first tree's grass grown to lawn (as OpenOptions::lawn): the
    // stand's one lawn. Before the first addTree(); fails after, or on an
    // extent out of range, changing nothing.
    Result setLawn(const Lawn& lawn);
    std::size_t treeCount() const;
    // Tree k in the order added; k must be below treeCount().
    const Simulation& tree(std::size_t k) const;
    const Placement& placement(std::size_t k) const;

    // The wind of every tree, as Simulation's calls of the same name; a
    // refused call changes no tree's wind.
    Result setWind(const Wind& wind);
    Result setWindSchedule(const std::string& path);
    Result setWindScheduleText(const std::string& json, const std::string& name = "wind schedule");
    // The wind at the stand's origin: what drove the last step there.
    Wind wind() const;

    // count steps of every tree. Fails on a negative count or without trees;
    // a tree that fails names itself ("tree K: ..."); the others keep the
    // steps they took.
    Result step(int count = 1);
    std::uint64_t stepCount() const;

private:
    friend struct SceneAccess; // the programs hand the stand a wind they built
    struct State;
    std::unique_ptr<State> state_; // the trees, their places and the workers; null only once moved from
};

} // namespace arborvane
