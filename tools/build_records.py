"""Builds data/records.txt, the table behind vantor_tools.records.best(n), or
checks that the stored file is what the search below gives today.

    .venv/bin/python tools/build_records.py            # rebuild the stored table
    .venv/bin/python tools/build_records.py --check    # rebuild in memory, compare

For every frame (the Moser lattice, and the Eisenstein lattice joined at each
norm of NORMS) and every n up to --n-max, the densest set found among:

* the stored atlas set of n points (Moser lattice);
* eisenstein_lattice(n), in the frame of the norm it picks;
* patches of every shape and of the sizes SIZES, peeled down to n points by
  removing a least connected point at a time (one peel gives every n below
  the patch size);
* the frame's set of n - 1 points with the point added that makes the most
  unit distances (at least 2: the apex of a unit pair);
* the frame's sets of a and n - a points side by side, for every a;

and for every n the frame with the most unit distances (the Moser lattice,
then the smaller norm, among equals). Among equal counts a base set goes
before a grown one, and that before a union; patches by shape order, then
the smaller size. The table lists the best set of every n and every set a
union takes apart. Every choice depends on the exact counts alone, so the
file is reproduced byte for byte. After a rebuild, reinstall the package
(tools/setup.sh) so that it ships the new table.
"""

from __future__ import annotations

import pathlib
import sys
import time

from vantor_tools import _lattice
from vantor_tools import record_table as rt
from vantor_tools.records import moser_atlas

import stored_data

STORED = pathlib.Path(__file__).resolve().parent.parent / "data" / "records.txt"
N_MAX = 2000
NORMS = (7, 13, 49, 91, 273, 364, 637, 1092)
SHAPES = rt.RANK2_SHAPES["eisenstein"]


