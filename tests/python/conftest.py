"""What the module's tests share: the data folder and programs of the build
tree (set by the ctest), and a simulation set up on them."""
import os

import pytest

import arborvane

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


@pytest.fixture(scope="session")
def data_dir():
    path = arborvane.default_data()
    if not os.path.isfile(os.path.join(path, "tree", "tulip_tree.txt")):
        pytest.skip(f"no generated data in {path} (build the target arborvane_data)")
    return path


@pytest.fixture
def sim(data_dir):
    s = arborvane.Simulation(threads=1)
    s.open(data_dir)
    s.set_up(1)
    return s
