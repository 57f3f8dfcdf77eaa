// PySimulation's calls: the library's, with its refusals raised and the
// wind kept for a fresh simulation when views still reach the old scene.
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "binding.h"

void raiseIfFailed(const arborvane::Result& result, bool argument)
{
    if (result) return;
    if (argument) throw py::value_error(result.message);
    throw LibraryError(result.message);
}

PySimulation::Lock::Lock(PySimulation& owner) : mutex_(owner.mutex_)
{
    if (mutex_.try_lock()) return;
    py::gil_scoped_release released;
    mutex_.lock();
}

PySimulation::Lock::~Lock() { mutex_.unlock(); }

PySimulation::PySimulation(int threads) : threads_(threads)
{
    if (threads < 0 || threads > 64)
        throw py::value_error("threads " + std::to_string(threads) + " is outside 0..64");
    sim_ = std::make_shared<arborvane::Simulation>(arborvane::Workers{threads});
}

void PySimulation::freshIfViewed()
{
    if (sim_.use_count() == 1) return;
    auto fresh = std::make_shared<arborvane::Simulation>(arborvane::Workers{threads_});
    // The driver holds only what the library accepted, so replaying it cannot fail.
    if (driver_.windSet) fresh->setWind(driver_.wind);
    if (driver_.scheduled) fresh->setWindScheduleText(driver_.scheduleText, driver_.scheduleName);
    sim_ = std::move(fresh);
}

void PySimulation::findTop()
{
    // Rest point k is refined point 2k; the first of the highest wins, as in the recorder.
    top_ = TreeTop{};
    double highest = 0.0;
    for (std::size_t b = 0; b < sim_->branchCount(); ++b) {
        const arborvane::Strided<arborvane::Point3> points = sim_->branchPoints(b);
        for (std::size_t k = 0; k < points.size(); k += 2)
            if (top_.branch < 0 || points[k].y > highest) {
                highest = points[k].y;
                top_ = {static_cast<long>(b), k, points[k]};
            }
    }
}

void PySimulation::open(const std::string& dataDir)
{
    Lock lock(*this);
    freshIfViewed();
    arborvane::Result result = sim_->open(dataDir);
    raiseIfFailed(result);
    dataDir_ = dataDir;
    findTop();
}

void PySimulation::close()
{
    Lock lock(*this);
    freshIfViewed();
    sim_->close();
    top_ = TreeTop{};
}

bool PySimulation::isOpen()
{
    Lock lock(*this);
    return sim_->isOpen();
}

void PySimulation::setUp(long long seed)
{
    if (seed < 0 || seed > static_cast<long long>(std::numeric_limits<std::uint32_t>::max()))
        throw py::value_error("seed " + std::to_string(seed) + " is outside 0..4294967295");
    Lock lock(*this);
    if (sim_.use_count() > 1 && sim_->isOpen()) {
        // Set-up may read the folder again and free what the views show.
        freshIfViewed();
        raiseIfFailed(sim_->open(dataDir_));
    }
    raiseIfFailed(sim_->setUp(static_cast<std::uint32_t>(seed)));
    findTop();
}

void PySimulation::setWind(const std::string& regime, double magnitude, const py::object& direction)
{
    arborvane::Wind wind;
    if (regime == "gale")
        wind.regime = arborvane::WindRegime::gale;
    else if (regime == "breeze")
        wind.regime = arborvane::WindRegime::breeze;
    else
        throw py::value_error("regime '" + regime + "' is neither 'gale' nor 'breeze'");
    if (!py::isinstance<py::sequence>(direction) || py::isinstance<py::str>(direction) || py::len(direction) != 3)
        throw py::type_error("direction must be three numbers (x, y, z)");
    const py::sequence d = direction.cast<py::sequence>();
    try {
        wind.direction = {d[0].cast<double>(), d[1].cast<double>(), d[2].cast<double>()};
    } catch (const py::cast_error&) {
        throw py::type_error("direction must be three numbers (x, y, z)");
    }
    wind.magnitude = magnitude;
    Lock lock(*this);
    raiseIfFailed(sim_->setWind(wind), true);
    driver_.windSet = true;
    driver_.wind = wind;
    driver_.scheduled = false;
}

void PySimulation::setWindSchedule(const std::string& path)
{
    Lock lock(*this);
    raiseIfFailed(sim_->setWindSchedule(path));
    // Kept as text, so a fresh simulation plays what was accepted even if the file changes.
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    driver_.scheduled = true;
    driver_.scheduleText = text.str();
    driver_.scheduleName = path;
}

void PySimulation::setWindScheduleText(const std::string& text, const std::string& name)
{
    Lock lock(*this);
    raiseIfFailed(sim_->setWindScheduleText(text, name));
    driver_.scheduled = true;
    driver_.scheduleText = text;
    driver_.scheduleName = name;
}

py::dict PySimulation::wind()
{
    Lock lock(*this);
    const arborvane::Wind w = sim_->wind();
    py::dict out;
    out["regime"] = w.regime == arborvane::WindRegime::gale ? "gale" : "breeze";
    out["magnitude"] = w.magnitude;
    out["direction"] = py::make_tuple(w.direction.x, w.direction.y, w.direction.z);
    return out;
}

bool PySimulation::windScheduled()
{
    Lock lock(*this);
    return sim_->windScheduled();
}

void PySimulation::step(long long count)
{
    if (count > std::numeric_limits<int>::max())
        throw py::value_error("step count " + std::to_string(count) + " is too large");
    if (count < std::numeric_limits<int>::min()) count = std::numeric_limits<int>::min();
    Lock lock(*this);
    arborvane::Result result;
    {
        py::gil_scoped_release released;
        result = sim_->step(static_cast<int>(count));
    }
    raiseIfFailed(result, count < 0);
}

std::uint64_t PySimulation::stepCount()
{
    Lock lock(*this);
    return sim_->stepCount();
}

std::size_t PySimulation::branchCount()
{
    Lock lock(*this);
    return sim_->branchCount();
}

std::size_t PySimulation::grassBladeCount()
{
    Lock lock(*this);
    return sim_->grassBladeCount();
}

std::size_t PySimulation::leavesPerBranch()
{
    Lock lock(*this);
    return sim_->leavesPerBranch();
}

py::object PySimulation::tipRest()
{
    Lock lock(*this);
    if (top_.branch < 0) return py::none();
    return py::make_tuple(top_.branch, top_.point / 2, py::make_tuple(top_.rest.x, top_.rest.y, top_.rest.z));
}
