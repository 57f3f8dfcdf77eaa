"""The module against the library's own programs and promises: the trace is
the recorder's, views follow the scene without copies, every refusal is a
Python exception with the library's line, and two simulations on two
threads each give what they give alone."""
import os
import subprocess
import threading

import numpy as np
import pytest

import arborvane
from conftest import SOURCE

ROW = "%d,%.2f,%s,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f"


def recorder_trace(tmp_path, data_dir, frames, flags):
    recorder = os.environ.get("ARBORVANE_RECORD")
    if not recorder or not os.access(recorder, os.X_OK):
        pytest.skip("no arborvane-record in this build")
    csv = tmp_path / "trace.csv"
    subprocess.run([recorder, "--data", data_dir, "--frames", str(frames), "--width", "64", "--height", "48",
                    "--out", str(tmp_path / "frames"), "--trace", str(csv), *flags],
                   check=True, capture_output=True, timeout=300)
    lines = csv.read_text().splitlines()
    assert lines[0] == "frame,time,regime,magnitude,dir_x,dir_y,dir_z,tip_x,tip_y,tip_z,tip_offset"
    return lines[1:]


@pytest.mark.parametrize("flags,setup", [
    (["--breeze", "--magnitude", "35", "--wind-dir", "1,0,-2", "--seed", "7"],
     lambda s: s.set_wind(regime="breeze", magnitude=35, direction=(1, 0, -2))),
    (["--wind", os.path.join(SOURCE, "docs", "wind_example.json"), "--seed", "3"],
     lambda s: s.set_wind_schedule(os.path.join(SOURCE, "docs", "wind_example.json"))),
], ids=["constant", "schedule"])
def test_trace_is_the_recorders(tmp_path, data_dir, flags, setup):
    frames = 81
    expected = recorder_trace(tmp_path, data_dir, frames, flags)
    sim = arborvane.Simulation()
    sim.open(data_dir)
    setup(sim)
    sim.set_up(int(flags[-1]))
    trace = sim.run(frames - 1)
    assert trace.dtype.names == ("frame", "time", "regime", "magnitude", "dir_x", "dir_y", "dir_z",
                                 "tip_x", "tip_y", "tip_z", "tip_offset")
    assert [ROW % tuple(row) for row in trace] == expected
    # Coarser rows are the same rows.
    sim.set_up(int(flags[-1]))
    coarse = sim.run(frames - 1, every=7)
    assert list(coarse["frame"]) == list(range(0, frames - 1, 7)) + [frames - 1]
    assert [ROW % tuple(row) for row in coarse] == [expected[k] for k in coarse["frame"]]


def test_views_follow_the_scene_in_place(sim):
    views = {
        "points": sim.branch_points(200), "radii": sim.branch_radii(200),
        "blades": sim.leaf_blade_matrices(200), "petiole": sim.leaf_petiole(200, 5),
        "grass": sim.grass_centre(sim.grass_blade_count - 1), "edge": sim.grass_edge(0),
    }
    before = {k: v.copy() for k, v in views.items()}
    kept = sim.branch_points(200, copy=True)
    assert views["points"].shape[1] == 3 and views["blades"].shape == (sim.leaves_per_branch, 4, 4)
    for v in views.values():
        assert not v.flags.writeable and v.base is not None
        with pytest.raises(ValueError):
            v[0] = 0
    # No copy: a second call reads the same memory.
    assert np.shares_memory(views["points"], sim.branch_points(200))
    assert not np.shares_memory(kept, views["points"])
    sim.step(10)
    after = {"points": sim.branch_points(200), "blades": sim.leaf_blade_matrices(200),
             "grass": sim.grass_centre(sim.grass_blade_count - 1)}
    for name, now in after.items():
        assert views[name].shape == before[name].shape == now.shape
        assert np.array_equal(views[name], now), name
        assert not np.array_equal(views[name], before[name]), name
    assert np.array_equal(views["radii"], before["radii"])  # radii do not move
    assert np.array_equal(kept, before["points"])
    # Blade matrices are affine, row-major: last row (0, 0, 0, 1).
    assert np.array_equal(after["blades"][:, 3, :], np.tile([0.0, 0, 0, 1], (sim.leaves_per_branch, 1)))


def test_a_held_view_outlives_its_scene(sim, data_dir):
    trunk = sim.branch_points(0)
    sim.step(20)
    moved = trunk.copy()
    sim.set_up(2)          # reads the folder again: the view keeps the old scene
    sim.step(5)
    sim.close()
    del sim
    assert np.array_equal(trunk, moved)
    # A fresh simulation is given the same wind as before.
    s = arborvane.Simulation(threads=1)
    s.open(data_dir)
    s.set_wind(regime="breeze", magnitude=20)
    view = s.branch_points(0)
    s.set_up(1)
    assert s.wind["regime"] == "breeze" and s.wind["magnitude"] == 20
    assert view.shape == s.branch_points(0).shape


