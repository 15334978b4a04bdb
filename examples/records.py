"""Unit distances per point: the constructions of vantor and vantor_lattice
against the known maxima.

For each n, every point set is measured the same way, with
vantor.count_unit_distances(points, 1e-9): at that tolerance only true unit
pairs count. The table compares the triangular grid, the best of a small
set of multiquadratic parameters, the square lattice and the Eisenstein
lattice of vantor_lattice (norm and shape chosen for n), and the known
maximum u(n) of unit distances among n points (OEIS A186705) where it is
known. Each cell is unit distances per point, with the count in brackets.
The output is a Markdown table.

Run with the project's environment: .venv/bin/python examples/records.py
(about half a minute; --quick stops at n = 1000).
"""

import argparse
import time

import vantor
import vantor_lattice

TOLERANCE = 1e-9

# Known maxima u(n) of unit distances among n points (OEIS A186705).
KNOWN_MAXIMA = dict(zip(range(2, 22), [1, 3, 5, 7, 9, 12, 14, 18, 20, 23, 27, 30, 33, 37,
                                       41, 43, 46, 50, 54, 57]))
KNOWN_MAXIMA[27] = 81

# Multiquadratic parameters (generators, split prime, k) to search; the
# ones marked slow take seconds from n = 10000 on and are skipped there.
MULTIQUADRATIC = [
    (([2], 17, 1), False),
    (([2], 17, 2), True),
    (([-1], 5, 2), False),
    (([-1], 5, 4), False),
    (([-1], 5, 6), True),
    (([-1], 5, 8), True),
    (([-1], 13, 2), False),
    (([3], 13, 1), False),
    (([5], 29, 1), False),
    (([2, 3], 73, 1), True),
]
SLOW_FROM = 10000


def units(points):
    return vantor.count_unit_distances(points, TOLERANCE)


def cell(count, n):
    return f"{count / n:.3f} ({count})"


def best_multiquadratic(n):
    """The parameters of the search set with the most unit distances at n."""
    best = None
    for (generators, prime, k), slow in MULTIQUADRATIC:
        if slow and n >= SLOW_FROM:
            continue
        try:
            count = units(vantor.generate_multiquadratic(generators, prime, k, n))
        except RuntimeError:
            continue  # parameters that cannot give n points
        if best is None or count > best[0]:
            best = (count, f"{generators}, {prime}, {k}")
    return best


def lattice_cell(result):
    count = units(result["points"])
    # The lattice sets carry their own exact count; the float one must agree.
    assert count == result["unit_distances"], (count, result["unit_distances"])
    return f"{cell(count, len(result['points']))} m={result['m']} {result['shape']}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="stop at n = 1000")
    args = parser.parse_args()
    sizes = [7, 9, 12, 16, 20, 21, 27, 100, 1000, 10000, 100000]
    if args.quick:
        sizes = [n for n in sizes if n <= 1000]

    started = time.perf_counter()
    print("| n | known maximum u(n) | triangular grid | best multiquadratic (generators, p, k)"
          " | square lattice | Eisenstein lattice |")
    print("|---|---|---|---|---|---|")
    for n in sizes:
        known = cell(KNOWN_MAXIMA[n], n) if n in KNOWN_MAXIMA else "unknown"
        grid = cell(units(vantor.generate_triangular_grid(n)), n)
        multiquadratic = best_multiquadratic(n)
        multi = f"{cell(multiquadratic[0], n)} [{multiquadratic[1]}]" if multiquadratic else "-"
        square = lattice_cell(vantor_lattice.square_lattice(n))
        eisenstein = lattice_cell(vantor_lattice.eisenstein_lattice(n))
        print(f"| {n} | {known} | {grid} | {multi} | {square} | {eisenstein} |", flush=True)
    print(f"\n(measured in {time.perf_counter() - started:.0f} s)")


if __name__ == "__main__":
    main()
