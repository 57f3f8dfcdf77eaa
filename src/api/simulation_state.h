// What a Simulation holds behind its pointer: for the library's own files.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arborvane/arborvane.h"
#include "platform/work_pool.h"
#include "scene/scene.h"
#include "wind/wind_driver.h"

namespace arborvane {

// Console text caught during one call.
struct Caught {
    std::string partial;            // text not yet ended by a newline
    std::vector<std::string> lines; // lines not yet handed on
};

struct Simulation::State {
    std::unique_ptr<Scene> scene;                    // null until open()
    std::string dataDir;                             // the folder open() read
    bool setUp = false;                              // setUp() done since open()
    WindDriver driver;                               // what setWind() or a schedule chose; the scene's follows it
    WindSource source;                               // asked before every step when set (not while a schedule plays)
    std::uint64_t steps = 0;                         // since setUp()
    std::function<void(const std::string&)> handler; // the loaders' lines, when set
    Caught caught;                                   // console text of the call under way
    std::uint32_t sceneSeed = 1;                     // foliage seed the open scene is set up with
    std::uint32_t nextSeed = 1;                      // foliage seed the next open() sets up with
    std::unique_ptr<WorkPool> ownPool;               // a pool of its own (Workers::threads > 1), else null
    WorkPool* pool = nullptr;                        // what its steps run on: ownPool, a single-thread pool or the shared one
    bool refined = true;                             // centre lines refined (CentreLines::refined)
    bool stepping = false;                           // inside step(): the scene must stay
    std::string refused;                             // a call refused inside step(); stops it
    std::uint64_t sourceChanges = 0;                 // times the source was set or cleared
    std::uint64_t handlerChanges = 0;                // times the handler was set
    OpenOptions options;                             // what the last open() asked for; setUp() keeps it
};

// Why a lawn extent cannot be used, or empty.
std::string lawnFault(const Lawn& lawn);

} // namespace arborvane