def raises(kind, words, call):
    with pytest.raises(kind) as caught:
        call()
    text = str(caught.value)
    # The library's and the binding's own messages are one line; pybind11's type errors list the signature.
    assert not words or len(text.splitlines()) == 1, text
    assert all(w in text for w in words), text
    return caught.value


def test_refusals_are_python_exceptions(sim, tmp_path):
    empty = arborvane.Simulation(threads=1)
    raises(arborvane.Error, ["step before setUp"], lambda: empty.step())
    raises(arborvane.Error, ["no data folder is open"], lambda: empty.set_up(1))
    raises(arborvane.Error, [str(tmp_path), "could not load"], lambda: empty.open(str(tmp_path)))
    raises(IndexError, ["branch 0", "no data folder is open"], lambda: empty.branch_points(0))
    assert issubclass(arborvane.Error, RuntimeError)
    raises(ValueError, ["wind magnitude 900", "0..800"], lambda: sim.set_wind(magnitude=900))
    raises(ValueError, ["direction"], lambda: sim.set_wind(direction=(0, 1, 0)))
    raises(ValueError, ["regime 'storm'"], lambda: sim.set_wind(regime="storm"))
    raises(TypeError, ["three numbers"], lambda: sim.set_wind(direction="xyz"))
    raises(TypeError, ["three numbers"], lambda: sim.set_wind(direction=(1, "a", 0)))
    raises(TypeError, [], lambda: sim.set_wind(magnitude="strong"))
    raises(ValueError, ["-3"], lambda: sim.step(-3))
    raises(TypeError, [], lambda: sim.step("ten"))
    raises(ValueError, ["seed -1"], lambda: sim.set_up(-1))
    raises(ValueError, ["threads 99"], lambda: arborvane.Simulation(threads=99))
    raises(IndexError, ["branch 5000", "0..321"], lambda: sim.branch_points(5000))
    raises(IndexError, ["leaf 6"], lambda: sim.leaf_petiole(0, 6))
    raises(IndexError, ["grass blade"], lambda: sim.grass_edge(10 ** 9))
    raises(ValueError, ["every 0"], lambda: sim.run(10, every=0))
    raises(arborvane.Error, ["gusts.json", "keys"], lambda: sim.set_wind_schedule_text('{"seed": 1}', "gusts.json"))
    raises(arborvane.Error, ["missing.json", "No such file"],
           lambda: sim.set_wind_schedule(str(tmp_path / "missing.json")))
    # Refusals change nothing: the wind, the count and the views are as before.
    assert sim.wind == {"regime": "gale", "magnitude": 400.0, "direction": (1.0, 0.0, 0.0)}
    assert sim.step_count == 0 and not sim.wind_scheduled
    assert np.array_equal(sim.branch_points(-1), sim.branch_points(sim.branch_count - 1))


def test_two_threads_give_what_each_gives_alone(data_dir):
    def make(seed, magnitude):
        s = arborvane.Simulation(threads=1)
        s.open(data_dir)
        s.set_up(seed)
        s.set_wind(magnitude=magnitude, direction=(1, 0, 1))
        return s

    alone = [make(4, 300).run(80), make(9, 650).run(80)]
    sims = [make(4, 300), make(9, 650)]
    together = [None, None]
    threads = [threading.Thread(target=lambda k=k: together.__setitem__(k, sims[k].run(80))) for k in range(2)]
    for t in threads:
        t.start()
    # The GIL is free while they step: this thread keeps running meanwhile.
    spins = 0
    while any(t.is_alive() for t in threads):
        spins += 1
    for t in threads:
        t.join()
    assert spins > 100
    for a, b in zip(alone, together):
        assert a.tobytes() == b.tobytes()
    assert alone[0].tobytes() != alone[1].tobytes()


def test_the_manual_covers_every_call():
    public = [n for n in dir(arborvane.Simulation) if not n.startswith("_")]
    assert {"open", "set_up", "set_wind", "set_wind_schedule", "set_wind_schedule_text", "step", "run",
            "step_count", "branch_count", "branch_points", "branch_radii", "leaf_blade_matrices",
            "grass_centre"} <= set(public)
    for name in public:
        assert (getattr(arborvane.Simulation, name).__doc__ or "").strip(), name
    assert arborvane.__version__.count(".") == 2
