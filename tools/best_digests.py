"""SHA-256 digests of best(n), one line per n, to compare two builds.

    .venv/bin/python tools/best_digests.py > after.txt
    PYTHONPATH=DIR .venv/bin/python tools/best_digests.py > before.txt
    diff before.txt after.txt

Each digest covers everything a result says: family, shape, m, the points'
floats (repr), the coordinates and edges tables and the count. The sizes are
every n up to --n-max (2000) and the --large ones (10^4, 10^5).
"""

import argparse
import hashlib

from vantor_tools import records


def digest(result):
    h = hashlib.sha256()
    h.update(repr((result["family"], result["shape"], result["m"], result["points"],
                   result["unit_distances"])).encode())
    h.update(result["coordinates"].tobytes())
    h.update(result["edges"].tobytes())
    return h.hexdigest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--n-max", type=int, default=2000)
    parser.add_argument("--large", type=int, nargs="*", default=[10**4, 10**5])
    args = parser.parse_args()
    for n in [*range(1, args.n_max + 1), *args.large]:
        print(n, digest(records.best(n)), flush=True)


if __name__ == "__main__":
    main()
