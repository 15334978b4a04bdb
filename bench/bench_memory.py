"""Measures the peak memory of multiquadratic requests, the numbers that the
memory guard's estimate (src/utils/memory_estimates.hpp) is calibrated on.

Each request runs in a fresh interpreter; the peak is the growth of its
resident set during the call (ru_maxrss after the call minus before it).
Run with the project's environment:
    .venv/bin/python bench/bench_memory.py [--sizes 2000 10000 40000 100000]
Prints a Markdown table: MB for the plain and the certified call per size,
and the bytes per point of the larger. Requests that take longer than
--timeout seconds end their row. This is a measurement, not a test.
"""

import argparse
import subprocess
import sys

CHILD = r"""
import resource, vantor
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
call = vantor.generate_multiquadratic_certified if {certified} else vantor.generate_multiquadratic
call({generators}, {prime}, {k}, {n})
print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)
"""

# Sparse requests (few translations, degree 4 or less) first, then dense ones.
REQUESTS = [
    ([2], 17, 1), ([2], 17, 2), ([5], 29, 2), ([3], 13, 2), ([-1], 5, 4),
    ([2], 17, 3), ([2], 17, 5), ([-1], 5, 8), ([-1], 5, 20), ([-1], 5, 54),
    ([2, 3], 73, 1), ([2, 3], 73, 2), ([2, 3, 5], 241, 1),
]


def peak_kib(generators, prime, k, n, certified, timeout):
    code = CHILD.format(generators=generators, prime=prime, k=k, n=n, certified=certified)
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                          timeout=timeout)
    if done.returncode != 0:
        raise RuntimeError(done.stderr.strip().splitlines()[-1])
    return int(done.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sizes", type=int, nargs="+", default=[2000, 10000, 40000, 100000])
    parser.add_argument("--timeout", type=float, default=120)
    arguments = parser.parse_args()
    print("| request | " + " | ".join(f"n = {n}" for n in arguments.sizes) + " |")
    print("|---|" + "---|" * len(arguments.sizes))
    for generators, prime, k in REQUESTS:
        cells = []
        for n in arguments.sizes:
            try:
                plain, certified = (peak_kib(generators, prime, k, n, c, arguments.timeout)
                                    for c in (False, True))
            except subprocess.TimeoutExpired:
                cells.append("timeout")
                break
            except RuntimeError as error:
                cells.append(str(error))
                break
            larger = max(plain, certified)
            cells.append(f"{plain / 1024:.0f} / {certified / 1024:.0f} MB, "
                         f"{larger * 1024 / n:.0f} B/pt")
        cells += [""] * (len(arguments.sizes) - len(cells))
        print(f"| {generators}, {prime}, {k} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
