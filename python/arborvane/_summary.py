"""The sweep's end: summary.csv (one row per run) and sweep.png, each written
whole through a temporary file beside it, from the result files in DIR."""
import csv
import io
import math
import os
import tempfile

import numpy as np

COLUMNS = ("run", "status", "tree", "wind", "magnitude", "seed", "seconds",
           "max_tip_offset", "mean_tip_offset", "gust_to_top_lag")
MAX_LAG_SECONDS = 5.0


def gust_to_top_lag(trace):
    """Seconds by which the tree-top offset follows the wind's magnitude: the
    lag (0..5 s) of the largest cross-correlation of the two; NaN when the
    magnitude never changes (no gust to follow)."""
    m = np.asarray(trace["magnitude"], dtype=float)
    o = np.asarray(trace["tip_offset"], dtype=float)
    if len(m) < 4 or np.ptp(m) == 0.0:
        return math.nan
    dt = float(trace["time"][1] - trace["time"][0])
    dm, do = m - m.mean(), o - o.mean()
    longest = min(int(round(MAX_LAG_SECONDS / dt)), len(m) // 2)
    scores = [np.dot(dm[:len(m) - k], do[k:]) / (len(m) - k) for k in range(longest + 1)]
    return int(np.argmax(scores)) * dt


def _replace(path, write, binary):
    folder = os.path.dirname(os.path.abspath(path))
    fd, part = tempfile.mkstemp(dir=folder, prefix="." + os.path.basename(path) + ".", suffix=".part")
    try:
        with os.fdopen(fd, "wb" if binary else "w", **({} if binary else {"newline": ""})) as f:
            write(f)
            f.flush()
            os.fsync(f.fileno())
        os.replace(part, path)
    except BaseException:
        if os.path.exists(part):
            os.remove(part)
        raise


def _number(value, digits=6):
    return "" if value is None or (isinstance(value, float) and math.isnan(value)) else f"{value:.{digits}f}"


def _rows(runs, out_dir, failed):
    rows, traces = [], []
    for run in runs:
        path = os.path.join(out_dir, run["name"] + ".npz")
        row = {"run": run["name"], "tree": run["tree_value"],
               "wind": run["wind_value"], "magnitude": "" if run["magnitude"] is None else f"{run['magnitude']:g}",
               "seed": run["seed"], "seconds": f"{run['seconds']:g}"}
        if run["name"] in failed or not os.path.exists(path):
            row.update(status="failed" if run["name"] in failed else "missing")
        else:
            with np.load(path) as result:
                trace = result["trace"]
            offset = trace["tip_offset"]
            row.update(status="done", max_tip_offset=_number(float(offset.max())),
                       mean_tip_offset=_number(float(offset.mean())),
                       gust_to_top_lag=_number(gust_to_top_lag(trace), 2))
            traces.append((run["name"], trace))
        rows.append(row)
    return rows, traces


def _plot(traces, f):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, (left, right) = plt.subplots(1, 2, figsize=(13, max(4.5, 0.18 * len(traces) + 1.5)),
                                      gridspec_kw={"width_ratios": [3, 2]})
    for name, trace in traces:
        left.plot(trace["time"], trace["tip_offset"], linewidth=0.7, label=name)
    left.set_xlabel("time (s)")
    left.set_ylabel("tree-top offset (model units)")
    left.set_title("Tree-top offset of every run")
    if len(traces) <= 12:
        left.legend(fontsize=7)
    names = [name for name, _ in traces]
    y = np.arange(len(traces))
    right.barh(y, [t["tip_offset"].max() for _, t in traces], color="#7a9e7e", label="largest")
    right.plot([t["tip_offset"].mean() for _, t in traces], y, "k|", markersize=8, label="mean")
    right.set_yticks(y, names, fontsize=6)
    right.invert_yaxis()
    right.set_xlabel("tree-top offset (model units)")
    right.legend(fontsize=7)
    fig.tight_layout()
    fig.savefig(f, format="png", dpi=100)
    plt.close(fig)


def write_summary(runs, out_dir, failed):
    """Writes DIR/summary.csv and DIR/sweep.png; returns their paths."""
    rows, traces = _rows(runs, out_dir, failed)
    table = os.path.join(out_dir, "summary.csv")
    text = io.StringIO()
    writer = csv.DictWriter(text, fieldnames=COLUMNS, restval="", lineterminator="\n")
    writer.writeheader()
    writer.writerows(rows)
    _replace(table, lambda f: f.write(text.getvalue()), binary=False)
    plot = os.path.join(out_dir, "sweep.png")
    if traces:
        _replace(plot, lambda f: _plot(traces, f), binary=True)
    return table, plot
