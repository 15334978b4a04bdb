"""Unit distances per point: the constructions of vantor and vantor_lattice
against the known maxima and the densest known sets.

Two Markdown tables:

- n = 1 .. 100: the known value (u(n), OEIS A186705, exact for n <= 21; for
  22 <= n <= 30 the densest known sets; beyond, the densest known sets of
  Engel, Hammond-Lee, Su, Varga and Zsamboki, arXiv:2406.15317, Table 2, at
  the sizes listed below), vantor_lattice.best(n), and the families it
  chooses from: the Moser lattice atlas, the square lattice and the
  Eisenstein lattice (norm and shape chosen for n). Each cell is the number
  of unit distances.
- selected n up to 100000: unit distances per point (count in brackets) of
  the triangular grid, the best of a few multiquadratic parameters, the two
  lattices and best(n).

Every count is the exact count of the set (for the lattice families and the
atlas) and is checked to equal vantor.count_unit_distances(points, 1e-9);
the multiquadratic and grid counts are float counts at 1e-9.

With --plot DIR it also draws DIR/records.png (unit distances per point
against n for every family, n <= 200, with the known values marked) and
DIR/atlas_gallery.png (three atlas sets with their unit distances).

Run with the project's environment: .venv/bin/python examples/records.py
(about a minute; --quick stops at n = 30 and n = 1000).
"""

import argparse
import pathlib
import time

import vantor
import vantor_lattice

TOLERANCE = 1e-9

KNOWN = dict(zip(range(1, 31), [0, 1, 3, 5, 7, 9, 12, 14, 18, 20, 23, 27, 30, 33, 37, 41, 43,
                                46, 50, 54, 57, 60, 64, 68, 72, 76, 81, 85, 89, 93]))
EXACT_UP_TO = 21
# arXiv:2406.15317, Table 2, at the sizes quoted here.
KNOWN.update({35: 114, 36: 119, 40: 137, 45: 160, 49: 180, 50: 183, 55: 206, 60: 231,
              64: 252, 70: 281, 75: 306, 80: 332, 81: 338, 85: 360, 90: 385, 95: 412,
              100: 439})

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
ATLAS_SIZE = 200
GALLERY = (27, 64, 100)


def units(points):
    return vantor.count_unit_distances(points, TOLERANCE)


def exact(result):
    """The set's exact count, after checking the float count agrees."""
    count = units(result["points"])
    assert count == result["unit_distances"], (count, result["unit_distances"])
    return count


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


def family_counts(n):
    counts = {"square": exact(vantor_lattice.square_lattice(n)),
              "eisenstein": exact(vantor_lattice.eisenstein_lattice(n))}
    if n <= ATLAS_SIZE:
        counts["moser"] = exact(vantor_lattice.moser_atlas(n))
    return counts


def small_table(last):
    print("| n | known | best(n) | family | Moser atlas | square lattice | Eisenstein lattice |")
    print("|---|---|---|---|---|---|---|")
    for n in range(1, last + 1):
        best = vantor_lattice.best(n)
        counts = family_counts(n)
        known = "" if n not in KNOWN else f"{KNOWN[n]}{'' if n <= EXACT_UP_TO else '*'}"
        print(f"| {n} | {known} | {exact(best)} | {best['family']} | {counts['moser']} "
              f"| {counts['square']} | {counts['eisenstein']} |", flush=True)
    print("\n(* densest known set; without a mark, the proven maximum u(n))\n")


