"""arborvane.sweep on a 2-worker local cluster: every run writes its file,
a rerun runs only what is missing, a failing run is reported and the others
go on, and a bad sweep file is refused before anything runs."""
import csv
import json
import os
import subprocess
import sys

import numpy as np
import pytest

import arborvane
from conftest import SOURCE


def sweep(tmp_path, doc, *extra, env=None, out="out"):
    path = tmp_path / "sweep.json"
    path.write_text(doc if isinstance(doc, str) else json.dumps(doc))
    return subprocess.run([sys.executable, "-m", "arborvane.sweep", str(path), "--out", str(tmp_path / out),
                           "--workers", "2", *extra], capture_output=True, text=True, timeout=300,
                          env={**os.environ, **(env or {})})


def test_runs_resume_where_they_stopped(tmp_path, data_dir):
    doc = {"data": [data_dir], "wind": ["breeze", "storm"], "magnitudes": [50, 300], "seeds": [1, 2], "seconds": 1}
    first = sweep(tmp_path, doc)
    assert first.returncode == 0, first.stderr
    out = tmp_path / "out"
    results = sorted(p.name for p in out.glob("*.npz"))
    assert len(results) == 8 and not list(out.glob(".*part"))
    with np.load(out / "data_storm_m300_s2.npz") as r:
        trace, params = r["trace"], {k: r[k][()] for k in ("wind_value", "magnitude", "seed", "steps")}
    assert params == {"wind_value": "storm", "magnitude": 300.0, "seed": 2, "steps": 20}
    sim = arborvane.Simulation()
    sim.open(data_dir)
    sim.set_wind(regime="gale", magnitude=300)  # storm is a gale
    sim.set_up(2)
    assert sim.run(20).tobytes() == trace.tobytes()

    kept = {p.name: p.stat().st_mtime_ns for p in out.glob("*.npz")}
    gone = results[1:4]
    for name in gone:
        (out / name).unlink()
    second = sweep(tmp_path, doc)
    assert second.returncode == 0, second.stderr
    assert "8 runs, 5 already in" in second.stderr and "3 to run" in second.stderr
    assert sorted(p.name for p in out.glob("*.npz")) == results
    for name, mtime in kept.items():
        if name not in gone:
            assert (out / name).stat().st_mtime_ns == mtime, name
    rows = list(csv.DictReader(open(out / "summary.csv")))
    assert len(rows) == 8 and {r["status"] for r in rows} == {"done"}
    storm = next(r for r in rows if r["run"] == "data_storm_m300_s2")
    assert float(storm["max_tip_offset"]) == pytest.approx(trace["tip_offset"].max(), abs=1e-6)
    assert storm["gust_to_top_lag"] == ""  # a constant wind has no gust to follow
    assert (out / "sweep.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_a_failed_run_is_reported_and_the_rest_go_on(tmp_path, data_dir):
    doc = {"data": [data_dir], "presets": ["cone"], "wind": ["gale"], "seeds": [5], "seconds": 0.5}
    r = sweep(tmp_path, doc, env={"ARBORVANE_GROW": "/bin/false"})
    assert r.returncode == 1
    failed = [line for line in r.stderr.splitlines() if "failed (" in line]
    assert len(failed) == 1 and "cone_gale_s5" in failed[0] and "seed 5" in failed[0], r.stderr
    rows = {row["run"]: row["status"] for row in csv.DictReader(open(tmp_path / "out" / "summary.csv"))}
    assert rows == {"data_gale_s5": "done", "cone_gale_s5": "failed"}


def test_a_grown_preset_runs(tmp_path):
    if not arborvane.grower():
        pytest.skip("no arborvane-grow")
    r = sweep(tmp_path, {"presets": ["columnar"], "wind": ["breeze"], "seeds": [1], "seconds": 0.2})
    assert r.returncode == 0, r.stderr
    with np.load(tmp_path / "out" / "columnar_breeze_s1.npz") as result:
        assert len(result["trace"]) == 5 and result["trace"]["tip_offset"][-1] > 0


GOOD = {"data": ["DATA"], "wind": ["gale"], "seeds": [1], "seconds": 1}


@pytest.mark.parametrize("change,words", [
    ({"colour": "red"}, ["unknown field 'colour'"]),
    ({"seeds": [1, -2]}, ["seeds[1]", "-2"]),
    ({"seeds": [1, 1]}, ["seeds[1]", "listed twice"]),
    ({"seeds": [True]}, ["seeds[0]"]),
    ({"wind": ["gale", "gusty.json"]}, ["wind[1]", "gusty.json", "No such file"]),
    ({"wind": ["bad.json"]}, ["wind[0]", "bad.json", "keys"]),
    ({"wind": []}, ["wind", "non-empty list"]),
    ({"magnitudes": [200, 900]}, ["magnitudes[1]", "900", "0..800"]),
    ({"presets": ["willow"]}, ["presets[0]", "willow"]),
    ({"data": ["nowhere"]}, ["data[0]", "nowhere", "not a folder"]),
    ({"data": ["empty"]}, ["data[0]", "could not load"]),
    ({"data": []}, ["no tree"]),
    ({"seconds": 0}, ["seconds"]),
    ({"seconds": "20"}, ["seconds"]),
    ("seconds-missing", ["'seconds' is missing"]),
    ('{"data": ["DATA"], "data": ["DATA"]}', ["'data' given twice"]),
    ('{"data": ["DATA"], "wind": ["gale"], "seeds": [1], "seconds": 1e400}', ["1e400", "too large"]),
    ('{"data": ["DATA"], "wind": ["gale"],\n "seeds": [1,]}', ["line 2"]),
    ("[1, 2]", ["must hold an object"]),
])
def test_a_bad_sweep_file_is_refused_before_any_run(tmp_path, data_dir, change, words):
    (tmp_path / "bad.json").write_text('{"seed": 1}')
    (tmp_path / "empty").mkdir()
    if change == "seconds-missing":
        doc = json.dumps({k: v for k, v in GOOD.items() if k != "seconds"})
    elif isinstance(change, str):
        doc = change
    else:
        doc = json.dumps({**GOOD, **change})
    r = sweep(tmp_path, doc.replace("DATA", data_dir))
    lines = r.stderr.strip().splitlines()
    assert r.returncode == 2 and len(lines) == 1, r.stderr
    assert lines[0].startswith("arborvane.sweep: ") and str(tmp_path / "sweep.json") in lines[0]
    assert all(w in lines[0] for w in words), lines[0]
    assert not (tmp_path / "out").exists()


def test_flags_are_checked(tmp_path, data_dir):
    (tmp_path / "file").write_text("")
    r = sweep(tmp_path, {**GOOD, "data": [data_dir]}, out="file")
    assert r.returncode == 2 and "not a folder" in r.stderr
    r = sweep(tmp_path, {**GOOD, "data": [data_dir]}, "--workers", "0")
    assert r.returncode == 2 and "--workers" in r.stderr
    r = subprocess.run([sys.executable, "-m", "arborvane.sweep", "--help"], capture_output=True, text=True)
    assert r.returncode == 0 and "--scheduler" in r.stdout and "seeds" in r.stdout
