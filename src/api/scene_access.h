// The open scene behind a Simulation, for the library's own files that
// implement its views; not part of the public header.
#pragma once
#include "arborvane/arborvane.h"

struct Scene;

namespace arborvane {

struct SceneAccess {
    // The open scene, or null before open() (or after close()).
    static const Scene* scene(const Simulation& sim);
    // The same for a change between steps: null as well inside step().
    static Scene* changeableScene(Simulation& sim);
};

} // namespace arborvane
