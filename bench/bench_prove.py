"""Measures vantor_tools.exact.prove on float points whose exact elements are
known: every atlas set, the lattice sets best(1000), best(10**4) and
best(10**5), and the certified construction ([2], 17, 2, 500).

For each set the floats are proven twice: as computed, and rounded to 9 and
to 6 significant digits (digits=9, digits=6). Each recognised element is compared with the
set's true element (from its exact result), and the exact count with the
count of the set's own exact check. Prints a Markdown table and the medians
of the timings. A measurement, not a test: the machine is shared, so note
the load average printed at the end.

    .venv/bin/python bench/bench_prove.py [--repeats 3] [--skip-large]
"""

import argparse
import os
import statistics
import time

from vantor_tools import exact, records


def rounded(points, digits):
    return [(float(f"{x:.{digits}g}"), float(f"{y:.{digits}g}")) for x, y in points]


def measure(name, exact_result, true_count, repeats, rows, timings):
    truth = exact_result["elements"]
    field = exact_result["generators_completed"][:-1]
    for digits in (None, 9, 6):
        points = exact_result["points"] if digits is None else rounded(exact_result["points"],
                                                                     digits)
        times = []
        for _ in range(repeats):
            start = time.perf_counter()
            proof = exact.prove(points, field=field, digits=digits)
            times.append(time.perf_counter() - start)
        wrong = sum(1 for a, b in zip(truth, proof["elements"]) if b is not None and a != b)
        rows.append((name, len(points), field, digits or "computed",
                     len(proof["unrecognised"]), wrong, proof["exact_unit_distances"],
                     true_count))
        timings.append((name, len(points), digits or "computed", statistics.median(times)))


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--skip-large", action="store_true", help="leave out best(10**5)")
    args = parser.parse_args()
    rows: list[tuple] = []
    timings: list[tuple] = []

    atlas = {"unrecognised": 0, "wrong": 0, "sets": 0, "mismatch": 0}
    atlas9 = dict(atlas)
    atlas6 = dict(atlas)
    start = time.perf_counter()
    for n in range(1, 601):
        result = records.moser_atlas(n)
        truth = exact.prove(result, field=[3, 11])
        for digits, tally in ((None, atlas), (9, atlas9), (6, atlas6)):
            points = result["points"] if digits is None else rounded(result["points"], digits)
            proof = exact.prove(points, field=[3, 11], digits=digits)
            tally["sets"] += 1
            tally["unrecognised"] += len(proof["unrecognised"])
            tally["wrong"] += sum(1 for a, b in zip(truth["elements"], proof["elements"])
                                  if b is not None and a != b)
            tally["mismatch"] += proof["exact_unit_distances"] != result["unit_distances"]
    atlas_time = time.perf_counter() - start
    print("## Every atlas set (n = 1 ... 600, field [3, 11])\n")
    print("| floats | sets | points unrecognised | wrong elements | sets whose count differs |")
    print("|---|---|---|---|---|")
    for label, tally in (("computed", atlas), ("9 digits", atlas9), ("6 digits", atlas6)):
        print(f"| {label} | {tally['sets']} | {tally['unrecognised']} | {tally['wrong']} | "
              f"{tally['mismatch']} |")
    print(f"\n(all 1800 proofs and the 600 exact ones: {atlas_time:.1f} s)\n")

    sizes = (1000, 10**4) if args.skip_large else (1000, 10**4, 10**5)
    for n in sizes:
        result = records.best(n)
        # The field of the norm: generators [3, 91] for norm 91, [3, 13] for 637.
        m, square = result["m"], 2
        while square * square <= m:
            while m % (square * square) == 0:
                m //= square * square
            square += 1
        truth = exact.prove(result, field=[3] + ([m] if m not in (1, 3) else []))
        measure(f"best({n}) {result['family']} m={result['m']}", truth,
                result["unit_distances"], args.repeats if n < 10**5 else 1, rows, timings)
    certified = exact.certify([2], 17, 2, 500)
    measure("certify([2], 17, 2, 500)", certified, certified["exact_unit_distances"],
            args.repeats, rows, timings)

    print("| set | n | field | floats | unrecognised | wrong elements | exact count | "
          "its own exact check |")
    print("|---|---|---|---|---|---|---|---|")
    for row in rows:
        print("| " + " | ".join(str(c) for c in row) + " |")
    print("\n| set | n | floats | prove, median |")
    print("|---|---|---|---|")
    for name, n, digits, seconds in timings:
        print(f"| {name} | {n} | {digits} | {seconds:.2f} s |")
    print(f"\nload average {os.getloadavg()[0]:.1f}, {os.cpu_count()} CPUs")


if __name__ == "__main__":
    main()
