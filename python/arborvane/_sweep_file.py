"""The sweep file: read, checked field by field, and made into the list of
runs, before any run starts. Every fault is one line naming the file and the
field (SweepError), as the wind file's are."""
import json
import math
import os
import re
import stat

from ._arborvane import Error, Simulation

FIELDS = ("data", "presets", "wind", "magnitudes", "seeds", "seconds")
# arborvane-grow's presets (arborvane-grow --help lists them).
PRESETS = ("tulip", "spreading", "columnar", "cone")
MAX_FILE_BYTES = 4 << 20
MAX_SECONDS = 86400.0


class SweepError(Exception):
    """A refused sweep file; the message is one line naming the field."""


def _refuse(where, text):
    raise SweepError(f"{where}: {text}")


def _read_text(path):
    try:
        info = os.stat(path)
    except OSError as e:
        _refuse(path, e.strerror)
    if not stat.S_ISREG(info.st_mode):
        _refuse(path, "not a regular file")
    if info.st_size > MAX_FILE_BYTES:
        _refuse(path, "larger than 4 MB")
    try:
        with open(path, "rb") as f:
            return f.read().decode("utf-8")
    except OSError as e:
        _refuse(path, e.strerror)
    except UnicodeDecodeError:
        _refuse(path, "not UTF-8 text")


def _parse(path, text):
    def pairs(items):
        seen = set()
        for key, _ in items:
            if key in seen:
                raise ValueError(f"field '{key}' given twice")
            seen.add(key)
        return dict(items)

    def finite(literal):
        value = float(literal)
        if not math.isfinite(value):
            raise ValueError(f"number {literal} is too large")
        return value

    def constant(name):
        raise ValueError(f"{name} is not a number")

    try:
        return json.loads(text, object_pairs_hook=pairs, parse_float=finite, parse_constant=constant)
    except json.JSONDecodeError as e:
        _refuse(f"{path}, line {e.lineno}", e.msg)
    except ValueError as e:
        _refuse(path, str(e))


def _list(doc, path, field, required):
    if field not in doc:
        if required:
            _refuse(path, f"'{field}' is missing")
        return []
    value = doc[field]
    if not isinstance(value, list) or (required and not value):
        _refuse(f"{path}: {field}", "must be a non-empty list" if required else "must be a list")
    seen = set()
    for i, item in enumerate(value):
        key = json.dumps(item, sort_keys=True)
        if key in seen:
            _refuse(f"{path}: {field}[{i}]", f"{item!r} is listed twice")
        seen.add(key)
    return value


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _check_data(path, folder, items):
    trees = []
    for i, item in enumerate(items):
        where = f"{path}: data[{i}]"
        if not isinstance(item, str) or not item:
            _refuse(where, "must be a folder name")
        full = os.path.normpath(os.path.join(folder, item))
        if not os.path.isdir(full):
            _refuse(where, f"{full} is not a folder")
        try:
            Simulation(threads=1).open(full)
        except Error as e:
            _refuse(where, str(e))
        trees.append({"kind": "data", "value": full, "label": os.path.basename(full) or "data"})
    return trees


def _check_presets(path, items):
    for i, item in enumerate(items):
        if item not in PRESETS:
            _refuse(f"{path}: presets[{i}]", f"{item!r} is not a preset ({', '.join(PRESETS)})")
    return [{"kind": "preset", "value": item, "label": item} for item in items]


def _check_wind(path, folder, items):
    winds = []
    for i, item in enumerate(items):
        where = f"{path}: wind[{i}]"
        if not isinstance(item, str) or not item:
            _refuse(where, "must be a wind preset or a schedule file")
        probe = Simulation(threads=1)
        if re.fullmatch(r"[a-z-]+", item):
            try:
                probe.set_wind_schedule_text(preset_schedule(item), item)
                winds.append({"kind": "preset", "value": item, "label": item})
                continue
            except Error:
                pass  # not a preset: perhaps a file of that name
        full = os.path.normpath(os.path.join(folder, item))
        if not os.path.exists(full):
            _refuse(where, f"{item!r} is neither a wind preset nor a file ({full}: No such file or directory)")
        try:
            probe.set_wind_schedule(full)
        except Error as e:
            _refuse(where, str(e))
        label = os.path.splitext(os.path.basename(full))[0]
        winds.append({"kind": "file", "value": full, "label": label})
    return winds


