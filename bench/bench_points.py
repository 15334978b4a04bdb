"""Measures reading and writing point sets: point files of each format
(read_points, read_point_cells, write_points) and unit_edges on each
in-memory form, side by side in one run.

Run with the project's environment: .venv/bin/python bench/bench_points.py
(about a minute; --n sets the number of points). Prints Markdown medians.
This is a measurement, not a test.
"""

import argparse
import pathlib
import statistics
import tempfile
import time

import numpy

import vantor_tools
from vantor_tools import points


def median_time(run, repeats):
    times = []
    for _ in range(repeats):
        started = time.perf_counter()
        run()
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--n", type=int, default=10**6)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    coordinates = numpy.random.default_rng(3).normal(size=(args.n, 2))
    pairs = [tuple(p) for p in coordinates.tolist()]

    print(f"| {args.n} points | write_points | bytes | read_points | read_point_cells |")
    print("|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for fmt in points.FORMATS:
            path = pathlib.Path(folder) / f"points.{fmt}"
            written = median_time(lambda: points.write_points(path, pairs, fmt), args.repeats)
            read = median_time(lambda: points.read_points(path), args.repeats)
            cells = median_time(lambda: points.read_point_cells(path), args.repeats)
            assert points.read_points(path) == pairs
            print(f"| {fmt} | {written:.2f} s | {path.stat().st_size} | {read:.2f} s | "
                  f"{cells:.2f} s |")

    # A tenth of the points: the pairs kernel is not what is measured here.
    some = args.n // 10
    forms = {
        "numpy (n, 2) float64": coordinates[:some],
        "list of tuples": pairs[:some],
        "list of lists": [list(p) for p in pairs[:some]],
        "list of complex": [complex(x, y) for x, y in pairs[:some]],
        "numpy (n,) complex128": coordinates[:some, 0] + 1j * coordinates[:some, 1],
    }
    print(f"\n| unit_edges of {some} points given as | median | ratio to numpy |")
    print("|---|---|---|")
    first = None
    for name, form in forms.items():
        taken = median_time(lambda: vantor_tools.unit_edges(form), args.repeats)
        first = first or taken
        print(f"| {name} | {taken:.3f} s | {taken / first:.2f} |")


if __name__ == "__main__":
    main()
