"""python3 -m arborvane.sweep SWEEP.json --out DIR [--workers N] [--scheduler ADDRESS]

Runs every combination of a sweep file's trees, winds, magnitudes and seeds
on Dask distributed (a local cluster of N worker processes by default, or the
cluster whose scheduler is at ADDRESS), one .npz per run in DIR, then writes
DIR/summary.csv and DIR/sweep.png. Runs whose file is already in DIR are
skipped, so a sweep cut off goes on where it stopped.

    {"data": ["data"], "presets": ["columnar"], "wind": ["gale", "storm", "gusty.json"],
     "magnitudes": [200, 400], "seeds": [1, 2, 3], "seconds": 20}

data: data folders; presets: arborvane-grow presets, grown at the start of
each run; together at least one tree. wind: wind presets (calm, breeze, gale,
strong-gale, storm) or schedule files. Folders and files are relative to the
sweep file's folder. magnitudes (optional): overrides a preset's magnitude
(schedule files keep theirs). seeds: foliage seeds. seconds: each run's
length. A fault in the file is refused with one line naming the field, exit 2,
before any run starts.

On a real cluster every worker must reach the data folders, the wind files and
DIR at the same paths (a shared file system) and have this package installed.
Exit status: 0 when every run is done, 1 when a run failed (each is reported
with its parameters; the others still run), 2 on a refused sweep file or flag.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

from ._sweep_file import SweepError, load_sweep, preset_schedule

PROGRAM = "arborvane.sweep"


def result_path(out_dir, run):
    return os.path.join(out_dir, run["name"] + ".npz")


def _grow(preset, folder):
    # A folder of the parts a simulation reads; the textures only draw.
    from . import grower
    program = grower()
    if not program:
        raise RuntimeError("arborvane-grow not found (set ARBORVANE_GROW or install it)")
    r = subprocess.run([program, "--preset", preset, "--only", "tree,leaf,noise,grass", "--out", folder],
                       capture_output=True, text=True)
    if r.returncode != 0:
        lines = (r.stderr or r.stdout).strip().splitlines()
        raise RuntimeError(f"arborvane-grow --preset {preset} failed: {lines[-1] if lines else r.returncode}")


def _simulate(run, data_dir):
    from . import Simulation
    sim = Simulation(threads=1)  # one process per core: each run on its own thread
    sim.open(data_dir)
    if run["wind"] == "file":
        sim.set_wind_schedule(run["wind_value"])
    else:
        sim.set_wind_schedule_text(preset_schedule(run["wind_value"]), run["wind_value"])
        if run["magnitude"] is not None:
            sim.set_wind(regime=sim.wind["regime"], magnitude=run["magnitude"], direction=sim.wind["direction"])
    sim.set_up(run["seed"])
    return sim.run(run["steps"])


def _write_result(path, run, trace, seconds):
    from . import __version__
    from ._summary import _replace

    def write(f):
        np.savez(f, trace=trace, name=run["name"], tree=run["tree"], tree_value=run["tree_value"],
                 wind=run["wind"], wind_value=run["wind_value"],
                 magnitude=np.nan if run["magnitude"] is None else run["magnitude"],
                 seed=run["seed"], seconds=run["seconds"], steps=run["steps"],
                 version=__version__, wall_seconds=seconds)

    _replace(path, write, binary=True)


def run_one(run, out_dir):
    """One run, on a worker: grows its tree when it is a preset, steps, and
    writes its .npz whole. Returns (name, None) or (name, the failure's line)."""
    started = time.perf_counter()
    grown = None
    try:
        data_dir = run["tree_value"]
        if run["tree"] == "preset":
            grown = tempfile.mkdtemp(prefix="arborvane-sweep-")
            _grow(run["tree_value"], grown)
            data_dir = grown
        trace = _simulate(run, data_dir)
        _write_result(result_path(out_dir, run), run, trace, time.perf_counter() - started)
        return run["name"], None
    except Exception as e:  # reported with the run's parameters; the sweep goes on
        return run["name"], f"{type(e).__name__}: {e}".splitlines()[0]
    finally:
        if grown:
            shutil.rmtree(grown, ignore_errors=True)


def describe(run):
    mag = "" if run["magnitude"] is None else f" magnitude {run['magnitude']:g}"
    return f"{run['tree']} {run['tree_value']}, wind {run['wind_value']}{mag}, seed {run['seed']}, " \
           f"{run['seconds']:g} s"


def _client(args):
    from dask.distributed import Client, LocalCluster
    if args.scheduler:
        return Client(args.scheduler), None
    cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True, host="127.0.0.1",
                           dashboard_address=None, silence_logs=40)
    return Client(cluster), cluster


