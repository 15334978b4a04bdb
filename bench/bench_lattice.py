"""Times vantor_lattice.best(n) and checks its counts against vantor.

Run with the project's environment, e.g. `.venv/bin/python bench/bench_lattice.py`.
For each n prints the median time of best(n) over several runs, the unit
distances per point against the target for that n, the median time of
vantor_lattice.verify on the result, and whether
vantor.count_unit_distances(points, 1e-9) agrees with the edge count (with
the time that count took: it is a plain measurement, run once). This is a
measurement, not a test: the machine is shared, so compare medians and
ratios, not single times, and note the load average printed at the end.
"""

import argparse
import os
import statistics
import time

import vantor
import vantor_lattice

TARGETS = {10**4: 12.5, 10**5: 21.0, 10**6: 34.0}


def timed(call):
    started = time.perf_counter()
    value = call()
    return time.perf_counter() - started, value


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--sizes", type=int, nargs="*", default=sorted(TARGETS))
    parser.add_argument("--no-count", action="store_true",
                        help="skip the cross-check with vantor.count_unit_distances")
    args = parser.parse_args()

    for n in args.sizes:
        runs = [timed(lambda: vantor_lattice.best(n)) for _ in range(args.repeats)]
        result = runs[-1][1]
        best_median = statistics.median(seconds for seconds, _ in runs)
        del runs
        verify_median = statistics.median(
            timed(lambda: vantor_lattice.verify(result))[0] for _ in range(args.repeats))
        per_point = result["unit_distances"] / n
        target = TARGETS.get(n)
        verdict = "" if target is None else f" (target {target}: {'met' if per_point >= target else 'MISSED'})"
        print(f"best({n}): {result['family']} {result['shape']} m={result['m']}, "
              f"{result['unit_distances']} unit distances, {per_point:.4f} per point{verdict}")
        print(f"  best    median {best_median:7.3f} s over {args.repeats} runs")
        print(f"  verify  median {verify_median:7.3f} s")
        if not args.no_count:
            seconds, count = timed(lambda: vantor.count_unit_distances(result["points"], 1e-9))
            agree = "agrees" if count == result["unit_distances"] else f"DIFFERS ({count})"
            print(f"  vantor.count_unit_distances(points, 1e-9) {agree}, took {seconds:.2f} s")
    print(f"load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")


if __name__ == "__main__":
    main()
