"""Times the main construction, its certified form and unit-distance counting.

Run with the project's environment, e.g. `.venv/bin/python bench/bench_multiquadratic.py`.
Prints the median of several runs for each size and the growth factor from one
size to the next. This is a measurement, not a test: the machine is shared, so
compare medians and ratios, not single times.
"""

import argparse
import statistics
import time

import vantor


def median_time(call, repeats):
    times = []
    for _ in range(repeats):
        started = time.perf_counter()
        call()
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def series(title, sizes, make_call, repeats):
    print(title)
    previous = None
    for size in sizes:
        seconds = median_time(make_call(size), repeats)
        growth = f"x{seconds / previous:5.2f}" if previous else "      "
        print(f"  n = {size:>6}  median {seconds * 1000:9.1f} ms  {growth}")
        previous = seconds
    print()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--repeats", type=int, default=5)
    args = parser.parse_args()
    sizes = [100, 1000, 5000]

    series("generate_multiquadratic([2], 17, 1, n)", sizes,
           lambda n: lambda: vantor.generate_multiquadratic([2], 17, 1, n), args.repeats)
    series("generate_multiquadratic([2, 3], 73, 1, n)", sizes,
           lambda n: lambda: vantor.generate_multiquadratic([2, 3], 73, 1, n), args.repeats)
    series("generate_multiquadratic([2, 3], 73, 2, n)", sizes,
           lambda n: lambda: vantor.generate_multiquadratic([2, 3], 73, 2, n), args.repeats)
    series("generate_multiquadratic_certified([2], 17, 1, n)", sizes,
           lambda n: lambda: vantor.generate_multiquadratic_certified([2], 17, 1, n), args.repeats)
    series("generate_multiquadratic_certified([2, 3], 73, 1, n)", sizes,
           lambda n: lambda: vantor.generate_multiquadratic_certified([2, 3], 73, 1, n),
           args.repeats)

    grids = {n: vantor.generate_triangular_grid(n) for n in (1000, 10000, 100000)}
    series("count_unit_distances(triangular_grid(n))", list(grids),
           lambda n: lambda: vantor.count_unit_distances(grids[n]), args.repeats)


if __name__ == "__main__":
    main()
