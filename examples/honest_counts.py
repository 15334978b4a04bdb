"""How many unit distances a construction really has, tolerance by tolerance.

    python examples/honest_counts.py                 # [2], 17, 2 with 50000 points
    python examples/honest_counts.py --points 5000 --certified

The construction packs its points densely, so a loose tolerance counts many
pairs that are only nearly at distance 1. The count settles once the
tolerance is tight enough to keep only pairs at distance 1 up to rounding;
the unit distances per point (unit distances / points) at 1e-9 are printed
beside the triangular grid of the same size, the classic dense unit-distance
set. With --certified the exact count of the same request is printed too:
every pair within 1e-4 of distance 1 proven or refuted in exact arithmetic
(vantor_tools.exact.certify; this builds the certificate, which takes
longer).
"""

import argparse
import time

import vantor
from vantor_tools import exact

TOLERANCES = [1e-4, 1e-5, 1e-6, 1e-7, 1e-8, 1e-9, 1e-10, 1e-11, 1e-12]
TIGHT = 1e-9


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--generators", type=int, nargs="+", default=[2])
    parser.add_argument("--prime", type=int, default=17)
    parser.add_argument("--k", type=int, default=2)
    parser.add_argument("--points", type=int, default=50000)
    parser.add_argument("--certified", action="store_true")
    args = parser.parse_args()

    request = (args.generators, args.prime, args.k, args.points)
    started = time.perf_counter()
    points = vantor.generate_multiquadratic(*request)
    print(f"generate_multiquadratic{request}: {len(points)} points "
          f"in {time.perf_counter() - started:.1f} s")
    print(f"  {'tolerance':>9}  {'unit distances':>14}")
    counts = {}
    for tolerance in TOLERANCES:
        counts[tolerance] = vantor.count_unit_distances(points, tolerance)
        print(f"  {tolerance:>9.0e}  {counts[tolerance]:>14}")

    grid = vantor.generate_triangular_grid(len(points))
    grid_count = vantor.count_unit_distances(grid, TIGHT)
    print(f"\nunit distances per point at tolerance {TIGHT:.0e} (unit distances / points):")
    print(f"  construction      {counts[TIGHT] / len(points):6.3f}")
    print(f"  triangular grid   {grid_count / len(grid):6.3f}  "
          f"({grid_count} unit distances among {len(grid)} points)")

    if args.certified:
        started = time.perf_counter()
        result = exact.certify(*request)
        audit = result["exact_unit_distances"] + len(result["near_misses"])
        print(f"\ncertified and proven in {time.perf_counter() - started:.1f} s: "
              f"{len(result['certified_edges'])} certified edges, "
              f"{result['exact_unit_distances']} exact unit distances, "
              f"{len(result['near_misses'])} near misses among {audit} pairs within 1e-4")


if __name__ == "__main__":
    main()
