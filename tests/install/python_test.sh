#!/usr/bin/env bash
# python_test.sh BUILD_DIR WORK_DIR VERSION PYTHON: installs the Runtime and
# Python components into a scratch prefix and uses the installed package as a
# user would, with nothing of the build tree in reach: import arborvane, the
# installed data and grower found from the package, and a small sweep of a
# grown preset.
set -euo pipefail
build=$1 work=$2 version=$3 python=$4
unset ARBORVANE_DATA ARBORVANE_GROW

rm -rf "$work"
mkdir -p "$work/run"
for component in Runtime Python; do
  cmake --install "$build" --prefix "$work/prefix" --component "$component" >>"$work/install.log"
done
prefix=$(realpath "$work/prefix")
packages=$prefix/lib/python3/dist-packages
failed=0
fail() { echo "FAIL: $*"; failed=1; }

[ -e "$packages/arborvane/_build_tree.py" ] && fail "the build tree's paths were installed"
cd "$work/run"
out=$(PYTHONPATH=$packages "$python" - <<PY
import os, arborvane
assert arborvane.__file__.startswith("$packages/"), arborvane.__file__
assert arborvane.__version__ == "$version", arborvane.__version__
assert arborvane.default_data() == "$prefix/share/arborvane/data", arborvane.default_data()
assert arborvane.grower() == "$prefix/bin/arborvane-grow", arborvane.grower()
sim = arborvane.Simulation()
sim.open(arborvane.default_data())
sim.set_up(1)
print(round(float(sim.run(20)["tip_offset"][-1]), 6))
PY
) || fail "import arborvane from the installed package"
[ -n "${out:-}" ] && echo "installed module: tip offset after 20 steps $out"

cat >sweep.json <<JSON
{"data": ["$prefix/share/arborvane/data"], "presets": ["cone"], "wind": ["breeze"], "seeds": [1], "seconds": 0.5}
JSON
PYTHONPATH=$packages "$python" -m arborvane.sweep sweep.json --out results --workers 2 >sweep.log 2>&1 ||
  { cat sweep.log; fail "the installed sweep"; }
for run in data_breeze_s1 cone_breeze_s1; do
  [ -f "results/$run.npz" ] || fail "no results/$run.npz"
done
exit $failed
