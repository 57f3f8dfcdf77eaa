#!/usr/bin/python3
"""A 64-run sweep on the local cluster against the same 64 runs one after
another in one process, divided by the workers.

    PYTHONPATH=build/python /usr/bin/python3 bench/sweep_speed.py [--seconds 20] [--workers 2] [DATA]

Prints both times and their ratio (1.0: the cluster costs nothing)."""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import arborvane
from arborvane import sweep
from arborvane._sweep_file import load_sweep


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("data", nargs="?", default=arborvane.default_data())
    parser.add_argument("--seconds", type=float, default=20.0)
    parser.add_argument("--workers", type=int, default=os.cpu_count())
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "sweep.json")
        with open(path, "w") as f:
            json.dump({"data": [os.path.abspath(args.data)], "wind": ["gale", "storm"], "magnitudes": [200, 400],
                       "seeds": list(range(1, 17)), "seconds": args.seconds}, f)
        runs = load_sweep(path)
        serial_dir = os.path.join(work, "serial")
        os.mkdir(serial_dir)
        t = time.perf_counter()
        for run in runs:
            name, failure = sweep.run_one(run, serial_dir)
            if failure:
                sys.exit(f"{name}: {failure}")
        serial = time.perf_counter() - t
        t = time.perf_counter()
        subprocess.run([sys.executable, "-m", "arborvane.sweep", path, "--out", os.path.join(work, "cluster"),
                        "--workers", str(args.workers)], check=True)
        cluster = time.perf_counter() - t
        # Each run's own wall time, as its worker measured it: the part of the
        # sweep's time the machine's load explains, not the cluster.
        busy = 0.0
        for run in runs:
            with np.load(sweep.result_path(os.path.join(work, "cluster"), run)) as r:
                busy += float(r["wall_seconds"])
    ideal = serial / args.workers
    print(f"{len(runs)} runs of {args.seconds:g} s: one after another {serial:.1f} s, / {args.workers} workers "
          f"{ideal:.1f} s; sweep on the local cluster {cluster:.1f} s (summary and plot included) = "
          f"{cluster / ideal:.2f} x")
    print(f"the runs themselves on the cluster: {busy:.1f} s in all, {busy / len(runs):.2f} s each "
          f"(one after another: {serial / len(runs):.2f} s each); the sweep beyond its runs' time / "
          f"{args.workers}: {cluster - busy / args.workers:.1f} s")


if __name__ == "__main__":
    main()
