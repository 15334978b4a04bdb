"""A short tour of vantor.

Builds the reference constructions and a certified point set in the
multiquadratic field Q(sqrt 2, sqrt 3, i), and prints what it found. Counts
are shown at the default tolerance (1e-5) and at 1e-9: a loose tolerance
also counts pairs that are merely close to distance 1. For the
multiquadratic set the exact count (every pair proven or refuted in exact
arithmetic, vantor_tools.exact) settles it.
"""

import time

import vantor
from vantor_tools import exact


def show(name, points):
    loose = vantor.count_unit_distances(points)
    tight = vantor.count_unit_distances(points, 1e-9)
    print(f"  {name:<38} {len(points):>6} points {loose:>7} {tight:>7}")


def main():
    print(f"  {'':<38} {'':>6}        {'at 1e-5':>7} {'at 1e-9':>7}")
    print("Reference constructions")
    show("square grid 30 x 30", vantor.generate_square_grid(30, 30))
    show("triangular grid, 900 points", vantor.generate_triangular_grid(900))
    show("Moser spindle", vantor.generate_moser_spindle())

    generators, prime, k, n_target = [2, 3], 73, 1, 900
    print()
    print(f"Multiquadratic construction: generators {generators}, split prime {prime}, "
          f"k = {k}, {n_target} points")
    started = time.perf_counter()
    points = vantor.generate_multiquadratic(generators, prime, k, n_target)
    elapsed = time.perf_counter() - started
    show(f"generated in {elapsed:.2f} s", points)

    started = time.perf_counter()
    certified = vantor.generate_multiquadratic_certified(generators, prime, k, n_target)
    elapsed = time.perf_counter() - started
    print()
    print(f"Certified and verified in {elapsed:.2f} s")
    print(f"  construction          {certified['construction']}")
    print(f"  verified              {certified['verified']}")
    print(f"  points                {certified['point_count']}")
    print(f"  certified edges       {certified['certified_edge_count']}"
          "  (exact: differences of norm-one translations)")
    print(f"  audit edges           {certified['audit_edge_count']}"
          "  (numerical: distance 1 within 1e-4)")
    same = certified["points"] == points
    print(f"  same points as the plain construction: {same}")
    i, j = certified["certified_edges"][0]
    (x1, y1), (x2, y2) = certified["points"][i], certified["points"][j]
    print(f"  e.g. edge ({i}, {j}): |p{j} - p{i}| = {((x2 - x1) ** 2 + (y2 - y1) ** 2) ** 0.5!r}")

    started = time.perf_counter()
    proven = exact.certify(generators, prime, k, n_target)
    elapsed = time.perf_counter() - started
    print()
    print(f"Every audit pair tested in exact arithmetic in {elapsed:.2f} s")
    print(f"  exact unit distances  {proven['exact_unit_distances']}"
          f"  ({len(proven['certified_edges'])} certified, the rest proven pair by pair)")
    print(f"  near misses           {len(proven['near_misses'])}"
          "  (within 1e-4 of distance 1, but not exactly 1)")
    triangular = vantor.count_unit_distances(vantor.generate_triangular_grid(n_target), 1e-9)
    print(f"  the triangular grid of {n_target} points has {triangular}")


if __name__ == "__main__":
    main()
