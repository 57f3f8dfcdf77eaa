// The open scene behind a Simulation, for the library's own files that
// implement its views; not part of the public header. The programs use it
// too, to draw what a simulation holds and to hand it a wind they built.
#pragma once
#include <cstddef>
#include <cstdint>

#include "arborvane/arborvane.h"

class WorkPool;
struct Scene;
struct WindDriver;

namespace arborvane {

struct SceneAccess {
    // The open scene, or null before open() (or after close()).
    static const Scene* scene(const Simulation& sim);
    // The same for a change between steps: null as well inside step().
    static Scene* changeableScene(Simulation& sim);
    // What drives the simulation's wind, as its last wind call left it.
    static const WindDriver& driver(const Simulation& sim);
    // Drives the simulation (and any scene it opens later) with driver, as a
    // successful setWind() or setWindSchedule() would; ends a wind source.
    static Result drive(Simulation& sim, const WindDriver& driver);
    // The same for every tree of a stand, and for trees added later.
    static Result drive(Stand& stand, const WindDriver& driver);
    // The workers its steps run on from now; returns those before.
    static WorkPool* stepOn(Simulation& sim, WorkPool* pool);
    // Tree k of a stand without its grass field from now (its bounds and
    // wind placement stay as set up): a stand draws one lawn, not one per tree.
    static void dropGrass(Stand& stand, std::size_t k);
    // The foliage seed the next open() sets up with, so setUp(seed) after it
    // reads nothing again.
    static void seedNextOpen(Simulation& sim, std::uint32_t seed);
};

} // namespace arborvane
