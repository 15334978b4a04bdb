"""The stored table of the densest sets known to vantor, and how each is built.

``data/records.txt`` (made by ``tools/build_records.py``, installed with the
package) holds, for every n up to its limit, a recipe for the densest set of
n points known here, in one of the *frames* a set can live in: ``moser``
(the Moser lattice), ``eisenstein/m`` or ``square/m`` (that lattice joined at
norm m). A recipe builds the set from the compiled kernels:

* ``atlas``: the Moser lattice atlas set (``moser`` only);
* ``family``: ``eisenstein_lattice(n)`` or ``square_lattice(n)``, which must
  choose the frame's norm;
* ``patch SHAPE N``: the first N points of the shape, peeled down to n by
  removing a least connected point at a time;
* ``union A``: the frame's sets of A and n - A points, the second moved far
  from the first by a lattice vector, so no pair between them is a unit
  distance and the count is the sum;

each optionally followed by ``grow K``: the set of n - K points built as
above, then K points added one at a time, each where it makes the most unit
distances. A line is ``<n> <frame> <unit distances> <recipe>``; several lines
may share an n (sets that unions take apart from the best one), and the set
of n is the line of n with the most unit distances, the first among equals.

Every set is built and then checked exactly by the kernels, and its count
must equal the count its line claims; a table that fails is refused.
"""

from __future__ import annotations

import array
import importlib.resources
import math
from collections import OrderedDict
from collections.abc import Iterable, Sequence
from dataclasses import dataclass
from typing import Any

from vantor_tools import _lattice
from vantor_tools.tables import Int64Table

__all__ = ["Entry", "RecordTable", "stored_table", "parse", "build", "format_entry",
           "translated_apart", "with_rows"]

# The patch shapes of each plane lattice family, the disk first.
RANK2_SHAPES: dict[str, tuple[str, ...]] = {
    plane["name"]: plane["shapes"] for plane in _lattice.plane_lattices()}


@dataclass(frozen=True)
class Entry:
    """One line of the table: how to build the set of n points in a frame."""

    n: int
    frame: str  # "moser", "eisenstein/91", "square/65"
    unit_distances: int
    base: tuple[str, ...]  # ("atlas",), ("family",), ("patch", shape, N), ("union", A)
    grow: int = 0

    @property
    def family(self) -> str:
        return self.frame.split("/")[0]

    @property
    def m(self) -> int:
        return int(self.frame.split("/")[1]) if "/" in self.frame else 1

    @property
    def base_size(self) -> int:
        return self.n - self.grow


def format_entry(entry: Entry) -> str:
    recipe = " ".join(entry.base)
    if entry.grow:
        recipe += f" grow {entry.grow}"
    return f"{entry.n} {entry.frame} {entry.unit_distances} {recipe}"


def _frame_ok(frame: str) -> bool:
    if frame == "moser":
        return True
    family, _, norm = frame.partition("/")
    return family in RANK2_SHAPES and norm.isdigit() and norm[0] != "0" and len(norm) <= 16


def _parse_line(number: int, line: str) -> Entry:
    fields = line.split()

    def bad(why: str) -> ValueError:
        return ValueError(f"records table line {number}: {why}")

    if len(fields) < 4:
        raise bad("expected <n> <frame> <unit distances> <recipe>")
    n_text, frame, count_text, *recipe = fields
    if not (n_text.isdigit() and count_text.isdigit()) or not _frame_ok(frame):
        raise bad("malformed size, frame or count")
    n, count = int(n_text), int(count_text)
    grow = 0
    if len(recipe) >= 2 and recipe[-2] == "grow":
        if not recipe[-1].isdigit():
            raise bad("malformed grow")
        grow = int(recipe[-1])
        recipe = recipe[:-2]
    if n < 1 or grow >= n:
        raise bad("size out of range")
    base = tuple(recipe)
    family = frame.split("/")[0]
    if base == ("atlas",) and family == "moser":
        pass
    elif base == ("family",) and family != "moser":
        pass
    elif (len(base) == 3 and base[0] == "patch" and family != "moser"
          and base[1] in RANK2_SHAPES[family] and base[2].isdigit()
          and n - grow <= int(base[2]) <= 64 * n):
        pass
    elif len(base) == 2 and base[0] == "union" and base[1].isdigit() \
            and 1 <= int(base[1]) < n - grow:
        pass
    else:
        raise bad(f"unknown recipe {' '.join(recipe)!r}")
    return Entry(n, frame, count, base, grow)


@dataclass
class RecordTable:
    """The table's entries by (frame, n), and the best entry of every n."""

    entries: dict[tuple[str, int], Entry]
    best: dict[int, Entry]
    n_max: int


def parse(text: str) -> RecordTable:
    """The table of a records text; ValueError naming the first malformed line.

    Checks the form only: every n from 1 to the largest present, every part
    a union names present, no frame listed twice for one n.
    """
    entries: dict[tuple[str, int], Entry] = {}
    best: dict[int, Entry] = {}
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        entry = _parse_line(number, line)
        key = (entry.frame, entry.n)
        if key in entries:
            raise ValueError(f"records table line {number}: {entry.frame} {entry.n} listed twice")
        entries[key] = entry
        if entry.n not in best or entry.unit_distances > best[entry.n].unit_distances:
            best[entry.n] = entry
    n_max = max(best, default=0)
    missing = [n for n in range(1, n_max + 1) if n not in best]
    if missing:
        raise ValueError(f"records table: no set of {missing[0]} points")
    for entry in entries.values():
        if entry.base[0] == "union":
            a = int(entry.base[1])
            for part in (a, entry.base_size - a):
                if (entry.frame, part) not in entries:
                    raise ValueError(f"records table: {format_entry(entry)!r} needs "
                                     f"{entry.frame} {part}, which is not listed")
    return RecordTable(entries, best, n_max)