def large_table(sizes):
    print("| n | triangular grid | best multiquadratic (generators, p, k) | square lattice "
          "| Eisenstein lattice | best(n) |")
    print("|---|---|---|---|---|---|")
    for n in sizes:
        grid = cell(units(vantor.generate_triangular_grid(n)), n)
        multiquadratic = best_multiquadratic(n)
        multi = f"{cell(multiquadratic[0], n)} [{multiquadratic[1]}]" if multiquadratic else "-"
        square = vantor_lattice.square_lattice(n)
        eisenstein = vantor_lattice.eisenstein_lattice(n)
        best = vantor_lattice.best(n)
        print(f"| {n} | {grid} | {multi} "
              f"| {cell(exact(square), n)} m={square['m']} {square['shape']} "
              f"| {cell(exact(eisenstein), n)} m={eisenstein['m']} {eisenstein['shape']} "
              f"| {cell(exact(best), n)} {best['family']} |", flush=True)


def plot(directory):
    import matplotlib

    matplotlib.use("Agg")  # files only, no window
    import matplotlib.pyplot as plt
    from matplotlib.collections import LineCollection

    sizes = list(range(1, ATLAS_SIZE + 1))
    curves = {"Moser lattice atlas": [], "Eisenstein lattice": [], "square lattice": [],
              "triangular grid": []}
    for n in sizes:
        counts = family_counts(n)
        curves["Moser lattice atlas"].append(counts["moser"] / n)
        curves["Eisenstein lattice"].append(counts["eisenstein"] / n)
        curves["square lattice"].append(counts["square"] / n)
        curves["triangular grid"].append(units(vantor.generate_triangular_grid(n)) / n)
    figure, axes = plt.subplots(figsize=(9, 5.5))
    for label, values in curves.items():
        axes.plot(sizes, values, label=label, linewidth=1.4)
    exact_sizes = [n for n in KNOWN if n <= EXACT_UP_TO]
    known_sizes = [n for n in KNOWN if n > EXACT_UP_TO]
    axes.scatter(exact_sizes, [KNOWN[n] / n for n in exact_sizes], s=18, color="black",
                 zorder=3, label="u(n), proven (n <= 21)")
    axes.scatter(known_sizes, [KNOWN[n] / n for n in known_sizes], s=22, marker="x",
                 color="black", zorder=3, label="densest known (n <= 30, and arXiv:2406.15317)")
    axes.set_xlabel("n (points)")
    axes.set_ylabel("unit distances per point")
    axes.set_title("Unit distances per point, exact counts")
    axes.grid(alpha=0.3)
    axes.legend(loc="upper left")
    figure.tight_layout()
    figure.savefig(directory / "records.png", dpi=110)
    plt.close(figure)

    figure, panels = plt.subplots(1, len(GALLERY), figsize=(5 * len(GALLERY), 5.2))
    for axes, n in zip(panels, GALLERY):
        result = vantor_lattice.moser_atlas(n)
        points = result["points"]
        segments = [(points[i], points[j]) for i, j in result["edges"].tolist()]
        axes.add_collection(LineCollection(segments, linewidths=0.7, colors="tab:blue"))
        axes.scatter([x for x, _ in points], [y for _, y in points], s=9, color="black",
                     zorder=3)
        axes.set_aspect("equal")
        axes.autoscale()
        axes.axis("off")
        axes.set_title(f"n = {n}: {result['unit_distances']} unit distances")
    figure.suptitle("Sets of the Moser lattice atlas (vantor_lattice.moser_atlas)")
    figure.tight_layout()
    figure.savefig(directory / "atlas_gallery.png", dpi=110)
    plt.close(figure)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="stop at n = 30 and n = 1000")
    parser.add_argument("--plot", type=pathlib.Path, metavar="DIR",
                        help="also write records.png and atlas_gallery.png into DIR")
    args = parser.parse_args()
    sizes = [7, 9, 12, 16, 20, 21, 27, 100, 1000, 10000, 100000]
    if args.quick:
        sizes = [n for n in sizes if n <= 1000]

    started = time.perf_counter()
    small_table(30 if args.quick else 100)
    large_table(sizes)
    if args.plot:
        plot(args.plot)
    print(f"\n(measured in {time.perf_counter() - started:.0f} s)")


if __name__ == "__main__":
    main()
