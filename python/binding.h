// The Python face of arborvane::Simulation: the public API only, errors as
// Python exceptions, views as numpy arrays over the simulation's own memory.
#pragma once
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "arborvane/arborvane.h"

namespace py = pybind11;

// A refused call of the library: arborvane.Error with its one-line message.
struct LibraryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What drives the wind, kept so a fresh simulation can be given the same.
struct WindDriver {
    bool windSet = false;       // set_wind succeeded at least once
    arborvane::Wind wind;       // the last set_wind value
    bool scheduled = false;     // a schedule drives the wind (over wind)
    std::string scheduleText;   // the schedule's JSON as it was accepted
    std::string scheduleName;   // the name its messages use (the file's path)
};

// The tree's top: the highest rest centre-line point, as the recorder's trace takes it.
struct TreeTop {
    long branch = -1;             // -1: no tree
    std::size_t point = 0;        // index on the refined centre line
    arborvane::Point3 rest{};     // where it stood at rest
};

class PySimulation {
public:
    explicit PySimulation(int threads);

    void open(const std::string& dataDir);
    void close();
    bool isOpen();
    void setUp(long long seed);
    void setWind(const std::string& regime, double magnitude, const py::object& direction);
    void setWindSchedule(const std::string& path);
    void setWindScheduleText(const std::string& text, const std::string& name);
    py::dict wind();
    bool windScheduled();
    void step(long long count);
    std::uint64_t stepCount();
    std::size_t branchCount();
    std::size_t grassBladeCount();
    std::size_t leavesPerBranch();
    py::object tipRest();

    // Views (views.cpp): numpy arrays over the scene, read-only, or copies.
    py::array branchPoints(long long branch, bool copy);
    py::array branchRadii(long long branch, bool copy);
    py::array leafBladeMatrices(long long branch, bool copy);
    py::array leafPetiole(long long branch, long long leaf, bool copy);
    py::array leafBladeVertices(bool copy);
    py::array leafBladeTriangles(bool copy);
    py::array grassCentre(long long blade, bool copy);
    py::array grassEdge(long long blade, bool copy);

    // The tree-top trace (trace.cpp).
    py::object run(long long steps, long long every);

    // Holds this simulation's lock; while another thread steps it, waits
    // without the GIL so that thread can finish.
    class Lock {
    public:
        explicit Lock(PySimulation& owner);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        std::mutex& mutex_;
    };

private:
    friend class Lock;
    // A simulation whose scene no view reaches: the present one, or, while
    // views of it live, a new one given the same wind (the views keep the old).
    void freshIfViewed();
    void findTop();
    std::size_t checkedIndex(long long index, std::size_t count, const char* what);
    py::array view(const void* data, std::vector<py::ssize_t> shape, std::vector<py::ssize_t> strides,
                   const py::dtype& type, bool copy);

    int threads_;                                  // Workers{threads_}
    std::shared_ptr<arborvane::Simulation> sim_;   // shared with the views' keepers
    std::string dataDir_;                          // the last folder opened
    WindDriver driver_;                            // replayed into a fresh simulation
    TreeTop top_;                                  // found after open and set-up
    std::mutex mutex_;                             // one call at a time, step included
};

// Raises arborvane.Error (or, for a refused argument, ValueError) with the message.
void raiseIfFailed(const arborvane::Result& result, bool argument = false);
