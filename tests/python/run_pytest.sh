#!/bin/sh
# run_pytest.sh PYTHON TEST_DIR BUILD_DIR: pytest on the module's tests, or
# exit 77 (skipped) saying why when pytest is not installed.
python=$1 tests=$2 build=$3
if ! "$python" -c "import pytest" 2>/dev/null; then
  echo "SKIP: pytest not installed for $python (apt-get install python3-pytest)"
  exit 77
fi
cd "$build" || exit 1
exec "$python" -m pytest -q -p no:cacheprovider "$tests"
