"""Builds data/moser_atlas.txt.gz, the atlas of the densest Moser lattice sets
that vantor_tools.records draws on, or checks that the stored file is what
the searches give today.

    .venv/bin/python tools/build_atlas.py            # rebuild the stored atlas
    .venv/bin/python tools/build_atlas.py --check    # rebuild in memory, compare
    .venv/bin/python tools/build_atlas.py --workers 2

The atlas holds, for every n up to N_MAX, the densest set found by any of

* the beam searches of SEARCHES (vantor_tools.records.beam_search), each
  with its own size limit, width, sweeps, seed and number of tasks;
* trimmed Moser patches: the lattice points a + b*w1 + c*w3 + d*w1*w3 whose
  two complex embeddings z and z' (w3 and its conjugate (5 - i*sqrt(11))/6
  exchanged) lie within radii r and r' = ratio * r, for the ratios of
  PATCH_RATIOS: the first N points in the order of
  max(|z|^2, |z'|^2 / ratio^2) (equal keys by coordinates), for the sizes of
  PATCH_SIZES, peeled down one least connected point at a time;

the first source in that order among equal counts. No search result depends
on the number of threads or worker processes (--workers runs the tasks on a
process pool), and the patches use one fixed order of float operations, so
the file is reproduced byte for byte (--check compares the text; the gzip
container is written without a name or time stamp, so it is reproduced
too with the same zlib). The text format is described in
src/record_search/atlas.hpp: one line per size, "<n> <unit distances>
<points>", each coordinate one character of DIGITS, its position minus 31;
`zcat data/moser_atlas.txt.gz` shows it.
After a rebuild, reinstall the package (tools/setup.sh) so that the module
compiles the new atlas in; the module checks every set of it exactly when it
first reads it.
"""

from __future__ import annotations

import concurrent.futures
import math
import pathlib
import sys
import time
from typing import Any

from vantor_tools import _lattice, records
from vantor_tools.point_text import DIGITS, OFFSET, encode
from vantor_tools.record_table import with_rows

import stored_data

STORED = pathlib.Path(__file__).resolve().parent.parent / "data" / "moser_atlas.txt.gz"

N_MAX = 600
# (n_max, width, sweeps, seed, tasks), in the order they are preferred.
SEARCHES = (
    (200, 1000, 4, 0, 2),
    (600, 600, 3, 0, 2),
)
PATCH_RATIOS = (0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.12, 1.25, 1.4, 1.6, 1.8, 2.0)
PATCH_SIZES = tuple(range(20, 1201, 4))
# Coordinates of the patch candidates: every |a|, |b|, |c|, |d| up to this.
PATCH_BOX = 9

ROOT3, ROOT11, ROOT33 = math.sqrt(3), math.sqrt(11), math.sqrt(33)


def embeddings(a: int, b: int, c: int, d: int) -> tuple[float, float]:
    """|z|^2 and |z'|^2 of a + b*w1 + c*w3 + d*w1*w3, with P = 12a + 6b + 10c
    + 5d, U = 6b + 5d, V = 2c + d: 12z = (P - d*sqrt(33)) + i(U*sqrt(3) +
    V*sqrt(11)) and 12z' = (P + d*sqrt(33)) + i(U*sqrt(3) - V*sqrt(11)),
    each operation rounded once, in this order."""
    p, u, v = 12 * a + 6 * b + 10 * c + 5 * d, 6 * b + 5 * d, 2 * c + d
    x, y = (p - d * ROOT33) / 12, (u * ROOT3 + v * ROOT11) / 12
    x2, y2 = (p + d * ROOT33) / 12, (u * ROOT3 - v * ROOT11) / 12
    return x * x + y * y, x2 * x2 + y2 * y2


def patch_sets(n_max: int, log) -> dict[int, tuple[int, list[list[int]]]]:
    """The densest set of every size up to n_max among the trimmed patches."""
    box = range(-PATCH_BOX, PATCH_BOX + 1)
    candidates = []
    for a in box:
        for b in box:
            for c in box:
                for d in box:
                    candidates.append(((a, b, c, d), embeddings(a, b, c, d)))
    found: dict[int, tuple[int, list[list[int]]]] = {}
    for ratio in PATCH_RATIOS:
        scale = ratio * ratio
        ordered = sorted(candidates, key=lambda item: (max(item[1][0], item[1][1] / scale),
                                                       item[0]))
        for size in PATCH_SIZES:
            rows = [list(point) for point, _ in ordered[:size]]
            removed, left = _lattice.peel_order("moser", 1, with_rows(rows, 4))
            for gone in range(max(0, size - n_max), size):
                n = size - gone
                if n not in found or left[gone] > found[n][0]:
                    kept = set(range(size)) - set(removed[:gone])
                    found[n] = (left[gone], [rows[k] for k in sorted(kept)])
        log(f"patches of ratio {ratio} done")
    return found


def search_sets(search: tuple[int, int, int, int, int], workers: int) -> dict[int, Any]:
    n_max, width, sweeps, seed, tasks = search
    arguments = dict(n_max=n_max, width=width, sweeps=sweeps, seed=seed, tasks=tasks)
    if workers > 1:
        with concurrent.futures.ProcessPoolExecutor(workers) as pool:
            return records.beam_search(**arguments, executor=pool, progress=True)
    return records.beam_search(**arguments, progress=True)


def atlas_text(n_max: int, workers: int, log) -> str:
    best: dict[int, tuple[int, list[list[int]]]] = {}

    def offer(n: int, count: int, rows: list[list[int]]) -> None:
        if n <= n_max and (n not in best or count > best[n][0]):
            best[n] = (count, rows)

    started = time.perf_counter()
    for search in SEARCHES:
        for n, result in search_sets(search, workers).items():
            offer(n, result["unit_distances"], result["coordinates"].tolist())
        log(f"search {search} done at {time.perf_counter() - started:.0f} s")
    for n, (count, rows) in sorted(patch_sets(n_max, log).items()):
        # Stored like the searches' sets, in standard position.
        offer(n, count, _lattice.standard_position(with_rows(rows, 4)).tolist())
    missing = [n for n in range(1, n_max + 1) if n not in best]
    if missing:
        raise SystemExit(f"no set of {missing[0]} points: extend the searches")

    searches = "; ".join("n_max {} width {} sweeps {} seed {} tasks {}".format(*s)
                         for s in SEARCHES)
    lines = [
        "# Densest unit-distance sets found in the Moser lattice, one per size.",
        "# Point (a, b, c, d) is a + b*w1 + c*w3 + d*w1*w3 with w1 = (1 + i*sqrt(3))/2 and",
        "# w3 = (5 + i*sqrt(11))/6. Each line: <n> <unit distances> <points>, each",
        f"# coordinate one character of {DIGITS},",
        f"# its position minus {OFFSET} (or the points as a,b,c,d;a,b,c,d;... in decimal).",
        f"# Made by: tools/build_atlas.py (searches: {searches}; trimmed patches of ratios "
        f"{', '.join(map(str, PATCH_RATIOS))})",
    ]
    for n in range(1, n_max + 1):
        count, rows = best[n]
        lines.append(f"{n} {count} {encode(rows)}")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    sys.exit(stored_data.main(__doc__.splitlines()[0], STORED, N_MAX, atlas_text))
