// _arborvane: the binding's module definition and its manual (the
// docstrings help(arborvane.Simulation) shows). The calls are in
// simulation.cpp, the views in views.cpp, run() in trace.cpp.
#include "binding.h"

namespace {

const char* const kClassDoc = R"doc(One tree in a grass field moving in turbulent wind, without a window.

    sim = arborvane.Simulation()        # threads=0: the process's shared pool
    sim.open("/usr/share/arborvane/data")
    sim.set_up(1)                        # foliage seed: the same seed, the same motion
    sim.set_wind(regime="gale", magnitude=400.0, direction=(1, 0, 0))
    sim.step(100)                        # 100 x 0.05 s
    trunk = sim.branch_points(0)         # (n, 3) float64, a view: no copy

Views. branch_points, branch_radii, leaf_blade_matrices, leaf_petiole,
leaf_blade_vertices, leaf_blade_triangles, grass_centre and grass_edge return
read-only numpy arrays over the simulation's own memory. A step changes them
in place: a view taken before shows the new state afterwards, with the same
shape. They are valid until the next step(), run(), set_up(), open() or close();
to keep a state, copy it (view.copy(), or copy=True on the call). A view
never dangles: one still held when set_up(), open() or close() replaces the
scene keeps the old scene's memory alive (and shows it, frozen).

Errors. A call the library refuses raises arborvane.Error with the library's
one-line message (a data folder that does not load, a bad wind schedule, a
step before set_up); a bad argument raises TypeError, ValueError (a magnitude
outside 0..800, a negative step count) or IndexError (a branch or blade out
of range; negative indices count from the end).

Threads. step() and run() release the GIL: simulations on different Python
threads step at the same time and each gives what it gives alone. One
simulation used from two threads takes their calls one at a time.

Units: model units (the tree stands about 11.4 high, the ground at
y = -4.6; y is up), seconds of simulated time (time_step = 0.05 per step).)doc";

void defineLifeCycle(py::class_<PySimulation>& c)
{
    c.def(py::init<int>(), py::arg("threads") = 0, R"doc(Simulation(threads=0)

threads: the workers step() spreads its work over. 0: the process's shared
pool (one thread per core, or ARBORVANE_THREADS); simulations stepping at
once take turns in it. 1: the calling thread alone (for a process per core,
as a sweep runs). n > 1: a pool of n of its own. ValueError outside 0..64.)doc");
    c.def("open", &PySimulation::open, py::arg("data_dir"), R"doc(open(data_dir)

Reads the tree, leaf, noise and grass files of a data folder (as
arborvane-grow makes, installed under /usr/share/arborvane/data). Replaces
the scene open before. The scene is at rest; step() still needs set_up().
Raises arborvane.Error naming the files and the reason when a part fails.)doc");
    c.def("close", &PySimulation::close, "close()\n\nDrops the scene. The wind settings stay.");
    c.def_property_readonly("is_open", &PySimulation::isOpen, "Whether a data folder is open.");
    c.def("set_up", &PySimulation::setUp, py::arg("seed"), R"doc(set_up(seed)

Places the leaves and draws their oscillators from seed (0..4294967295; the
same seed gives the same motion) and clears the step count. Needs open().
Called again, it starts over from the data folder.)doc");
}