_stored: list[RecordTable] = []


def stored_table() -> RecordTable:
    """The table installed with the package, parsed once per process."""
    if not _stored:
        text = importlib.resources.files("vantor_tools").joinpath("data/records.txt").read_text()
        _stored.append(parse(text))
    return _stored[0]


# ---- building a set -------------------------------------------------------------

def with_rows(rows: Sequence[Sequence[int]], columns: int) -> memoryview:
    """An (N, columns) int64 table of the rows, as the kernels read them."""
    flat = array.array("q", [x for row in rows for x in row])
    return memoryview(flat).cast("B").cast("q", [len(rows), columns])


def _rows(table: Int64Table) -> list[list[int]]:
    """The rows of an int64 table as lists."""
    return table.tolist()


def translated_apart(entry_family: str, first: dict[str, Any],
                     second: dict[str, Any]) -> list[list[int]]:
    """The coordinates of `second` moved by a lattice vector so that every
    point of it lies more than 1 from every point of `first`."""
    rows_b = _rows(second["coordinates"])
    if entry_family == "moser":
        # Along the real axis: (k, 0, 0, 0) moves every point by k.
        reach = max(x for x, _ in first["points"]) - min(x for x, _ in second["points"])
        k = math.floor(reach) + 3
        return [[a + k, b, c, d] for a, b, c, d in rows_b]
    # Along whole rows: b grows by enough rows that the gap exceeds sqrt(m)
    # lattice units (a row is at least sqrt(3)/2 high).
    m = first["m"]
    rows_a = _rows(first["coordinates"])
    gap = max(b for _, b in rows_a) - min(b for _, b in rows_b) + 2 * math.isqrt(m) + 4
    return [[a, b + gap] for a, b in rows_b]


class Builder:
    """Builds the sets of a table, keeping the last `keep` sets built, so
    that the parts of unions are usually built once."""

    def __init__(self, table: RecordTable, atlas: Any, family_set: Any, keep: int = 256) -> None:
        self._table = table
        self._atlas = atlas
        self._family_set = family_set
        self._keep = keep
        self._built: OrderedDict[tuple[str, int], dict[str, Any]] = OrderedDict()

    def build(self, entry: Entry) -> dict[str, Any]:
        key = (entry.frame, entry.n)
        if key in self._built:
            self._built.move_to_end(key)
            return self._built[key]
        made = self._make(entry)
        self._built[key] = made
        if len(self._built) > self._keep:
            self._built.popitem(last=False)
        return made

    def _base_rows(self, entry: Entry) -> tuple[list[list[int]], str]:
        """The coordinates of the entry's base set and the shape it is cut in
        ("atlas" for the Moser lattice, "union" for a union)."""
        n = entry.base_size
        kind = entry.base[0]
        if kind == "atlas":
            return _rows(self._atlas(n)["coordinates"]), "atlas"
        if kind == "family":
            made = self._family_set(entry.family, n)
            if made["m"] != entry.m:
                raise RuntimeError(f"the records table builds {entry.frame} {entry.n} from "
                                   f"the {entry.family} lattice's choice, which is now norm "
                                   f"{made['m']}")
            return _rows(made["coordinates"]), str(made["shape"])
        if kind == "patch":
            size = int(entry.base[2])
            patch = _lattice.lattice_patch(entry.family, entry.base[1], size)
            removed, _ = _lattice.peel_order(entry.family, entry.m, patch)
            gone = set(removed[:size - n])
            rows = _rows(patch)
            return [rows[k] for k in range(size) if k not in gone], entry.base[1]
        a = int(entry.base[1])
        first = self.build(self._table.entries[(entry.frame, a)])
        second = self.build(self._table.entries[(entry.frame, n - a)])
        moved = translated_apart(entry.family, first, second)
        return _rows(first["coordinates"]) + moved, "union"

    def _make(self, entry: Entry) -> dict[str, Any]:
        rows, shape = self._base_rows(entry)
        columns = 4 if entry.family == "moser" else 2
        if entry.grow:
            added, _ = _lattice.grow(entry.family, entry.m, with_rows(rows, columns), entry.grow)
            rows = rows + _rows(added)
        # The kernel labels a rank-2 set with a shape of its family; the
        # label is replaced below.
        kernel_shape = shape if shape in RANK2_SHAPES.get(entry.family, ("atlas",)) else "disk"
        result: dict[str, Any] = _lattice.lattice_set(entry.family, entry.m,
                                                     with_rows(rows, columns), kernel_shape)
        if len(result["points"]) != entry.n or result["unit_distances"] != entry.unit_distances:
            raise RuntimeError(
                f"the records table claims {entry.unit_distances} unit distances for "
                f"{entry.frame} {entry.n}, but its set has {result['unit_distances']} "
                f"among {len(result['points'])} points")
        result["shape"] = "grown" if entry.grow else shape
        return result


def build(table: RecordTable, entries: Iterable[Entry], atlas: Any,
          family_set: Any) -> list[dict[str, Any]]:
    """The checked sets of the entries (RuntimeError when one fails its claim)."""
    builder = Builder(table, atlas, family_set)
    return [builder.build(entry) for entry in entries]
