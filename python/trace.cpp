// run(): the tree-top trace the recorder's --trace writes, as a numpy
// structured array: row k is the state after k steps with the wind that
// drove the last of them (for the first row, the wind the next step takes).
#include <cmath>
#include <vector>

#include "binding.h"

namespace {

// One row's numbers, gathered without the GIL.
struct Row {
    long long frame;
    bool gale;
    double magnitude, dx, dy, dz, tx, ty, tz, offset;
};

Row takeRow(const arborvane::Simulation& sim, const TreeTop& top)
{
    const arborvane::Wind w = sim.wind();
    // The direction as the step uses it, normalised, as the recorder prints it.
    const arborvane::Point3& d = w.direction;
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const double unit = length > 0.0 ? 1.0 / length : 0.0;
    Row row{static_cast<long long>(sim.stepCount()), w.regime == arborvane::WindRegime::gale, w.magnitude,
            d.x * unit, d.y * unit, d.z * unit, top.rest.x, top.rest.y, top.rest.z, 0.0};
    if (top.branch < 0) return row;
    const arborvane::Point3 p = sim.branchPoints(static_cast<std::size_t>(top.branch))[top.point];
    const double ex = p.x - top.rest.x, ey = p.y - top.rest.y, ez = p.z - top.rest.z;
    row.tx = p.x;
    row.ty = p.y;
    row.tz = p.z;
    row.offset = std::sqrt(ex * ex + ey * ey + ez * ez);
    return row;
}

py::object toArray(const std::vector<Row>& rows)
{
    py::module_ np = py::module_::import("numpy");
    py::list fields;
    fields.append(py::make_tuple("frame", "<i8"));
    fields.append(py::make_tuple("time", "<f8"));
    fields.append(py::make_tuple("regime", "<U6"));
    for (const char* name : {"magnitude", "dir_x", "dir_y", "dir_z", "tip_x", "tip_y", "tip_z", "tip_offset"})
        fields.append(py::make_tuple(name, "<f8"));
    py::object out = np.attr("zeros")(rows.size(), np.attr("dtype")(fields));
    std::vector<long long> frame;
    std::vector<double> time, magnitude, dx, dy, dz, tx, ty, tz, offset;
    py::list regime;
    for (const Row& r : rows) {
        frame.push_back(r.frame);
        time.push_back(static_cast<double>(r.frame) * arborvane::Simulation::timeStep());
        regime.append(r.gale ? "gale" : "breeze");
        magnitude.push_back(r.magnitude);
        dx.push_back(r.dx), dy.push_back(r.dy), dz.push_back(r.dz);
        tx.push_back(r.tx), ty.push_back(r.ty), tz.push_back(r.tz);
        offset.push_back(r.offset);
    }
    out["frame"] = py::array_t<long long>(frame.size(), frame.data());
    out["time"] = py::array_t<double>(time.size(), time.data());
    out["regime"] = regime;
    const std::pair<const char*, std::vector<double>*> columns[] = {
        {"magnitude", &magnitude}, {"dir_x", &dx}, {"dir_y", &dy}, {"dir_z", &dz},
        {"tip_x", &tx},            {"tip_y", &ty}, {"tip_z", &tz}, {"tip_offset", &offset}};
    for (const auto& [name, column] : columns) out[name] = py::array_t<double>(column->size(), column->data());
    return out;
}

} // namespace

py::object PySimulation::run(long long steps, long long every)
{
    if (steps < 0) throw py::value_error("steps " + std::to_string(steps) + " is negative");
    if (every < 1) throw py::value_error("every " + std::to_string(every) + " is below 1");
    if (steps > (1LL << 31)) throw py::value_error("steps " + std::to_string(steps) + " is too large");
    Lock lock(*this);
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(steps / every + 2));
    arborvane::Result result;
    {
        py::gil_scoped_release released;
        rows.push_back(takeRow(*sim_, top_));
        for (long long done = 0; done < steps && result;) {
            const long long count = std::min(every, steps - done);
            result = sim_->step(static_cast<int>(count));
            done += count;
            if (result) rows.push_back(takeRow(*sim_, top_));
        }
    }
    raiseIfFailed(result);
    return toArray(rows);
}
