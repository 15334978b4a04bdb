"""Times building unit lattices and their patches, and prints their unit counts.

Run with the project's environment, e.g.
`.venv/bin/python bench/bench_unit_lattices.py`. For each ring: the rank,
the number of unit vectors found (complete by the exact enumeration)
against the known count, the number of symmetries, and the median time of
UnitLattice(...) over several runs; then the median time of patch(n) with
its unit distances. This is a measurement, not a test: the machine is
shared, so compare medians, and note the load average printed at the end.
"""

import argparse
import math
import os
import statistics
import time
from fractions import Fraction as F

from vantor_tools.lattice import UnitLattice, patch


def product(x, y, generators):
    out = [F(0)] * len(x)
    for r, a in enumerate(x):
        for s, b in enumerate(y):
            if a and b:
                scale = math.prod(g for k, g in enumerate(generators) if (r & s) >> k & 1)
                out[r ^ s] += scale * a * b
    return out


def element(degree, terms):
    e = [F(0)] * degree
    for m, value in terms.items():
        e[m] = F(value)
    return e


def rings():
    """(name, generators, units, known count)."""
    # Q(sqrt3, sqrt11, i): bits 1, 2, 4 are sqrt3, sqrt11, i.
    g = [3, 11, -1]
    w1 = element(8, {0: "1/2", 5: "1/2"})
    w3 = element(8, {0: "5/6", 6: "1/6"})
    moser = [element(8, {0: 1}), w1, w3, product(w1, w3, g)]
    rho7 = element(8, {0: "11/14", 5: "5/14"})
    i = element(8, {4: 1})
    yield "Moser lattice", g, moser, 18
    yield "Z[zeta12] (1, i, w, i w)", [3, -1], [
        element(4, {0: 1}), element(4, {2: 1}), element(4, {0: "-1/2", 3: "1/2"}),
        element(4, {2: "-1/2", 1: "-1/2"})], 12
    eisenstein = [element(8, {2: F(2 * a + b, 182), 7: F(b, 182)})
                  for a in range(-11, 12) for b in range(-11, 12) if a * a + a * b + b * b == 91]
    yield "Eisenstein, norm 91, over sqrt(91)", [3, 91, -1], eisenstein, 24
    square = [element(4, {1: F(a, 65), 3: F(b, 65)})
              for a in range(-8, 9) for b in range(-8, 9) if a * a + b * b == 65]
    yield "square, norm 65, over sqrt(65)", [65, -1], square, 16
    yield "Moser lattice + rho7 times itself", g, moser + [product(rho7, u, g) for u in moser], 36
    # Z[zeta24] in Q(sqrt2, sqrt3, i): rank 8.
    h = [2, 3, -1]
    zeta = element(8, {3: "1/4", 1: "1/4", 7: "1/4", 5: "-1/4"})
    powers = [element(8, {0: 1})]
    for _ in range(7):
        powers.append(product(powers[-1], zeta, h))
    yield "Z[zeta24] (rank 8)", h, powers, 24
    yield "Moser lattice times Z[i] (rank 8)", g, moser + [product(i, u, g) for u in moser], None


def timed(call):
    started = time.perf_counter()
    value = call()
    return time.perf_counter() - started, value


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--patch", type=int, nargs="*", default=[100, 1000])
    args = parser.parse_args()
    print(f"{'ring':38} {'rank':>4} {'units':>5} {'known':>5} {'sym':>4} {'median s':>9}")
    for name, generators, units, known in rings():
        runs = [timed(lambda: UnitLattice(generators, units)) for _ in range(args.repeats)]
        lattice = runs[-1][1]
        median = statistics.median(t for t, _ in runs)
        print(f"{name:38} {lattice.rank:>4} {len(lattice.units):>5} {known or '-':>5} "
              f"{len(lattice.symmetries):>4} {median:>9.4f}")
        if name == "Moser lattice":
            moser = lattice
    for n in args.patch:
        runs = [timed(lambda: patch(n, moser)) for _ in range(args.repeats)]
        print(f"patch({n}, Moser lattice): {runs[-1][1]['unit_distances']} unit distances, "
              f"median {statistics.median(t for t, _ in runs):.3f} s")
    print(f"load average {os.getloadavg()}")


if __name__ == "__main__":
    main()
