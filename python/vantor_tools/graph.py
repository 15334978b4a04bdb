"""Edges of point sets, their graphs, and the export format that carries them.

``unit_edges(points, tolerance)`` is the edge list behind
``vantor.count_unit_distances``. The unit-distance graph of a result (its
exact edges) or of a point set (its unit edges) comes out as a networkx
graph (``to_networkx``; networkx is optional), as graph6 (``to_graph6``) or
as DIMACS text (``to_dimacs``); ``write_graph`` writes either to a file.
The export format is JSON: one object per
result, with the vantor version and the call that made it, the points as
[x, y] floats that read back bit for bit, a SHA-256 digest of the points to
cite, and the exact data of the result (see ``export_document``).
``examples/check_exact.py`` re-checks such a file without vantor, and
``vantor_tools.exact.check`` (``vantor-cli check``) with it.
"""

from __future__ import annotations

import array
import importlib.metadata
import json
import os
import pathlib
import tempfile
from collections.abc import Buffer, Mapping
from typing import Any, SupportsFloat, SupportsIndex

from vantor_tools import _native, documents, exact
from vantor_tools.documents import FORMAT, LATTICE_FIELDS, points_sha256, read_document
from vantor_tools.points import as_points
from vantor_tools.tables import Int64Table

__all__ = [
    "unit_edges",
    "to_networkx",
    "to_graph6",
    "to_dimacs",
    "write_graph",
    "version",
    "points_sha256",
    "export_document",
    "write_json",
    "write_text",
    "read_json",
    "points_of",
    "FORMAT",
]

def unit_edges(points: Any, tolerance: SupportsFloat | SupportsIndex = 1e-5) -> Int64Table:
    """Every pair of points at distance 1 within ``tolerance``, as a table.

    The kernel ``vantor_tools._native.unit_edges`` (see it for the pair
    test, the order and the errors) on the points in any form
    ``vantor_tools.points.as_points`` takes: lists of pairs, complex
    numbers, numpy arrays, buffers, a result or an export.
    """
    if isinstance(points, (list, tuple, Buffer)):
        try:
            # Tuples of floats and real (N, 2) buffers go straight in.
            return _native.unit_edges(points, tolerance)
        except TypeError:
            pass
    return _native.unit_edges(as_points(points), tolerance)


# The keys holding the exact edges of each kind of result, in order of
# preference: a lattice set's edges, an exact result's proven unit edges
# (an export of either), the certified edges of vantor's certified dict.
_EDGE_KEYS = ("edges", "proven_unit_edges", "certified_edges")


def _graph(result: Any,
           tolerance: SupportsFloat | SupportsIndex) -> tuple[list[tuple[float, float]], Any]:
    """The points (the vertices) and the (E, 2) int64 edge table of a
    result's graph, or of a point set's unit edges within ``tolerance``."""
    points = as_points(result)
    if isinstance(result, Mapping):
        key = next((key for key in _EDGE_KEYS if key in result), None)
        if key is not None:
            return points, _edge_table(result[key], len(points), key)
    return points, unit_edges(points, tolerance)


