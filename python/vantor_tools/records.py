"""The point sets with the most unit distances known to vantor.

* ``best(n)``: the densest set of n points known here. Up to the limit of the
  stored records table (``data/records.txt``, made by
  ``tools/build_records.py``) it is the table's set: Moser lattice sets from
  the atlas, Eisenstein lattice patches (trimmed from patches up to four
  times larger), and sets derived from smaller ones: a point added where it
  makes the most unit distances, or two sets side by side. Beyond the table
  it is the densest lattice patch (``vantor_tools._lattice.best_lattice``).
  Every set is built by the compiled kernels and checked exactly; the count
  must equal the one the table claims.
* ``catalogue(n)``: every non-isomorphic densest set of n points the Moser
  lattice search found (``data/moser_catalogue.txt.gz``), each with its
  canonical graph6.
* ``moser_atlas(n)``, ``beam_search`` and ``beam_search_task``: the atlas of
  the densest Moser lattice sets and the search that made it; the search runs
  here on all threads, or its tasks (``lattice_search_task``) on any
  ``concurrent.futures.Executor``, in the Moser lattice or in any unit
  lattice of rank at most 4.

The compiled modules are kernels behind these functions, as ``_bisect``
stands behind ``bisect``.
"""

from __future__ import annotations

import gzip
import importlib.resources
import operator
from collections.abc import Callable
from concurrent.futures import Executor, Future
from typing import Any, SupportsIndex, cast, overload

from vantor_tools import _lattice, _native
from vantor_tools import record_table as _table
from vantor_tools.lattice import LatticeResult, UnitLattice, UnitLatticeResult, moser_lattice
from vantor_tools.point_text import decode
from vantor_tools.progress import Progress

__all__ = ["best", "catalogue", "moser_atlas", "beam_search", "beam_search_task",
           "lattice_search_task", "CatalogueEntry"]

moser_atlas = _lattice.moser_atlas
beam_search_task = _lattice.beam_search_task


def _family_set(family: str, n: int) -> Any:
    if family == "eisenstein":
        return _lattice.eisenstein_lattice(n)
    return _lattice.square_lattice(n)


def best(n: SupportsIndex) -> LatticeResult:
    """Exactly n points with the most unit distances known to vantor.

    Returns the result dictionary of ``vantor_tools._lattice.best_lattice``
    (keys 'family', 'shape', 'm', 'points', 'coordinates', 'edges',
    'unit_distances', 'verified'). 'family' is 'moser' for a Moser lattice
    set (then 'm' is 1 and 'coordinates' has the four columns (a, b, c, d)
    of a + b*w1 + c*w3 + d*w1*w3), else 'square' or 'eisenstein'. 'shape' is
    the patch shape, 'atlas' for a Moser lattice atlas set, 'grown' for a set
    with points added one at a time where each makes the most unit
    distances, and 'union' for two sets side by side. Every set has passed
    the exact check of ``verify``.

    For every n up to the table's limit the count is at least that of the
    set of n - 1 points plus 2, at least the sum of the sets of a and n - a
    points for every split made in one lattice, and at least that of every
    lattice family and stored set of n points.
    """
    table = _table.stored_table()
    size = n.__index__() if isinstance(n, int) or hasattr(type(n), "__index__") else None
    if size is None or not 1 <= size <= table.n_max:
        # The kernel answers the rest, its own errors included.
        return cast(LatticeResult, _lattice.best_lattice(n))
    builder = _table.Builder(table, _lattice.moser_atlas, _family_set)
    return cast(LatticeResult, builder.build(table.best[size]))


# ---- the catalogue ------------------------------------------------------------------

class CatalogueEntry(LatticeResult):
    canonical_graph6: str


_catalogue_lines: list[dict[int, list[tuple[int, str, str]]]] = []


