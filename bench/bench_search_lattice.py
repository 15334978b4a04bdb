"""The beam search in the Moser lattice through the general engine, side by
side with a baseline build whose search was specialised to that lattice.

    .venv/bin/python bench/bench_search_lattice.py --baseline DIR

DIR holds the vantor_tools package of the baseline build (for example a copy
of site-packages/vantor_tools installed from the older commit: `git worktree
add ../baseline <commit>`, `pip install --target DIR ../baseline`, or a copy
of an installed package). Each run is `vantor_tools.records.beam_search(n_max,
width=width)` in a fresh interpreter, baseline and this build alternating;
the script prints every time, the medians, their ratio, and whether the
results are the same bytes (SHA-256 over every set's points, coordinates,
edges and count). This is a measurement, not a test: the machine is shared,
so compare the medians of one run, and note the load average at the end.
"""

import argparse
import os
import statistics
import subprocess
import sys

RUN = """
import hashlib, sys, time
from vantor_tools import records
started = time.perf_counter()
found = records.beam_search(int(sys.argv[1]), width=int(sys.argv[2]))
elapsed = time.perf_counter() - started
digest = hashlib.sha256()
for n in sorted(found):
    r = found[n]
    digest.update(repr((n, r["family"], r["shape"], r["m"], r["points"],
                        r["unit_distances"])).encode())
    digest.update(r["coordinates"].tobytes())
    digest.update(r["edges"].tobytes())
print(records.__file__, digest.hexdigest(), elapsed)
"""


def run(baseline, n_max, width):
    environment = dict(os.environ)
    if baseline:
        environment["PYTHONPATH"] = baseline
    else:
        environment.pop("PYTHONPATH", None)
    out = subprocess.run([sys.executable, "-c", RUN, str(n_max), str(width)], env=environment,
                         capture_output=True, text=True, check=True).stdout.split()
    return out[0], out[1], float(out[2])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--baseline", required=True, help="folder holding the baseline vantor_tools")
    parser.add_argument("--n-max", type=int, default=200)
    parser.add_argument("--width", type=int, default=500)
    parser.add_argument("--repeats", type=int, default=3)
    args = parser.parse_args()
    times = {"baseline": [], "general": []}
    digests = {"baseline": set(), "general": set()}
    for repeat in range(args.repeats):
        for name, folder in (("baseline", args.baseline), ("general", None)):
            where, digest, elapsed = run(folder, args.n_max, args.width)
            times[name].append(elapsed)
            digests[name].add(digest)
            print(f"{repeat} {name:8} {elapsed:7.2f} s  {digest[:16]}  {where}")
    base, general = (statistics.median(times[k]) for k in ("baseline", "general"))
    print(f"beam_search({args.n_max}, width={args.width}): baseline median {base:.2f} s, "
          f"general median {general:.2f} s, ratio {general / base:.3f}")
    same = len(digests["baseline"] | digests["general"]) == 1
    print(f"results {'identical' if same else 'DIFFER'}: {sorted(digests['general'])[0]}")
    print(f"load average {os.getloadavg()}")


if __name__ == "__main__":
    main()