def patch_sizes(n_max: int) -> list[int]:
    """Patch sizes from 8 up to four times n_max, about 15 % apart."""
    sizes, x = [], 8
    while x <= 4 * n_max:
        sizes.append(x)
        x = max(x + 1, x * 115 // 100)
    return sizes


class Frame:
    """The densest sets of one frame found so far, size by size."""

    def __init__(self, name: str, n_max: int) -> None:
        self.name = name
        self.family = name.split("/")[0]
        self.m = int(name.split("/")[1]) if "/" in name else 1
        self.count = [0] * (n_max + 1)
        self.entry: list[rt.Entry | None] = [None] * (n_max + 1)
        # The best base set of every size: (count, base recipe).
        self.base: list[tuple[int, tuple[str, ...]] | None] = [None] * (n_max + 1)

    def offer_base(self, n: int, count: int, base: tuple[str, ...]) -> None:
        if self.base[n] is None or count > self.base[n][0]:  # type: ignore[index]
            self.base[n] = (count, base)


def base_candidates(frames: dict[str, Frame], n_max: int, atlas_size: int) -> None:
    moser = frames["moser"]
    for n in range(1, min(n_max, atlas_size) + 1):
        moser.offer_base(n, moser_atlas(n)["unit_distances"], ("atlas",))
    for n in range(1, n_max + 1):
        made = _lattice.eisenstein_lattice(n)
        if f"eisenstein/{made['m']}" in frames:
            frames[f"eisenstein/{made['m']}"].offer_base(n, made["unit_distances"], ("family",))
    for frame in frames.values():
        if frame.family == "moser":
            continue
        for shape in SHAPES:
            for size in patch_sizes(n_max):
                patch = _lattice.lattice_patch(frame.family, shape, size)
                _, left = _lattice.peel_order(frame.family, frame.m, patch)
                for removed in range(max(0, size - n_max), size):
                    frame.offer_base(size - removed, left[removed], ("patch", shape, str(size)))


def search_frame(frame: Frame, n_max: int, table: rt.RecordTable,
                 builder: rt.Builder) -> None:
    """The frame's densest set of every size: base, grown or union."""
    columns = 4 if frame.family == "moser" else 2
    rows: list[list[int]] | None = None  # the frame's set of n - 1 points
    for n in range(1, n_max + 1):
        options: list[tuple[int, int, rt.Entry]] = []
        if frame.base[n] is not None:
            count, base = frame.base[n]  # type: ignore[misc]
            options.append((count, 0, rt.Entry(n, frame.name, count, base)))
        previous = frame.entry[n - 1]
        grown: list[list[int]] | None = None
        if previous is not None and rows is not None:
            added, edges = _lattice.grow(frame.family, frame.m, rt.with_rows(rows, columns), 1)
            if len(edges) == 2:
                grown = rows + added.tolist()
                options.append((edges[1], 1, rt.Entry(n, frame.name, edges[1], previous.base,
                                                      previous.grow + 1)))
        split, a_best = -1, 0
        for a in range(1, n // 2 + 1):
            if frame.entry[a] is not None and frame.entry[n - a] is not None:
                total = frame.count[a] + frame.count[n - a]
                if total > split:
                    split, a_best = total, a
        if a_best:
            options.append((split, 2, rt.Entry(n, frame.name, split, ("union", str(a_best)))))
        if not options:
            rows = None
            continue
        count, kind, entry = min(options, key=lambda option: (-option[0], option[1]))
        frame.count[n], frame.entry[n] = count, entry
        table.entries[(frame.name, n)] = entry
        rows = grown if kind == 1 else builder.build(entry)["coordinates"].tolist()


def build_table(n_max: int, workers: int, log: stored_data.Log) -> str:
    del workers  # the table needs no search tasks
    started = time.perf_counter()
    frames = {"moser": Frame("moser", n_max)}
    for m in NORMS:
        frames[f"eisenstein/{m}"] = Frame(f"eisenstein/{m}", n_max)
    atlas_size = 0
    while True:
        try:
            moser_atlas(atlas_size + 1)
        except ValueError:
            break
        atlas_size += 1
    base_candidates(frames, n_max, atlas_size)
    log(f"base sets in {time.perf_counter() - started:.0f} s")

    table = rt.RecordTable({}, {}, n_max)
    builder = rt.Builder(table, moser_atlas, family_set)
    for frame in frames.values():
        search_frame(frame, n_max, table, builder)
        log(f"{frame.name} in {time.perf_counter() - started:.0f} s")

    order = list(frames)
    kept: dict[tuple[str, int], rt.Entry] = {}

    def keep(entry: rt.Entry) -> None:
        if (entry.frame, entry.n) in kept:
            return
        kept[(entry.frame, entry.n)] = entry
        if entry.base[0] == "union":
            a = int(entry.base[1])
            keep(table.entries[(entry.frame, a)])
            keep(table.entries[(entry.frame, entry.base_size - a)])

    for n in range(1, n_max + 1):
        best = max((frames[name].entry[n] for name in order if frames[name].entry[n]),
                   key=lambda e: (e.unit_distances, -order.index(e.frame)))
        keep(best)
    # A set of eisenstein_lattice is written as the patch it was trimmed
    # from, so that best(n) builds it without choosing again.
    for key, entry in kept.items():
        if entry.base == ("family",):
            kept[key] = rt.Entry(entry.n, entry.frame, entry.unit_distances,
                                 as_patch(entry.family, entry.base_size, entry.m), entry.grow)
    log(f"family sets as patches in {time.perf_counter() - started:.0f} s")
    lines = [
        "# Densest sets known to vantor: <n> <frame> <unit distances> <recipe>.",
        "# The set of n points is the line of n with the most unit distances (the",
        "# first among equals); the other lines are parts of unions. Recipes are",
        "# explained in python/vantor_tools/record_table.py.",
        f"# Made by: tools/build_records.py --n-max {n_max}",
    ]
    for key in sorted(kept, key=lambda k: (k[1], order.index(k[0]))):
        lines.append(rt.format_entry(kept[key]))
    text = "\n".join(lines) + "\n"
    # Every set of the table built from its line and checked exactly.
    written = rt.parse(text)
    rt.build(written, written.entries.values(), moser_atlas, family_set)
    log(f"every set built and checked in {time.perf_counter() - started:.0f} s")
    return text


def as_patch(family: str, n: int, m: int) -> tuple[str, ...]:
    """("patch", shape, N) for the patch that eisenstein_lattice(n) (or
    square_lattice) trims to its set, trying the sizes its choice tries
    (n, and n plus 1 .. 32 or n / 2^k points); ("family",) if none is."""
    made = family_set(family, n)
    shape = made["shape"]
    wanted = sorted(map(tuple, made["coordinates"].tolist()))
    extras = {max(1, n >> k) for k in range(8)} | set(range(1, min(n, 32) + 1) if n <= 4096 else ())
    for size in [n] + [n + e for e in sorted(extras)]:
        patch = _lattice.lattice_patch(family, shape, size)
        removed, left = _lattice.peel_order(family, m, patch)
        if left[size - n] != made["unit_distances"]:
            continue
        gone = set(removed[:size - n])
        rows = patch.tolist()
        if sorted(tuple(rows[k]) for k in range(size) if k not in gone) == wanted:
            return ("patch", shape, str(size))
    return ("family",)


def family_set(family: str, n: int) -> dict:
    if family == "eisenstein":
        return _lattice.eisenstein_lattice(n)
    return _lattice.square_lattice(n)


if __name__ == "__main__":
    sys.exit(stored_data.main(__doc__.splitlines()[0], STORED, N_MAX, build_table))
