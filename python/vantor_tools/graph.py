"""Edges of point sets, and the export format that carries them.

``unit_edges(points, tolerance)`` is the edge list behind
``vantor.count_unit_distances``. The export format is JSON: one object per
result, with the vantor version and the call that made it, the points as
[x, y] floats that read back bit for bit, a SHA-256 digest of the points to
cite, and the exact data of the result (see ``export_document``).
``examples/check_exact.py`` re-checks such a file without vantor, and
``vantor_tools.exact.check`` (``vantor-cli check``) with it.
"""

from __future__ import annotations

import importlib.metadata
import json
import os
import pathlib
import tempfile
from collections.abc import Mapping
from typing import Any, SupportsFloat, SupportsIndex

from vantor_tools import _native
from vantor_tools.documents import FORMAT, LATTICE_FIELDS, points_sha256, read_document
from vantor_tools.points import as_points
from vantor_tools.tables import Int64Table

__all__ = [
    "unit_edges",
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
    try:
        # Tuples of floats and real (N, 2) buffers go straight in.
        return _native.unit_edges(points, tolerance)
    except TypeError:
        pass
    return _native.unit_edges(as_points(points), tolerance)


def version() -> str:
    """The installed vantor version ("unknown" when run from a source tree)."""
    try:
        return importlib.metadata.version("vantor")
    except importlib.metadata.PackageNotFoundError:
        return "unknown"


def _rows(table: Any) -> list[list[int]]:
    rows: list[list[int]] = table.tolist() if hasattr(table, "tolist") else [list(r) for r in table]
    return rows


def export_document(result: Mapping[str, Any], call: Mapping[str, Any]) -> dict[str, Any]:
    """The export of a result, as a JSON-ready dict.

    ``result`` is a dict from ``vantor_tools.exact.certify`` (kind
    "multiquadratic") or from a lattice or records function (kind
    "lattice"); ``call`` names what made it: {"function": name,
    "arguments": {...}}. Every export has "format", "vantor_version",
    "call", "kind", "generators_completed", "points" and "points_sha256".
    A multiquadratic export adds "elements", "translations",
    "certified_edges" ([i, j, t, s]), "proven_unit_edges", "near_misses",
    "exact_unit_distances" and "audit_tolerance"; a lattice export adds
    "family", "shape", "norm", "basis", "coordinates", "edges" and
    "unit_distances".
    """
    points = [[x, y] for x, y in result["points"]]
    document: dict[str, Any] = {
        "format": FORMAT,
        "vantor_version": version(),
        "call": {"function": call["function"], "arguments": dict(call["arguments"])},
    }
    if "elements" in result:
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
    return document


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
