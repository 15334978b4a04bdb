"""Measures the exact data of vantor_tools against the calls it builds on.

- exact verdicts: vantor_tools.exact.certify (construction, certificate and
  an exact verdict on every pair within the audit tolerance) and
  vantor_tools.exact.check (the full re-check of that result) against
  vantor.generate_multiquadratic_certified on the same request;
- edges: vantor_tools.unit_edges against vantor.count_unit_distances on the
  same points.

Run with the project's environment:
    .venv/bin/python bench/bench_exact.py [--repeats 5]
Medians of the repeats, measured side by side in one run; prints Markdown
tables. This is a measurement, not a test: the machine is shared, so read
the load average printed at the end with the numbers.
"""

import argparse
import os
import statistics
import time

import numpy

import vantor
import vantor_tools
from vantor_tools import exact

REQUESTS = [
    ([2], 17, 2, 100_000),
    ([-1], 5, 4, 100_000),
    ([2, 3], 73, 1, 30_000),
]


def median_time(call, repeats):
    times = []
    for _ in range(repeats):
        started = time.perf_counter()
        value = call()
        times.append(time.perf_counter() - started)
    return statistics.median(times), value


def exact_table(repeats):
    print("| request | certified call | exact certify | ratio | re-check | pairs | "
          "proven unit | certified | near misses |")
    print("|---|---|---|---|---|---|---|---|---|")
    for generators, prime, k, n in REQUESTS:
        plain, _ = median_time(
            lambda: vantor.generate_multiquadratic_certified(generators, prime, k, n), repeats)
        proven_time, result = median_time(
            lambda: exact.certify(generators, prime, k, n), repeats)
        check_time, _ = median_time(lambda: exact.check(result), repeats)
        proven = result["exact_unit_distances"]
        near = len(result["near_misses"])
        print(f"| {generators}, {prime}, {k}, {n} | {plain:.2f} s | {proven_time:.2f} s | "
              f"{proven_time / plain:.2f} | {check_time:.2f} s | {proven + near} | {proven} | "
              f"{len(result['certified_edges'])} | {near} |")


def edges_table(repeats):
    rng = numpy.random.default_rng(7)
    side = 1000.0
    inputs = {
        "10^6 uniform points, square of side 1000": rng.uniform(0, side, (10**6, 2)),
        "10^6 triangular grid points": numpy.array(vantor.generate_triangular_grid(10**6)),
    }
    print()
    print("| points | count_unit_distances | unit_edges | ratio | edges |")
    print("|---|---|---|---|---|")
    for name, points in inputs.items():
        counted, count = median_time(lambda: vantor.count_unit_distances(points), repeats)
        listed, edges = median_time(lambda: vantor_tools.unit_edges(points), repeats)
        assert len(edges) == count
        print(f"| {name} | {counted:.3f} s | {listed:.3f} s | {listed / counted:.2f} | "
              f"{count} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--repeats", type=int, default=5)
    arguments = parser.parse_args()
    exact_table(arguments.repeats)
    edges_table(arguments.repeats)
    print()
    print(f"load average {os.getloadavg()[0]:.2f}, {os.cpu_count()} CPUs, "
          f"VANTOR_NUM_THREADS={os.environ.get('VANTOR_NUM_THREADS', 'unset')}")


if __name__ == "__main__":
    main()
