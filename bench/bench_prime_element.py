"""Times the search for the prime element theta against the field degree and
the split prime.

`generate_multiquadratic(generators, p, 0, 0)` spends its time finding theta
(twice: for the translation list and for the unit denominator check) and
nothing else worth measuring, so its median time is the measure. With
--baseline PATH the same request is timed in a separate process importing the
module found at PATH (the version that walks every vector in order), with a
time limit, and the two outcomes are compared.

Run with the project's environment, e.g.
`.venv/bin/python bench/bench_prime_element.py --baseline /path/to/old/module/dir`.
This is a measurement, not a test: the machine is shared, so compare medians
and ratios, not single times.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import time

import vantor

# (generators as a user names them, split primes of growing size)
CASES = [
    ([], [5, 1009, 1000033, 1000000009, 1000000000000000009]),
    ([2], [17, 1009, 1000033, 1000000009, 1000000000000000009]),
    ([2, 3], [73, 1009, 1000033, 1000000009, 1000000000000000009]),
    ([2, 3, 5], [241, 1009, 1000081, 1000000009, 1000000000000000009]),
    ([6, 11, 10], [53, 1013, 100609, 1000000321]),
    ([23, 2, 14, 17], [2129, 10009]),
    ([30, 10, 2, 19], [3049]),
    ([14, 7, 31, 23], [1409]),
    ([2, 3, 5, 7, 11], [2689, 7321]),
]

CHILD = """
import json, sys, time
import vantor
gens, p = json.loads(sys.argv[1])
started = time.perf_counter()
try:
    out = ("points", len(vantor.generate_multiquadratic(gens, p, 0, 0)))
except RuntimeError as error:
    out = ("error", str(error))
print(json.dumps([time.perf_counter() - started, out]))
"""


def outcome(generators, p):
    try:
        return ["points", len(vantor.generate_multiquadratic(generators, p, 0, 0))]
    except RuntimeError as error:
        return ["error", str(error)]


def median_time(generators, p, repeats):
    times = []
    for _ in range(repeats):
        started = time.perf_counter()
        outcome(generators, p)
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def baseline_time(path, generators, p, limit):
    env = dict(os.environ, PYTHONPATH=path)
    try:
        done = subprocess.run([sys.executable, "-c", CHILD, json.dumps([generators, p])],
                              env=env, capture_output=True, text=True, timeout=limit, check=True)
    except subprocess.TimeoutExpired:
        return None, None
    seconds, result = json.loads(done.stdout)
    return seconds, result


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--baseline", help="directory holding the old module")
    parser.add_argument("--limit", type=float, default=60.0,
                        help="seconds allowed to one baseline request")
    args = parser.parse_args()
    print(f"{'generators':<20} {'degree':>6} {'p':>20} {'median ms':>10} {'baseline ms':>12} {'ratio':>8}")
    for generators, primes in CASES:
        degree = 2 ** (len(generators) + 1)
        for p in primes:
            ours = median_time(generators, p, args.repeats)
            line = f"{str(generators):<20} {degree:>6} {p:>20} {ours * 1000:>10.1f}"
            if args.baseline:
                seconds, result = baseline_time(args.baseline, generators, p, args.limit)
                if seconds is None:
                    line += f" {'> ' + str(int(args.limit * 1000)):>12} {'':>8}"
                else:
                    same = result == outcome(generators, p)
                    line += f" {seconds * 1000:>12.1f} {seconds / ours:>7.0f}x"
                    line += "" if same else "  OUTCOME DIFFERS"
            print(line, flush=True)


if __name__ == "__main__":
    main()
