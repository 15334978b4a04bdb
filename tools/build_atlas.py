"""Builds data/moser_atlas.txt, the atlas of the densest Moser lattice sets
that vantor_lattice.best() draws on, or checks that the stored file is what
the search gives today.

    .venv/bin/python tools/build_atlas.py            # rebuild the stored atlas
    .venv/bin/python tools/build_atlas.py --check    # rebuild in memory, compare
    .venv/bin/python tools/build_atlas.py --n-max 100 --out /tmp/atlas.txt

The search is vantor_lattice.beam_search with the arguments below (the
defaults are those of the stored atlas, named in its header); its result
does not depend on the number of threads or worker processes, so the file
is reproduced byte for byte. With --workers above 1 the tasks run on a
process pool. The file format is described in src/record_search/atlas.hpp:
one line per size, "<n> <unit distances> <points>", each coordinate one
character of DIGITS, its position minus 31. After a rebuild, reinstall the
package (tools/setup.sh) so that the module compiles the new atlas in; the
module checks every set of it exactly when it first reads it.
"""

import argparse
import concurrent.futures
import hashlib
import pathlib
import sys
import time

import vantor_lattice

DIGITS = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
OFFSET = 31
STORED = pathlib.Path(__file__).resolve().parent.parent / "data" / "moser_atlas.txt"

# The arguments of the stored atlas.
DEFAULTS = {"n_max": 200, "width": 1000, "sweeps": 4, "seed": 0, "tasks": 2}


def encode(coordinates):
    """The points of one set: one character per coordinate when all fit,
    else "a,b,c,d;a,b,c,d;..." in decimal."""
    rows = coordinates.tolist()
    if all(-OFFSET <= x < len(DIGITS) - OFFSET for row in rows for x in row):
        return "".join(DIGITS[x + OFFSET] for row in rows for x in row)
    return ";".join(",".join(str(x) for x in row) for row in rows)


def atlas_text(found, arguments):
    command = " ".join(f"--{key.replace('_', '-')} {value}" for key, value in arguments.items())
    lines = [
        "# Densest unit-distance sets found in the Moser lattice, one per size.",
        "# Point (a, b, c, d) is a + b*w1 + c*w3 + d*w1*w3 with w1 = (1 + i*sqrt(3))/2 and",
        "# w3 = (5 + i*sqrt(11))/6. Each line: <n> <unit distances> <points>, each",
        f"# coordinate one character of {DIGITS},",
        f"# its position minus {OFFSET} (or the points as a,b,c,d;a,b,c,d;... in decimal).",
        f"# Made by: tools/build_atlas.py {command}",
    ]
    for n in sorted(found):
        result = found[n]
        lines.append(f"{n} {result['unit_distances']} {encode(result['coordinates'])}")
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for key, value in DEFAULTS.items():
        parser.add_argument(f"--{key.replace('_', '-')}", type=int, default=value)
    parser.add_argument("--workers", type=int, default=1,
                        help="worker processes for the tasks (default: run them here)")
    parser.add_argument("--out", type=pathlib.Path, default=STORED)
    parser.add_argument("--check", action="store_true",
                        help="compare with the stored atlas instead of writing")
    args = parser.parse_args()
    arguments = {key: getattr(args, key) for key in DEFAULTS}

    started = time.perf_counter()
    if args.workers > 1:
        with concurrent.futures.ProcessPoolExecutor(args.workers) as pool:
            found = vantor_lattice.beam_search(**arguments, executor=pool, progress=True)
    else:
        found = vantor_lattice.beam_search(**arguments, progress=True)
    seconds = time.perf_counter() - started
    text = atlas_text(found, arguments)
    digest = hashlib.sha256(text.encode()).hexdigest()
    print(f"searched n <= {args.n_max} in {seconds:.1f} s; atlas sha256 {digest}",
          file=sys.stderr)

    if args.check:
        stored = STORED.read_text()
        if stored != text:
            print(f"{STORED} differs from what the search gives now", file=sys.stderr)
            return 1
        print(f"{STORED} is reproduced exactly", file=sys.stderr)
        return 0
    args.out.write_text(text)
    print(f"wrote {args.out} ({len(text)} bytes)", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
