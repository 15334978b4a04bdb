"""Measures the records of vantor_tools.records against the published values
and its own guarantees, and times best(n) and the exact checks.

Run with the project's environment: .venv/bin/python bench/bench_records.py
(a few minutes; --repeats sets the runs per timing, --n-max the range of
the guarantee checks). Prints Markdown tables:

- best(n) against the known maxima u(n) (OEIS A186705) for n <= 21, the
  densest known sets of Engel, Hammond-Lee, Su, Varga and Zsamboki
  (arXiv:2406.15317, Table 2) at the sizes quoted below, and Kevin Moore's
  table of unit-distance records beyond 100;
- the guarantees over every n up to --n-max, counted on the sets best(n)
  builds: best(n) >= best(n - 1) + 2, best(n) >= best(a) + best(n - a),
  best(n) >= every lattice family and the atlas;
- the catalogue's numbers of non-isomorphic densest sets against OEIS
  A385657 (n <= 21) and Table 2's at the sizes quoted;
- the slowest median time of best(n) over n <= --n-max, best(1) in a fresh
  interpreter, and the exact check of the whole atlas and catalogue in a
  fresh interpreter.

This is a measurement, not a test: the machine is shared, so compare
medians taken in one run, and note the load average printed at the end.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

from vantor_tools import _lattice, records

KNOWN = dict(zip(range(1, 22), [0, 1, 3, 5, 7, 9, 12, 14, 18, 20, 23, 27, 30, 33, 37, 41, 43,
                                46, 50, 54, 57]))
# arXiv:2406.15317, Table 2, at the sizes quoted here (densest known sets).
TABLE_2 = dict(zip(range(22, 31), [60, 64, 68, 72, 76, 81, 85, 89, 93]))
TABLE_2.update({35: 114, 36: 119, 40: 137, 45: 160, 49: 180, 50: 183, 55: 206, 60: 231,
                64: 252, 70: 281, 75: 306, 80: 332, 81: 338, 85: 360, 90: 385, 95: 412,
                96: 418, 97: 423, 100: 439})
# Kevin Moore's table of unit-distance records beyond 100.
MOORE = {103: 456, 106: 474, 109: 489, 112: 508, 115: 525, 118: 540, 121: 558, 124: 576,
         127: 591, 135: 642, 145: 698, 150: 724}
# Targets of the search beyond the published tables.
TARGETS = {250: 1321, 300: 1653, 400: 2287}
# Non-isomorphic densest graphs: OEIS A385657 (n <= 21; the Moser lattice holds
# all but one of the seven of 17 points) and Table 2 at the sizes quoted.
GRAPHS = dict(zip(range(1, 22), [1, 1, 1, 1, 1, 4, 1, 3, 1, 1, 2, 1, 1, 2, 1, 1, 7, 16, 3, 1,
                                 5]))
TABLE_2_GRAPHS = {6: 4, 8: 3, 17: 6, 18: 16, 21: 5, 22: 35, 23: 10, 94: 80, 100: 22}


def timed(call):
    started = time.perf_counter()
    value = call()
    return time.perf_counter() - started, value


def fresh(code):
    return float(subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                check=True).stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--n-max", type=int, default=2000)
    args = parser.parse_args()

    count = {}
    slowest = (0.0, 0)
    for n in range(1, args.n_max + 1):
        runs = [timed(lambda: records.best(n)) for _ in range(args.repeats)]
        median = statistics.median(seconds for seconds, _ in runs)
        slowest = max(slowest, (median, n))
        count[n] = runs[0][1]["unit_distances"]

    print("| n | published | best(n) | verdict |")
    print("|---|---|---|---|")
    for source in (KNOWN, TABLE_2, MOORE, TARGETS):
        for n, value in source.items():
            if n <= args.n_max:
                verdict = "more" if count[n] > value else "equal" if count[n] == value else "FEWER"
                print(f"| {n} | {value} | {count[n]} | {verdict} |")

    below_apex = [n for n in range(3, args.n_max + 1) if count[n] < count[n - 1] + 2]
    below_split = [n for n in range(2, args.n_max + 1)
                   if count[n] < max(count[a] + count[n - a] for a in range(1, n // 2 + 1))]
    below_family = []
    for n in range(1, args.n_max + 1, 7):
        families = [_lattice.square_lattice(n), _lattice.eisenstein_lattice(n)]
        if n <= 600:
            families.append(records.moser_atlas(n))
        if count[n] < max(f["unit_distances"] for f in families):
            below_family.append(n)
    print(f"\nguarantees over n <= {args.n_max}: below best(n - 1) + 2 at {below_apex or 'none'}; "
          f"below a split at {below_split or 'none'}; below a family or the atlas (every "
          f"7th n) at {below_family or 'none'}")

    print("\n| n | densest graphs (A385657) | Table 2 | catalogue |")
    print("|---|---|---|---|")
    for n in sorted(set(GRAPHS) | set(TABLE_2_GRAPHS)):
        found = len(records.catalogue(n))
        print(f"| {n} | {GRAPHS.get(n, '')} | {TABLE_2_GRAPHS.get(n, '')} | {found} |")

    first = fresh("import time; from vantor_tools import records; t = time.perf_counter(); "
                  "records.best(1); print(time.perf_counter() - t)")
    check = fresh("import time; from vantor_tools import records; t = time.perf_counter(); "
                  "[records.moser_atlas(n) for n in range(1, 601)]; "
                  "[records.catalogue(n) for n in range(1, 101)]; "
                  "print(time.perf_counter() - t)")
    print(f"\nslowest median best(n), n <= {args.n_max}: {slowest[0] * 1000:.1f} ms "
          f"(n = {slowest[1]}); best(1) in a fresh interpreter {first * 1000:.0f} ms; exact check "
          f"of the whole atlas and catalogue {check:.2f} s")
    print(f"load average {os.getloadavg()[0]:.2f}, {os.cpu_count()} CPUs")


if __name__ == "__main__":
    main()