def _edge_table(edges: Any, n: int, key: str) -> Any:
    """The first two columns of ``edges`` (a table or a list of rows, which
    may come from a file) as an (E, 2) int64 table of vertices below n."""
    if isinstance(edges, Int64Table) and edges.shape[1] == 2:
        return edges
    flat = array.array("q")
    for k, row in enumerate(edges):
        pair = tuple(row)[:2]
        if not (len(pair) == 2 and all(type(i) is int and 0 <= i < n for i in pair)
                and pair[0] != pair[1]):
            raise ValueError(f"{key}[{k}] is not a pair of distinct point indices below {n}")
        flat.extend(pair)
    return memoryview(flat).cast("B").cast("q", (len(flat) // 2, 2))


def _pairs(edges: Any) -> list[tuple[int, int]]:
    rows: list[list[int]] = memoryview(edges).tolist()  # type: ignore[assignment]
    return [(i, j) for i, j in rows]


def to_networkx(result: Any, tolerance: SupportsFloat | SupportsIndex = 1e-5) -> Any:
    """The unit-distance graph as a ``networkx.Graph``.

    ``result`` is a result or an export (its exact edges: "edges",
    "proven_unit_edges", or the certified edges of
    ``vantor.generate_multiquadratic_certified``) or a point set in any
    form ``vantor_tools.points.as_points`` takes (its ``unit_edges`` within
    ``tolerance``). Vertex k is point k, with its (x, y) as the attribute
    "pos" (what ``networkx.draw`` places it by). Raises ImportError when
    networkx is not installed.
    """
    try:
        import networkx  # type: ignore[import-untyped,unused-ignore]
    except ImportError:
        raise ImportError("to_networkx needs networkx (pip install networkx)") from None
    points, edges = _graph(result, tolerance)
    graph = networkx.Graph()
    graph.add_nodes_from((k, {"pos": point}) for k, point in enumerate(points))
    graph.add_edges_from(_pairs(edges))
    return graph


def to_graph6(result: Any, tolerance: SupportsFloat | SupportsIndex = 1e-5) -> str:
    """The unit-distance graph (as ``to_networkx`` takes it) in graph6, the
    vertices in the order of the points, without a header or a newline."""
    points, edges = _graph(result, tolerance)
    return _native.graph6(len(points), edges)


def to_dimacs(result: Any, tolerance: SupportsFloat | SupportsIndex = 1e-5) -> str:
    """The unit-distance graph (as ``to_networkx`` takes it) in the DIMACS
    edge format: "p edge n E", then "e i j" per edge, vertices numbered
    from 1 in the order of the points."""
    points, edges = _graph(result, tolerance)
    rows = _pairs(edges)
    lines = [f"p edge {len(points)} {len(rows)}"]
    lines.extend(f"e {i + 1} {j + 1}" for i, j in rows)
    return "".join(line + "\n" for line in lines)


def write_graph(path: str | os.PathLike[str], result: Any, format: str = "graph6",
                tolerance: SupportsFloat | SupportsIndex = 1e-5) -> None:
    """Writes the unit-distance graph to ``path`` as "graph6" (one line) or
    "dimacs", as ``write_text`` writes."""
    if format == "graph6":
        text = to_graph6(result, tolerance) + "\n"
    elif format == "dimacs":
        text = to_dimacs(result, tolerance)
    else:
        raise ValueError(f"format must be 'graph6' or 'dimacs', not {format!r}")
    write_text(path, text)


def version() -> str:
    """The installed vantor version ("unknown" when run from a source tree)."""
    try:
        return importlib.metadata.version("vantor")
    except importlib.metadata.PackageNotFoundError:
        return "unknown"


def _rows(table: Any) -> list[list[int]]:
    rows: list[list[int]] = table.tolist() if hasattr(table, "tolist") else [list(r) for r in table]
    return rows


# What an export of this package may hold: the structure is checked, the
# size is whatever the result has.
_EXPORT_LIMITS = documents.Limits(max_bytes=2**62, max_generators=8,
                                  max_denominator_bits=2**20, max_work=2**62)
# The keys of each kind of result export_document takes.
_EXACT_KEYS = {"generators_completed", "points", "elements", "translations", "certified_edges",
               "proven_unit_edges", "near_misses", "exact_unit_distances", "audit_tolerance"}
_PROOF_KEYS = {"generators_completed", "points", "elements", "proven_unit_edges", "near_misses",
               "unrecognised", "exact_unit_distances", "tolerance", "digits", "decimals"}
_LATTICE_KEYS = {"family", "shape", "m", "points", "coordinates", "edges", "unit_distances"}
_UNIT_LATTICE_KEYS = {"family", "generators", "generating_units", "points", "coordinates", "edges",
                      "unit_distances"}
_CERTIFIED = "vantor.generate_multiquadratic_certified"
_CERTIFY_ARGUMENTS = ("generators", "split_prime", "k", "n_target")


def _kind_of(value: Any) -> str:
    """What a value is, in the words of an error message."""
    if isinstance(value, Mapping):
        keys = sorted(map(str, value))
        return (f"a dict with keys {', '.join(keys[:8])}{', ...' if len(keys) > 8 else ''}"
                if keys else "an empty dict")
    if isinstance(value, (list, tuple)):
        first = f" (the first {_kind_of(value[0])})" if value else ""
        return f"a {type(value).__name__} of {len(value)} items{first}"
    if isinstance(value, Int64Table):
        return f"a table of shape {value.shape}"
    return f"a {type(value).__name__}"


def _exportable(result: Any, call: Any) -> tuple[Mapping[str, Any], Mapping[str, Any]]:
    """The result and call to export, or TypeError/ValueError saying why
    ``result`` cannot be exported."""
    if not (isinstance(call, Mapping) and isinstance(call.get("function"), str)
            and isinstance(call.get("arguments"), Mapping)):
        raise TypeError('call must be {"function": name, "arguments": {...}}, not '
                        f"{_kind_of(call)}")
    if not isinstance(result, Mapping):
        hint = (" (export each result)" if isinstance(result, (list, tuple)) and result
                and isinstance(result[0], Mapping) else
                " (points without proofs: write them with vantor_tools.points.write_points)"
                if isinstance(result, (list, tuple)) else "")
        raise TypeError(f"export_document takes a result dict, not {_kind_of(result)}{hint}")
    if "format" in result:
        raise ValueError("this is already an export: write it with write_json")
    if result and all(isinstance(key, int) for key in result):
        raise ValueError(f"a dict of {len(result)} results by size (as beam_search returns): "
                         "export each value")
    if result.get("construction") == "multiquadratic-section2":
        return _certified_as_exact(result, call)
    if "unrecognised" in result:
        wanted = _PROOF_KEYS
    elif "elements" in result:
        wanted = _EXACT_KEYS
    elif result.get("family") == "unit":
        wanted = _UNIT_LATTICE_KEYS
    elif "family" in result:
        if result["family"] not in LATTICE_FIELDS:
            raise ValueError(f"family: {result['family']!r} is not a lattice family")
        wanted = _LATTICE_KEYS
    else:
        raise ValueError(f"not a result vantor exports: {_kind_of(result)}; expected an exact "
                         "result ('elements'), a proof ('unrecognised'), a lattice set "
                         f"('family') or the certified dict of {_CERTIFIED}")
    missing = sorted(wanted - set(result))
    if missing:
        raise ValueError(f"the result lacks {', '.join(map(repr, missing))}")
    return result, call


def _certified_as_exact(result: Mapping[str, Any],
                        call: Mapping[str, Any]) -> tuple[Mapping[str, Any], Mapping[str, Any]]:
    arguments = call["arguments"]
    if call["function"] != _CERTIFIED or set(arguments) != set(_CERTIFY_ARGUMENTS):
        raise ValueError(f"the certified dict of {_CERTIFIED} carries no field elements: pass "
                         f'the call that made it, {{"function": "{_CERTIFIED}", "arguments": '
                         '{"generators", "split_prime", "k", "n_target"}}')
    generators = [int(g) for g in arguments["generators"]]
    values = (generators, int(arguments["split_prime"]), int(arguments["k"]),
              int(arguments["n_target"]))
    made = exact.certify(*values)
    if points_sha256(made["points"]) != points_sha256(result["points"]):
        raise ValueError(f"points: not the points of {_CERTIFIED} with the call's arguments")
    if sorted(row[:2] for row in made["certified_edges"]) != sorted(
            tuple(edge) for edge in result["certified_edges"]):
        raise ValueError(f"certified_edges: not those of {_CERTIFIED} with the call's arguments")
    return made, {"function": "vantor_tools.exact.certify",
                  "arguments": dict(zip(_CERTIFY_ARGUMENTS, values))}


def export_document(result: Mapping[str, Any], call: Mapping[str, Any]) -> dict[str, Any]:
    """The export of a result, as a JSON-ready dict.

    ``result`` is a dict from ``vantor_tools.exact.prove`` (kind "proof":
    "elements" (null where unrecognised), "proven_unit_edges",
    "near_misses", "unrecognised", "exact_unit_distances", "tolerance",
    "digits", "decimals"), ``vantor_tools.exact.certify`` (kind "multiquadratic") or from a lattice or records function (kind
    "lattice"); ``call`` names what made it: {"function": name,
    "arguments": {...}}. Every export has "format", "vantor_version",
    "call", "kind", "generators_completed", "points" and "points_sha256".
    A multiquadratic export adds "elements", "translations",
    "certified_edges" ([i, j, t, s]), "proven_unit_edges", "near_misses",
    "exact_unit_distances" and "audit_tolerance"; a lattice export adds
    "family", "shape", "norm", "basis", "coordinates", "edges" and
    "unit_distances" (and "canonical_graph6" for a catalogue entry). A set of
    a unit lattice (kind "unit_lattice", from
    ``vantor_tools.lattice.patch``) adds "generating_units", "basis" (the
    basis the coordinates refer to: the reduced one, or the generating units
    for a lattice built with reduce=False), "coordinates", "edges" and
    "unit_distances".

    The certified dict of ``vantor.generate_multiquadratic_certified``
    carries no field elements: with the call that made it
    ({"function": "vantor.generate_multiquadratic_certified", "arguments":
    {"generators", "split_prime", "k", "n_target"}}) it is exported as the
    result of ``vantor_tools.exact.certify`` with those arguments, once its
    points and certified edges are found to be that result's, bit for bit.
    Anything else (a list of points or of results, a dict of results by n,
    a table, an export) is refused with TypeError or ValueError naming what
    it is. The export is read back by ``documents.validate`` before it is
    returned, so ``vantor-cli check`` reads every export this makes.
    """
    result, call = _exportable(result, call)
    points = [[x, y] for x, y in result["points"]]
    document: dict[str, Any] = {
        "format": FORMAT,
        "vantor_version": version(),
        "call": {"function": call["function"], "arguments": dict(call["arguments"])},
    }
    if "unrecognised" in result:
        document.update({
            "kind": "proof",
            "generators_completed": list(result["generators_completed"]),
            "points": points,
            "points_sha256": points_sha256(points),
            "elements": [None if e is None else list(e) for e in result["elements"]],
            "proven_unit_edges": _rows(result["proven_unit_edges"]),
            "near_misses": _rows(result["near_misses"]),
            "unrecognised": list(result["unrecognised"]),
            "exact_unit_distances": result["exact_unit_distances"],
            "tolerance": result["tolerance"],
            "digits": result["digits"],
            "decimals": result["decimals"],
        })
    elif "elements" in result:
        document.update({
            "kind": "multiquadratic",
            "generators_completed": list(result["generators_completed"]),
            "audit_tolerance": result["audit_tolerance"],
            "points": points,
            "points_sha256": points_sha256(points),
            "elements": [list(element) for element in result["elements"]],
            "translations": [list(element) for element in result["translations"]],
            "certified_edges": _rows(result["certified_edges"]),
            "proven_unit_edges": _rows(result["proven_unit_edges"]),
            "near_misses": _rows(result["near_misses"]),
            "exact_unit_distances": result["exact_unit_distances"],
        })
    elif result["family"] == "unit":
        document.update(_unit_lattice_export(result, points))
    else:
        family = result["family"]
        generators, basis = LATTICE_FIELDS[family]
        document.update({
            "kind": "lattice",
            "family": family,
            "shape": result["shape"],
            "norm": result["m"],
            "generators_completed": generators,
            "basis": basis,
            "points": points,
            "points_sha256": points_sha256(points),
            "coordinates": _rows(result["coordinates"]),
            "edges": _rows(result["edges"]),
            "unit_distances": result["unit_distances"],
        })
        if "canonical_graph6" in result:
            document["canonical_graph6"] = result["canonical_graph6"]
    documents.validate(document, _EXPORT_LIMITS)
    return document


def _unit_lattice_export(result: Mapping[str, Any], points: list[list[float]]) -> dict[str, Any]:
    """The keys of a unit lattice set's export: the field, the units that
    span the lattice and its basis (the reduced one, or the units
    themselves), which the coordinates refer to."""
    from vantor_tools.lattice import UnitLattice

    lattice = UnitLattice(result["generators"], result["generating_units"],
                          reduce=result.get("reduced", True) is not False)
    return {
        "kind": "unit_lattice",
        "generators_completed": list(lattice.generators),
        "generating_units": [list(unit) for unit in lattice.generating_units],
        "basis": [list(element) for element in lattice.basis],
        "points": points,
        "points_sha256": points_sha256(points),
        "coordinates": _rows(result["coordinates"]),
        "edges": _rows(result["edges"]),
        "unit_distances": result["unit_distances"],
    }


def write_json(path: str | pathlib.Path, document: Mapping[str, Any]) -> None:
    """Writes an export; floats are written so that they read back bit for bit.

    The text is made first, so a value that cannot be written (NaN, an
    infinity, an object JSON does not know) raises ValueError or TypeError
    before anything is touched. It then goes to a temporary file in the same
    folder, flushed to disk and renamed over ``path``: a failed write leaves
    an existing file as it was.
    """
    write_text(path, json.dumps(document, allow_nan=False, separators=(",", ":")) + "\n")


def write_text(path: str | os.PathLike[str], text: str) -> None:
    """Writes ``text`` (UTF-8) to ``path`` through a temporary file in the
    same folder, flushed and renamed over it: a failed write leaves an
    existing file as it was."""
    target = pathlib.Path(path)
    descriptor, temporary = tempfile.mkstemp(dir=target.parent, prefix=f".{target.name}.",
                                             suffix=".tmp")
    try:
        with os.fdopen(descriptor, "w", encoding="utf-8") as out:
            out.write(text)
            out.flush()
            os.fsync(out.fileno())
        # mkstemp makes the file private; an export is as readable as any
        # file the user makes.
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temporary, 0o666 & ~mask)
        os.replace(temporary, target)
    except BaseException:
        os.unlink(temporary)
        raise


def read_json(path: str | pathlib.Path) -> Any:
    """Reads a JSON file (an export, or a plain list of [x, y] points) within
    the reader's limits (``vantor_tools.documents.Limits``).

    Raises OSError when the file cannot be read and ValueError
    (``documents.DocumentError``) when it is not a readable document.
    """
    return read_document(path)


def points_of(data: Any) -> list[tuple[float, float]]:
    """The points of an export or of a plain JSON list of [x, y] pairs.

    Raises ValueError when ``data`` holds no such list.
    """
    points = data.get("points") if isinstance(data, dict) else data
    if not isinstance(points, list):
        raise ValueError("expected a list of [x, y] points or an object with 'points'")
    out: list[tuple[float, float]] = []
    for index, point in enumerate(points):
        if (not isinstance(point, list) or len(point) != 2
                or not all(isinstance(c, (int, float)) and not isinstance(c, bool) for c in point)):
            raise ValueError(f"points[{index}] is not a pair of numbers [x, y]")
        out.append((float(point[0]), float(point[1])))
    return out