def _stored_catalogue() -> dict[int, list[tuple[int, str, str]]]:
    """The catalogue's lines by size, (unit distances, canonical graph6,
    points), in the stored order, read once per process; only the form is
    checked here."""
    if _catalogue_lines:
        return _catalogue_lines[0]
    packed = importlib.resources.files("vantor_tools").joinpath(
        "data/moser_catalogue.txt.gz").read_bytes()
    text = gzip.decompress(packed).decode()
    found: dict[int, list[tuple[int, str, str]]] = {}
    for number, line in enumerate(text.splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split(" ")
        if len(fields) != 4 or not fields[0].isdigit() or not fields[1].isdigit():
            raise ValueError(f"catalogue line {number}: expected <n> <unit distances> "
                             "<canonical graph6> <points>")
        found.setdefault(int(fields[0]), []).append((int(fields[1]), fields[2], fields[3]))
    _catalogue_lines.append(found)
    return found


def catalogue(n: SupportsIndex) -> list[CatalogueEntry]:
    """Every non-isomorphic densest set of n points the Moser lattice search
    found, as result dictionaries (shape 'catalogue') with the key
    'canonical_graph6': the graph6 of the unit-distance graph under nauty's
    canonical labelling, equal for two sets exactly when their graphs are
    isomorphic.

    Each set is checked exactly when read: its unit distances proven and
    counted, the count equal to that of every other set of n and of the
    atlas, its canonical form recomputed, and no two forms equal. Raises
    ValueError for an n the catalogue does not cover, RuntimeError when a
    stored set fails its check.
    """
    size = operator.index(n)
    lines = _stored_catalogue()
    if size not in lines:
        covered = max(lines, default=0)
        raise ValueError(f"n must be between 1 and {covered}, got {size}")
    densest = moser_atlas(size)["unit_distances"]
    entries: list[CatalogueEntry] = []
    seen: set[str] = set()
    for count, form, text in lines[size]:
        try:
            rows = decode(text, size, 4)
            result = _lattice.lattice_set("moser", 1, _table.with_rows(rows, 4), "catalogue")
        except ValueError as fault:
            raise RuntimeError(f"catalogue set of {size} points ({form}): {fault}") from None
        recomputed = _native.canonical_graph6(size, result["edges"])
        if result["unit_distances"] != count or count != densest:
            raise RuntimeError(f"catalogue set of {size} points ({form}) has "
                               f"{result['unit_distances']} unit distances, the catalogue "
                               f"claims {count} and the densest set has {densest}")
        if recomputed != form:
            raise RuntimeError(f"catalogue set of {size} points: its canonical graph6 is "
                               f"{recomputed}, not {form}")
        if form in seen:
            raise RuntimeError(f"catalogue sets of {size} points repeat the graph {form}")
        seen.add(form)
        entry = cast(CatalogueEntry, result)
        entry["canonical_graph6"] = form
        entries.append(entry)
    return entries


# ---- the search ----------------------------------------------------------------------

@overload
def beam_search(n_max: SupportsIndex, width: SupportsIndex = 500, seed: SupportsIndex = 0,
                sweeps: SupportsIndex = 3, tasks: SupportsIndex = 1,
                executor: Executor | None = None,
                progress: bool | Callable[[int, int], object] | None = None,
                lattice: None = None) -> dict[int, LatticeResult]: ...
@overload
def beam_search(n_max: SupportsIndex, width: SupportsIndex = 500, seed: SupportsIndex = 0,
                sweeps: SupportsIndex = 3, tasks: SupportsIndex = 1,
                executor: Executor | None = None,
                progress: bool | Callable[[int, int], object] | None = None,
                lattice: UnitLattice | None = None,
                ) -> dict[int, LatticeResult] | dict[int, UnitLatticeResult]: ...
def beam_search(n_max: SupportsIndex, width: SupportsIndex = 500, seed: SupportsIndex = 0,
                sweeps: SupportsIndex = 3, tasks: SupportsIndex = 1,
                executor: Executor | None = None,
                progress: bool | Callable[[int, int], object] | None = None,
                lattice: UnitLattice | None = None,
                ) -> dict[int, LatticeResult] | dict[int, UnitLatticeResult]:
    """The densest sets a beam search finds in a unit lattice (the Moser
    lattice unless `lattice` names another), for every size from 1 to n_max.

    The Moser lattice is the integer span of 1, w1, w3 and w1*w3 with
    w1 = (1 + i*sqrt(3))/2 and w3 = (5 + i*sqrt(11))/6, the unit vectors of
    the Moser spindle. The search keeps, for every size, the `width` sets
    with the most unit distances, one per congruence class, and feeds them by
    adding a point at a unit step from the set, by removing a least connected
    point, and with Minkowski sums of small dense sets; `sweeps` growth
    passes run with removal passes between them. `seed` orders sets of equal
    count. The same arguments give the same sets for every thread count.

    * `tasks`: the search runs as this many independent searches (task k
      under its own seed), merged by taking for each size the densest set,
      the lowest task among equals.
    * `executor`: a concurrent.futures.Executor (a process pool, an MPI or
      dask executor) to run the tasks on, each as
      lattice_search_task(n_max, width, seed, sweeps, k, steps, symmetries);
      None runs them here. The result is the same either way.
    * `progress`: None (off), True (a tqdm bar when tqdm is installed, else
      a line on stderr) or a callable progress(done, total): passes over a
      pool when one task runs here, tasks finished otherwise.
    * `lattice`: a UnitLattice of rank at most 4; None is
      ``vantor_tools.lattice.moser_lattice()``. The search moves by the
      lattice's unit vectors and keeps one set per class of congruence
      under its symmetries (rotations, then reflections, each by the angle
      of its factor; with more than 12, the rotations alone). The Moser
      lattice keeps its coordinates (a, b, c, d) over 1, w1, w3, w1*w3, and
      its sets are today's, bit for bit.

    Returns a dict mapping n to a result dictionary: for the Moser lattice
    as best() describes it, with 'family' 'moser' and 'shape' 'search'; for
    another lattice a UnitLatticeResult ('family' 'unit', coordinates in its
    reduced basis). Every set is checked exactly before it is returned, also
    those an executor hands back. The work here runs without the
    interpreter lock, and Ctrl-C stops it.
    """
    _lattice.check_search_request(n_max, width, seed, sweeps, tasks)
    count = operator.index(tasks)
    if lattice is None:
        lattice = moser_lattice()
    moser = _is_moser(lattice)
    # The Moser lattice searches in its coordinates (a, b, c, d), whatever
    # basis the caller's copy has.
    steps, symmetries = _lattice.unit_lattice_search_tables(
        moser_lattice()._kernel if moser else lattice._kernel)
    results: list[Any] = []
    if executor is None and count == 1:
        results.append(_lattice.lattice_search_task(n_max, width, seed, sweeps, 0,
                                                    _view(steps, 4), _view(symmetries, 4),
                                                    progress))
    else:
        report = Progress(progress, "beam search tasks", count, "task")
        futures: list[Future[Any]] = []
        try:
            for task in range(count):
                if executor is None:
                    results.append(lattice_search_task(n_max, width, seed, sweeps, task,
                                                       steps, symmetries))
                    report.update(task + 1)
                else:
                    futures.append(executor.submit(lattice_search_task, n_max, width, seed,
                                                   sweeps, task, steps, symmetries))
            for task, future in enumerate(futures):
                results.append(future.result())
                report.update(task + 1)
        except BaseException:
            for future in futures:
                future.cancel()
            raise
        finally:
            report.close()
    if moser:
        return cast(dict[int, LatticeResult], _lattice.merge_search_tasks(n_max, results))
    return _unit_lattice_sets(lattice, n_max, results)


def lattice_search_task(n_max: SupportsIndex, width: SupportsIndex, seed: SupportsIndex,
                        sweeps: SupportsIndex, task: SupportsIndex, steps: bytes,
                        symmetries: bytes) -> tuple[tuple[int, bytes], ...]:
    """One task of beam_search in the lattice given by its search tables (the
    bytes of int64 rows of 4: one per unit step, four per symmetry), as an executor
    runs it; see ``vantor_tools._lattice.lattice_search_task``."""
    result: tuple[tuple[int, bytes], ...] = _lattice.lattice_search_task(
        n_max, width, seed, sweeps, task, _view(steps, 4), _view(symmetries, 4))
    return result


def _view(rows: bytes, columns: int) -> memoryview:
    return memoryview(rows).cast("q", (len(rows) // (8 * columns), columns))


def _is_moser(lattice: UnitLattice) -> bool:
    reference = moser_lattice()
    return (lattice.generators == reference.generators
            and lattice.generating_units == reference.generating_units)


def _unit_lattice_sets(lattice: UnitLattice, n_max: SupportsIndex,
                       results: list[Any]) -> dict[int, UnitLatticeResult]:
    """For every size the densest set of the tasks (the lowest task among
    equals), built and checked exactly in `lattice`; its count must be the
    one the search claimed."""
    found: dict[int, UnitLatticeResult] = {}
    for n in range(1, operator.index(n_max) + 1):
        claimed, data = max(((result[n - 1][0], -task, result[n - 1][1])
                             for task, result in enumerate(results)), key=lambda e: e[:2])[::2]
        rows: Any = memoryview(data).cast("q", (len(data) // 32, 4)).tolist()
        built = lattice.point_set([row[:lattice.rank] for row in rows])
        if built["unit_distances"] != claimed or len(rows) != n:
            raise RuntimeError(f"the search's set of {n} points claims {claimed} unit "
                               f"distances but has {built['unit_distances']}")
        found[n] = built
    return found
