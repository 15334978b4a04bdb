"""Builds data/moser_catalogue.txt.gz, the catalogue behind
vantor_tools.records.catalogue(n), or checks that the stored file is what the
searches give today.

    .venv/bin/python tools/build_catalogue.py            # rebuild the stored catalogue
    .venv/bin/python tools/build_catalogue.py --check    # rebuild in memory, compare
    .venv/bin/python tools/build_catalogue.py --workers 2

For every n up to N_MAX: every set of the atlas's count (the densest known
in the Moser lattice) that the pools of the searches of SEARCHES hold at
their end (vantor_tools._lattice.beam_search_densest_task, one per task,
each task under its own seed), and the atlas set itself, one per
isomorphism class of their unit-distance graphs, and every set reached from
those by three moves that keep a set densest: a swap (one point moved to a
place outside the set where the count stays the same; breadth first, at
most SWAP_LIMIT sets expanded per n and pass), a point added to a densest
set of n - 1 points (sizes upwards), and a point removed from a densest set
of n + 1 points (sizes downwards, after the first pass). The
graphs are told apart by their canonical graph6 (nauty's canonical
labelling), and of the sets with one form the first found is kept (searches
in order, tasks in order, sets in pool order, the atlas set, then the sets
found by swaps in the order of the expansion). Lines are sorted by n, then by the
form. The result does not depend on the number of threads or workers, so the
text is reproduced byte for byte (--check compares it; the gzip container
has no name or time stamp). `zcat data/moser_catalogue.txt.gz` shows it.

Each line: "<n> <unit distances> <canonical graph6> <points>", the points
in standard position and written as in the atlas
(python/vantor_tools/point_text.py).
"""

from __future__ import annotations

import concurrent.futures
import pathlib
import struct
import sys
import time
from collections.abc import Callable
from typing import Any

from vantor_tools import _lattice, _native
from vantor_tools.point_text import encode
from vantor_tools.record_table import with_rows

import stored_data

STORED = pathlib.Path(__file__).resolve().parent.parent / "data" / "moser_catalogue.txt.gz"
N_MAX = 100
# (n_max, width, sweeps, seed, tasks)
SEARCHES = (
    (100, 3000, 4, 0, 2),
)
# The sets expanded by swaps for each n, at most.
SWAP_LIMIT = 2000


def rows_of(data: bytes) -> list[list[int]]:
    values = struct.unpack(f"<{len(data) // 8}q", data)
    return [list(values[k:k + 4]) for k in range(0, len(values), 4)]


def task_results(search: tuple[int, int, int, int, int], workers: int) -> list[Any]:
    n_max, width, sweeps, seed, tasks = search
    arguments = [(n_max, width, seed, sweeps, task) for task in range(tasks)]
    if workers > 1:
        with concurrent.futures.ProcessPoolExecutor(workers) as pool:
            return list(pool.map(_lattice.beam_search_densest_task, *zip(*arguments)))
    return [_lattice.beam_search_densest_task(*call) for call in arguments]


UNIT_STEPS = [tuple(step) for step in _lattice.unit_steps("moser", 1).tolist()]


def plus(p: tuple[int, ...], q: tuple[int, ...]) -> tuple[int, ...]:
    return (p[0] + q[0], p[1] + q[1], p[2] + q[2], p[3] + q[3])


def outside_degrees(points: list[tuple[int, ...]],
                    members: set[tuple[int, ...]]) -> dict[tuple[int, ...], int]:
    """Every point outside the set at a unit step from it, with the number
    of the set's points it is joined to."""
    outside: dict[tuple[int, ...], int] = {}
    for p in points:
        for s in UNIT_STEPS:
            q = plus(p, s)
            if q not in members:
                outside[q] = outside.get(q, 0) + 1
    return outside


def swaps(rows: list[list[int]]) -> list[list[list[int]]]:
    """Every set made from this one by moving one point to a place outside
    it where the number of unit distances stays the same: point p of degree
    d leaves, a point q joined to d of the others comes in. In a fixed order:
    by the index of p, then by q's coordinates."""
    points = [tuple(row) for row in rows]
    members = set(points)
    degree = {p: sum(plus(p, s) in members for s in UNIT_STEPS) for p in points}
    outside = outside_degrees(points, members)
    by_degree: dict[int, list[int]] = {}
    for k, p in enumerate(points):
        by_degree.setdefault(degree[p], []).append(k)
    index = {p: k for k, p in enumerate(points)}
    moves = []
    for q, joined in outside.items():
        # p leaves and q comes in without a change in count: p not next to q
        # and of degree `joined`, or next to q and of degree `joined - 1`.
        around = {index[plus(q, s)] for s in UNIT_STEPS if plus(q, s) in members}
        moves.extend((k, q) for k in by_degree.get(joined, []) if k not in around)
        moves.extend((k, q) for k in around if degree[points[k]] == joined - 1)
    moves.sort()
    return [[list(x) for x in points[:k] + points[k + 1:]] + [list(q)] for k, q in moves]