def _progress(total):
    try:
        from tqdm import tqdm
    except ImportError:
        return None
    return tqdm(total=total, unit="run", file=sys.stderr, disable=None)


def run_sweep(runs, args):
    """Runs what is not in args.out yet; returns the failures as (run, line)."""
    from dask.distributed import as_completed
    todo = [r for r in runs if not os.path.exists(result_path(args.out, r))]
    print(f"{PROGRAM}: {len(runs)} runs, {len(runs) - len(todo)} already in {args.out}, {len(todo)} to run",
          file=sys.stderr)
    if not todo:
        return []
    failures = []
    by_name = {r["name"]: r for r in todo}
    client, cluster = _client(args)
    bar = _progress(len(todo))
    try:
        futures = {client.submit(run_one, r, args.out, key=f"arborvane-{r['name']}-{os.getpid()}", pure=False):
                   r["name"] for r in todo}
        for future in as_completed(list(futures)):
            try:
                name, failure = future.result()
            except Exception as e:  # the worker itself died
                name, failure = futures[future], f"{type(e).__name__}: {e}"
            if failure:
                failures.append((by_name[name], failure))
                message = f"{PROGRAM}: run {name} failed ({describe(by_name[name])}): {failure}"
                (bar.write(message, file=sys.stderr) if bar else print(message, file=sys.stderr))
            if bar:
                bar.update(1)
    finally:
        if bar:
            bar.close()
        client.close()
        if cluster:
            cluster.close()
    return failures


def _check_out(path):
    if os.path.exists(path) and not os.path.isdir(path):
        return 2, f"--out {path}: not a folder"
    try:
        os.makedirs(path, exist_ok=True)
        fd, probe = tempfile.mkstemp(dir=path, prefix=".probe-")
        os.close(fd)
        os.remove(probe)
    except OSError as e:
        return 1, f"--out {path}: {e.strerror}"
    return 0, None


def parse_args(argv):
    parser = argparse.ArgumentParser(prog=f"python3 -m {PROGRAM}", description=__doc__.split("\n\n")[1],
                                     epilog="Sweep file fields: see help(arborvane.sweep).")
    parser.add_argument("sweep", metavar="SWEEP.json", help="the sweep file")
    parser.add_argument("--out", required=True, metavar="DIR", help="folder of the results (made when missing)")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1, metavar="N",
                        help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="run on the Dask cluster of this scheduler instead")
    args = parser.parse_args(argv)
    if not 1 <= args.workers <= 512:
        parser.error(f"--workers {args.workers} is outside 1..512")
    return args


def main(argv=None):
    args = parse_args(argv)
    try:
        runs = load_sweep(args.sweep)
    except SweepError as e:
        print(f"{PROGRAM}: {e}", file=sys.stderr)
        return 2
    status, error = _check_out(args.out)
    if error:
        print(f"{PROGRAM}: {error}", file=sys.stderr)
        return status
    failures = run_sweep(runs, args)
    from ._summary import write_summary
    try:
        table, plot = write_summary(runs, args.out, {r["name"] for r, _ in failures})
    except OSError as e:
        print(f"{PROGRAM}: summary: {e}", file=sys.stderr)
        return 1
    print(f"{PROGRAM}: {len(runs) - len(failures)} of {len(runs)} runs done; {table}, {plot}", file=sys.stderr)
    if failures:
        print(f"{PROGRAM}: {len(failures)} runs failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    # Through the package's module, so the workers unpickle run_one from it.
    from arborvane.sweep import main as package_main
    sys.exit(package_main())
