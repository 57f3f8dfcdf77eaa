#!/usr/bin/env python3
"""scripts/test.sh's ctest step against a made-up test tree: a test that fails
once and then passes must fail the step unless it is a window test (label
e2e), which gets a second run.

  ctest_rerun_test.py REPO"""
import os
import subprocess
import sys
import tempfile

FLAKY = '[ -e "$1" ] && exit 0; : > "$1"; exit 1\n'  # fails on the first run only


def step_status(repo, labels):
    with tempfile.TemporaryDirectory() as build:
        flaky = os.path.join(build, "flaky.sh")
        open(flaky, "w").write(FLAKY)
        lines = []
        for name, label, runs_flaky in labels:
            mark = os.path.join(build, name + ".mark")
            if not runs_flaky:
                open(mark, "w").close()
            lines.append(f'add_test({name} "/bin/sh" "{flaky}" "{mark}")')
            lines.append(f'set_tests_properties({name} PROPERTIES LABELS "{label}")')
        open(os.path.join(build, "CTestTestfile.cmake"), "w").write("\n".join(lines) + "\n")
        env = dict(os.environ, ARBORVANE_TEST_BUILD=build)
        r = subprocess.run(["bash", "-c", 'source scripts/test.sh && step_ctest'], cwd=repo, env=env,
                           stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        return r.returncode, r.stdout + r.stderr


def main():
    repo = sys.argv[1]
    status, out = step_status(repo, [("unit_a", "unit", True), ("e2e_a", "e2e", False)])
    if status == 0:
        sys.exit("FAIL: a unit test that failed once passed the step on its rerun\n" + out)
    status, out = step_status(repo, [("unit_a", "unit", False), ("e2e_a", "e2e", True)])
    if status != 0:
        sys.exit("FAIL: a window test that passed on its second run failed the step\n" + out)
    status, out = step_status(repo, [("unit_a", "record", False), ("e2e_a", "e2e", False)])
    if status != 0:
        sys.exit("FAIL: passing tests failed the step\n" + out)
    print("ctest step: only e2e tests get a second run")


if __name__ == "__main__":
    main()
