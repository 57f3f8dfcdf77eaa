#!/usr/bin/python3
"""Plots a wind trace (CSV: frame,time,regime,magnitude,...,tip_offset):
the wind magnitude and the tree top's offset from rest against time.

Usage: scripts/plot_trace.py TRACE.csv OUT.png
(Debian's python3, where python3-matplotlib installs.)
"""
import csv
import sys

import matplotlib

matplotlib.use("Agg")  # no display needed
import matplotlib.pyplot as plt


def main(argv):
    if len(argv) != 3:
        print("usage: plot_trace.py TRACE.csv OUT.png", file=sys.stderr)
        return 2
    try:
        with open(argv[1], newline="") as f:
            rows = list(csv.DictReader(f))
        time = [float(r["time"]) for r in rows]
        magnitude = [float(r["magnitude"]) for r in rows]
        offset = [float(r["tip_offset"]) for r in rows]
    except (OSError, KeyError, ValueError) as e:
        print("%s: cannot read the trace: %s" % (argv[1], e), file=sys.stderr)
        return 1

    fig, wind = plt.subplots(figsize=(10, 4.5))
    wind.plot(time, magnitude, color="tab:blue", linewidth=1.2)
    wind.set_xlabel("time (s)")
    wind.set_ylabel("wind magnitude", color="tab:blue")
    wind.set_ylim(bottom=0)
    # Breeze steps shaded: there the force does not follow the magnitude.
    for t, r in zip(time, rows):
        if r["regime"] == "breeze":
            wind.axvspan(t - 0.025, t + 0.025, color="tab:green", alpha=0.08, linewidth=0)
    top = wind.twinx()
    top.plot(time, offset, color="tab:red", linewidth=1.2)
    top.set_ylabel("tree top offset from rest", color="tab:red")
    top.set_ylim(bottom=0)
    wind.set_title(argv[1].rsplit("/", 1)[-1])
    fig.tight_layout()
    try:
        fig.savefig(argv[2], dpi=100)
    except OSError as e:
        print("%s: cannot write the plot: %s" % (argv[2], e), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
