"""Arborvane from Python: one broad-leaved tree in a grass field moving in
turbulent wind, stepped without a window, its state read as numpy arrays.

    import arborvane
    sim = arborvane.Simulation()
    sim.open(arborvane.default_data())
    sim.set_up(1)
    sim.set_wind(regime="gale", magnitude=400.0)
    trace = sim.run(200)            # the recorder's --trace fields, no CSV
    print(trace["tip_offset"].max())

help(arborvane.Simulation) is the manual. Sweeps of many runs over a Dask
cluster: python3 -m arborvane.sweep --help.
"""
import os as _os
import shutil as _shutil

from ._arborvane import Error, Simulation, __version__

__all__ = ["Error", "Simulation", "__version__", "default_data", "grower"]


def _build_info():
    try:
        import importlib
        tree = importlib.import_module(__name__ + "._build_tree")
    except ImportError:
        return None
    return tree


def default_data():
    """The data folder the programs would read: $ARBORVANE_DATA, then the
    build's generated data (when imported from the build tree), then the
    installed /usr/share/arborvane/data (beside the package's prefix)."""
    if _os.environ.get("ARBORVANE_DATA"):
        return _os.environ["ARBORVANE_DATA"]
    tree = _build_info()
    if tree is not None and _os.path.isdir(tree.DATA):
        return tree.DATA
    # <prefix>/lib/python3/dist-packages/arborvane -> <prefix>/share/arborvane/data
    here = _os.path.dirname(_os.path.realpath(__file__))
    prefix = _os.path.normpath(_os.path.join(here, "..", "..", "..", ".."))
    return _os.path.join(prefix, "share", "arborvane", "data")


def grower():
    """The arborvane-grow program: $ARBORVANE_GROW, the one built beside this
    package in the build tree, the installed one beside the package's prefix,
    or the one on PATH; None when there is none."""
    if _os.environ.get("ARBORVANE_GROW"):
        return _os.environ["ARBORVANE_GROW"]
    tree = _build_info()
    if tree is not None and _os.access(tree.GROW, _os.X_OK):
        return tree.GROW
    here = _os.path.dirname(_os.path.realpath(__file__))
    installed = _os.path.normpath(_os.path.join(here, "..", "..", "..", "..", "bin", "arborvane-grow"))
    if _os.access(installed, _os.X_OK):
        return installed
    return _shutil.which("arborvane-grow")