def grown(rows: list[list[int]], gain: int) -> list[list[list[int]]]:
    """The set with one point added that makes `gain` unit distances, for
    every such point, by coordinates."""
    points = [tuple(row) for row in rows]
    outside = outside_degrees(points, set(points))
    return [rows + [list(q)] for q in sorted(outside) if outside[q] == gain]


def shrunk(rows: list[list[int]], loss: int) -> list[list[list[int]]]:
    """The set less one point of degree `loss`, for every such point, by index."""
    points = [tuple(row) for row in rows]
    members = set(points)
    return [rows[:k] + rows[k + 1:] for k, p in enumerate(points)
            if sum(plus(p, s) in members for s in UNIT_STEPS) == loss]


def closure(n: int, seeds: list[list[list[int]]], densest: int, limit: int,
            kept: dict[str, list[list[int]]] | None = None) -> dict[str, list[list[int]]]:
    """One set per isomorphism class among the seeds and every set reached
    from them by swaps (swaps keep the count), expanding at most `limit`
    sets, breadth first, in a fixed order; `kept` holds classes known
    already, which are not expanded again."""
    kept = {} if kept is None else kept
    queue: list[list[list[int]]] = []

    def offer(rows: list[list[int]]) -> None:
        result = _lattice.lattice_set("moser", 1, with_rows(rows, 4), "catalogue")
        if result["unit_distances"] != densest:
            raise SystemExit(f"a set of {n} points lost its count")
        form = _native.canonical_graph6(n, result["edges"])
        if form not in kept:
            kept[form] = rows
            queue.append(rows)

    for rows in seeds:
        offer(rows)
    expanded = 0
    while expanded < len(queue) and expanded < limit:
        for rows in swaps(queue[expanded]):
            offer(rows)
        expanded += 1
    return kept


def catalogue_text(n_max: int, workers: int, log: Callable[[str], None]) -> str:
    started = time.perf_counter()
    densest = {n: _lattice.moser_atlas(n)["unit_distances"] for n in range(1, n_max + 1)}
    candidates: dict[int, list[list[list[int]]]] = {n: [] for n in range(1, n_max + 1)}
    for search in SEARCHES:
        for result in task_results(search, workers):
            for n, (count, sets) in enumerate(result[:n_max], 1):
                if count == densest[n]:
                    candidates[n].extend(rows_of(data) for data in sets)
        log(f"search {search} done at {time.perf_counter() - started:.0f} s")
    for n in candidates:
        candidates[n].append(_lattice.moser_atlas(n)["coordinates"].tolist())

    lines = [
        "# Every non-isomorphic densest set the Moser lattice searches found, by size.",
        "# Each line: <n> <unit distances> <canonical graph6> <points>; the points as in",
        "# data/moser_atlas.txt.gz. Made by: tools/build_catalogue.py (searches: "
        + "; ".join("n_max {} width {} sweeps {} seed {} tasks {}".format(*s) for s in SEARCHES)
        + ")",
    ]
    # Up the sizes with the sets of n - 1 points grown by a point, then down
    # with the sets of n + 1 points less a point, each time closed by swaps.
    kept: dict[int, dict[str, list[list[int]]]] = {}
    for n in range(1, n_max + 1):
        seeds = list(candidates[n])
        if n > 1:
            for rows in kept[n - 1].values():
                seeds.extend(grown(rows, densest[n] - densest[n - 1]))
        kept[n] = closure(n, seeds, densest[n], SWAP_LIMIT)
    log(f"growth and swaps done at {time.perf_counter() - started:.0f} s")
    for n in range(n_max - 1, 0, -1):
        seeds = [smaller for rows in list(kept[n + 1].values())
                 for smaller in shrunk(rows, densest[n + 1] - densest[n])]
        closure(n, seeds, densest[n], SWAP_LIMIT, kept[n])
    log(f"removals and swaps done at {time.perf_counter() - started:.0f} s")
    for n in range(1, n_max + 1):
        for form in sorted(kept[n]):
            placed = _lattice.standard_position(with_rows(kept[n][form], 4)).tolist()
            lines.append(f"{n} {densest[n]} {form} {encode(placed)}")
    log(f"canonical forms done at {time.perf_counter() - started:.0f} s")
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    sys.exit(stored_data.main(__doc__.splitlines()[0], STORED, N_MAX, catalogue_text))
