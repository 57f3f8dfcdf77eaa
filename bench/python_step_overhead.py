#!/usr/bin/python3
"""What a Python step() costs beyond the library's step. Directly: a call of
step(0) goes the whole way through the binding (lock, GIL released and taken
back, the library's call) without the work. As a check: n calls of step(1)
against one call of step(n), alternated, medians (noisy on a loaded machine).

    PYTHONPATH=build/python /usr/bin/python3 bench/python_step_overhead.py [DATA] [--threads T]

Prints the step's own time, the overhead per call and their ratio."""
import argparse
import statistics
import time

import arborvane


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("data", nargs="?", default=arborvane.default_data())
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("--steps", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()
    sim = arborvane.Simulation(threads=args.threads)
    sim.open(args.data)
    sim.set_up(1)
    sim.step(40)  # past the start-up
    batched, single = [], []
    for _ in range(args.rounds):
        t = time.perf_counter()
        sim.step(args.steps)
        batched.append((time.perf_counter() - t) / args.steps)
        t = time.perf_counter()
        for _ in range(args.steps):
            sim.step()
        single.append((time.perf_counter() - t) / args.steps)
    empty = []
    for _ in range(args.rounds):
        t = time.perf_counter()
        for _ in range(10000):
            sim.step(0)
        empty.append((time.perf_counter() - t) / 10000)
    step, call, bare = statistics.median(batched), statistics.median(single), statistics.median(empty)
    print(f"threads {args.threads}: step(0) through the binding {bare * 1e6:.2f} us = "
          f"{100 * bare / step:.3f} % of the step")
    print(f"threads {args.threads}: step {step * 1e3:.3f} ms, step() from Python {call * 1e3:.3f} ms, "
          f"overhead {(call - step) * 1e6:.1f} us per call = {100 * (call - step) / step:.2f} % of the step")


if __name__ == "__main__":
    main()