def _check_magnitudes(path, items):
    for i, item in enumerate(items):
        if not _is_number(item):
            _refuse(f"{path}: magnitudes[{i}]", f"{item!r} is not a number")
        try:
            Simulation(threads=1).set_wind(magnitude=float(item))
        except ValueError as e:
            _refuse(f"{path}: magnitudes[{i}]", str(e))
    return [float(m) for m in items]


def _check_seeds(path, items):
    for i, item in enumerate(items):
        if not isinstance(item, int) or isinstance(item, bool) or not 0 <= item <= 0xFFFFFFFF:
            _refuse(f"{path}: seeds[{i}]", f"{item!r} is not an integer in 0..4294967295")
    return list(items)


def _check_seconds(path, doc):
    if "seconds" not in doc:
        _refuse(path, "'seconds' is missing")
    seconds = doc["seconds"]
    if not _is_number(seconds) or not 0 < seconds <= MAX_SECONDS:
        _refuse(f"{path}: seconds", f"{seconds!r} is not a number over 0 up to {MAX_SECONDS:g}")
    steps = round(seconds / Simulation.time_step)
    if steps < 1:
        _refuse(f"{path}: seconds", f"{seconds!r} is shorter than one step ({Simulation.time_step} s)")
    return float(seconds), steps


def preset_schedule(name):
    """A one-key schedule holding a wind preset."""
    return json.dumps({"keys": [{"time": 0, "preset": name}]})


def _unique_labels(trees):
    # Two data folders of one name get the folder's parent in their label too.
    names = [t["label"] for t in trees]
    for t in trees:
        if names.count(t["label"]) > 1:
            parent = os.path.basename(os.path.dirname(t["value"]))
            t["label"] = f"{parent}-{t['label']}"
    labels = [t["label"] for t in trees]
    for i, t in enumerate(trees):
        if labels.count(t["label"]) > 1:
            t["label"] = f"{t['label']}{i}"


def _name(*parts):
    return "_".join(re.sub(r"[^A-Za-z0-9.+-]+", "-", str(p)) for p in parts if p is not None)


def load_sweep(path):
    """The runs of a sweep file, each a dict of its parameters and its name;
    SweepError (one line) on any fault, before anything runs."""
    doc = _parse(path, _read_text(path))
    if not isinstance(doc, dict):
        _refuse(path, "must hold an object with the fields " + ", ".join(FIELDS))
    for key in doc:
        if key not in FIELDS:
            _refuse(path, f"unknown field '{key}' (known: {', '.join(FIELDS)})")
    folder = os.path.dirname(os.path.abspath(path))
    trees = _check_data(path, folder, _list(doc, path, "data", False))
    trees += _check_presets(path, _list(doc, path, "presets", False))
    if not trees:
        _refuse(path, "no tree: give at least one of 'data' (folders) and 'presets'")
    _unique_labels(trees)
    winds = _check_wind(path, folder, _list(doc, path, "wind", True))
    magnitudes = _check_magnitudes(path, _list(doc, path, "magnitudes", False))
    seeds = _check_seeds(path, _list(doc, path, "seeds", True))
    seconds, steps = _check_seconds(path, doc)
    runs = []
    for tree in trees:
        for wind in winds:
            # Magnitudes override a preset's; a schedule file keeps its own.
            for magnitude in (magnitudes or [None]) if wind["kind"] == "preset" else [None]:
                for seed in seeds:
                    mag = None if magnitude is None else f"m{magnitude:g}"
                    runs.append({
                        "name": _name(tree["label"], wind["label"], mag, f"s{seed}"),
                        "tree": tree["kind"], "tree_value": tree["value"],
                        "wind": wind["kind"], "wind_value": wind["value"],
                        "magnitude": magnitude, "seed": seed, "seconds": seconds, "steps": steps,
                    })
    names = [r["name"] for r in runs]
    for r in runs:
        if names.count(r["name"]) > 1:
            _refuse(path, f"two runs would both be named {r['name']}; rename a wind file")
    return runs