void defineWind(py::class_<PySimulation>& c)
{
    c.def("set_wind", &PySimulation::setWind, py::arg("regime") = "gale", py::arg("magnitude") = 400.0,
          py::arg("direction") = py::make_tuple(1.0, 0.0, 0.0),
          R"doc(set_wind(regime='gale', magnitude=400.0, direction=(1, 0, 0))

A constant wind for the following steps; ends a playing schedule.
regime: 'gale' (moderate gale) or 'breeze' (light breeze); magnitude: 0..800;
direction: three numbers with a horizontal (x or z) part, normalised on use.
ValueError, with the library's message, on a value it refuses.)doc");
    c.def("set_wind_schedule", &PySimulation::setWindSchedule, py::arg("path"), R"doc(set_wind_schedule(path)

Plays a wind schedule file (JSON: keys, optional gusts, veer and seed, as
the programs' --wind reads) from the next step on, on the simulation's
clock (step_count x time_step; set_up() takes it back to 0 s). Raises
arborvane.Error with the loader's line naming the file and the field.)doc");
    c.def("set_wind_schedule_text", &PySimulation::setWindScheduleText, py::arg("text"),
          py::arg("name") = "wind schedule",
          "set_wind_schedule_text(text, name='wind schedule')\n\nThe same from JSON text; name stands for the file "
          "in messages.");
    c.def_property_readonly("wind", &PySimulation::wind,
                            "The wind of the moment as a dict (regime, magnitude, direction): what drove the last "
                            "step, or before a step what the next one takes.");
    c.def_property_readonly("wind_scheduled", &PySimulation::windScheduled, "True while a schedule drives the wind.");
}

void defineStepping(py::class_<PySimulation>& c)
{
    c.def("step", &PySimulation::step, py::arg("n") = 1, R"doc(step(n=1)

Advances the motion by n steps of time_step (0.05) seconds, without the GIL.
Needs set_up() (arborvane.Error otherwise); ValueError on a negative n.
Views taken before now show the new state.)doc");
    c.def("run", &PySimulation::run, py::arg("steps"), py::arg("every") = 1, R"doc(run(steps, every=1)

Steps `steps` times and returns the tree-top trace, one row now and one
after every `every` steps (and after the last): a numpy structured array
with the fields of the recorder's --trace CSV: frame (steps since set_up),
time (s), regime ('gale'/'breeze'), magnitude, dir_x, dir_y, dir_z (the wind
that drove the row's last step; the first row: the wind the next step
takes), tip_x, tip_y, tip_z (the highest point of the rest tree, where it is
now) and tip_offset (its distance from its rest position).
So a run of the recorder's --frames N is run(N - 1) after set_up.)doc");
    c.def_property_readonly("step_count", &PySimulation::stepCount, "Steps since set_up().");
    c.def_property_readonly_static(
        "time_step", [](py::object) { return arborvane::Simulation::timeStep(); }, "Seconds per step: 0.05.");
    c.def_property_readonly("tip", &PySimulation::tipRest,
                            "The tree's top as run() follows it: (branch, rest point index, rest position), or "
                            "None without a tree.");
}

void defineViews(py::class_<PySimulation>& c)
{
    const auto copy = py::arg("copy") = false;
    c.def_property_readonly("branch_count", &PySimulation::branchCount, "Branches in the tree (0: the trunk).");
    c.def_property_readonly("leaves_per_branch", &PySimulation::leavesPerBranch, "Leaves on each branch.");
    c.def_property_readonly("grass_blade_count", &PySimulation::grassBladeCount, "Blades in the grass field.");
    c.def("branch_points", &PySimulation::branchPoints, py::arg("i"), copy,
          "branch_points(i, copy=False)\n\nBranch i's centre line, base first: an (n, 3) float64 view (refined: "
          "2N - 1 points for the file's N). Children follow their parents.");
    c.def("branch_radii", &PySimulation::branchRadii, py::arg("i"), copy,
          "branch_radii(i, copy=False)\n\nThe radius at each centre-line point: an (n,) float64 view.");
    c.def("leaf_blade_matrices", &PySimulation::leafBladeMatrices, py::arg("i"), copy,
          "leaf_blade_matrices(i, copy=False)\n\nPer leaf of branch i, the blade's transform from leaf-template "
          "space to tree space: a (leaves, 4, 4) float64 view, row-major, points as columns (M @ [x, y, z, 1]).");
    c.def("leaf_petiole", &PySimulation::leafPetiole, py::arg("i"), py::arg("leaf"), copy,
          "leaf_petiole(i, leaf, copy=False)\n\nThe petiole's centre line of one leaf of branch i: an (n, 3) view.");
    c.def("leaf_blade_vertices", &PySimulation::leafBladeVertices, copy,
          "leaf_blade_vertices(copy=False)\n\nThe blade every leaf shares, in leaf-template space: (n, 3).");
    c.def("leaf_blade_triangles", &PySimulation::leafBladeTriangles, copy,
          "leaf_blade_triangles(copy=False)\n\nThe blade's triangles as vertex indices (0-based): (m, 3) int32.");
    c.def("grass_centre", &PySimulation::grassCentre, py::arg("i"), copy,
          "grass_centre(i, copy=False)\n\nBlade i's centre line, root first: an (levels, 3) float64 view.");
    c.def("grass_edge", &PySimulation::grassEdge, py::arg("i"), copy,
          "grass_edge(i, copy=False)\n\nBlade i's edge points, root first: an (levels, 3) float64 view.");
}

} // namespace

PYBIND11_MODULE(_arborvane, m)
{
    m.doc() = "The binding behind `import arborvane`; use the arborvane package.";
    py::object error = py::register_exception<LibraryError>(m, "Error", PyExc_RuntimeError);
    error.attr("__doc__") = "A call the library refused; the message is the library's one line.";
    m.attr("__version__") = arborvane::version();
    // Each docstring starts with the call as Python code reads it.
    py::options options;
    options.disable_function_signatures();
    py::class_<PySimulation> c(m, "Simulation", kClassDoc);
    c.attr("__module__") = "arborvane";
    error.attr("__module__") = "arborvane";
    defineLifeCycle(c);
    defineWind(c);
    defineStepping(c);
    defineViews(c);
}
