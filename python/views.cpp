// Views as numpy arrays over the scene's own memory: read-only, with the
// library's strides, each keeping the simulation it reads alive.
#include "binding.h"

namespace {

// The view's base: a share of the simulation, so its memory outlives the
// Python object that handed the view out.
py::capsule keeper(const std::shared_ptr<arborvane::Simulation>& sim)
{
    auto* held = new std::shared_ptr<arborvane::Simulation>(sim);
    return py::capsule(held, [](void* p) { delete static_cast<std::shared_ptr<arborvane::Simulation>*>(p); });
}

py::ssize_t items(std::size_t n) { return static_cast<py::ssize_t>(n); }

std::vector<py::ssize_t> pointStrides(std::size_t strideBytes)
{
    return {static_cast<py::ssize_t>(strideBytes), static_cast<py::ssize_t>(sizeof(double))};
}

} // namespace

py::array PySimulation::view(const void* data, std::vector<py::ssize_t> shape, std::vector<py::ssize_t> strides,
                             const py::dtype& type, bool copy)
{
    if (data == nullptr) return py::array(type, shape);
    py::array out(type, shape, strides, data, keeper(sim_));
    if (copy) return py::array::ensure(out.attr("copy")());
    out.attr("setflags")(py::arg("write") = false);
    return out;
}

std::size_t PySimulation::checkedIndex(long long index, std::size_t count, const char* what)
{
    const long long n = static_cast<long long>(count);
    const long long i = index < 0 ? index + n : index;
    if (i < 0 || i >= n) {
        const std::string range = n == 0 ? std::string(sim_->isOpen() ? "there are none" : "no data folder is open")
                                         : "valid: 0.." + std::to_string(n - 1);
        throw py::index_error(std::string(what) + " " + std::to_string(index) + " out of range (" + range + ")");
    }
    return static_cast<std::size_t>(i);
}

py::array PySimulation::branchPoints(long long branch, bool copy)
{
    Lock lock(*this);
    const auto points = sim_->branchPoints(checkedIndex(branch, sim_->branchCount(), "branch"));
    return view(points.data(), {items(points.size()), 3}, pointStrides(points.strideBytes()), py::dtype::of<double>(),
                copy);
}

py::array PySimulation::branchRadii(long long branch, bool copy)
{
    Lock lock(*this);
    const auto radii = sim_->branchRadii(checkedIndex(branch, sim_->branchCount(), "branch"));
    return view(radii.data(), {items(radii.size())}, {sizeof(double)}, py::dtype::of<double>(), copy);
}

py::array PySimulation::leafBladeMatrices(long long branch, bool copy)
{
    Lock lock(*this);
    const auto m = sim_->leafBladeMatrices(checkedIndex(branch, sim_->branchCount(), "branch"));
    return view(m.data(), {items(m.size()), 4, 4},
                {static_cast<py::ssize_t>(m.strideBytes()), 4 * sizeof(double), sizeof(double)},
                py::dtype::of<double>(), copy);
}

py::array PySimulation::leafPetiole(long long branch, long long leaf, bool copy)
{
    Lock lock(*this);
    const std::size_t b = checkedIndex(branch, sim_->branchCount(), "branch");
    const auto points = sim_->leafPetiole(b, checkedIndex(leaf, sim_->leavesPerBranch(), "leaf"));
    return view(points.data(), {items(points.size()), 3}, pointStrides(points.strideBytes()), py::dtype::of<double>(),
                copy);
}

py::array PySimulation::leafBladeVertices(bool copy)
{
    Lock lock(*this);
    const auto points = sim_->leafBladeVertices();
    return view(points.data(), {items(points.size()), 3}, pointStrides(points.strideBytes()), py::dtype::of<double>(),
                copy);
}

py::array PySimulation::leafBladeTriangles(bool copy)
{
    Lock lock(*this);
    const auto faces = sim_->leafBladeTriangles();
    return view(faces.data(), {items(faces.size() / 3), 3}, {3 * sizeof(std::int32_t), sizeof(std::int32_t)},
                py::dtype::of<std::int32_t>(), copy);
}

py::array PySimulation::grassCentre(long long blade, bool copy)
{
    Lock lock(*this);
    const auto points = sim_->grassCentre(checkedIndex(blade, sim_->grassBladeCount(), "grass blade"));
    return view(points.data(), {items(points.size()), 3}, pointStrides(points.strideBytes()), py::dtype::of<double>(),
                copy);
}

py::array PySimulation::grassEdge(long long blade, bool copy)
{
    Lock lock(*this);
    const auto points = sim_->grassEdge(checkedIndex(blade, sim_->grassBladeCount(), "grass blade"));
    return view(points.data(), {items(points.size()), 3}, pointStrides(points.strideBytes()), py::dtype::of<double>(),
                copy);
}
