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

import hashlib
import importlib.metadata
import json
import pathlib
import struct
from collections.abc import Mapping, Sequence
from typing import Any

from vantor_tools._native import unit_edges

__all__ = [
    "unit_edges",
    "version",
    "points_sha256",
    "export_document",
    "write_json",
    "read_json",
    "points_of",
    "FORMAT",
]

#: The value of the "format" key of every exported file.
FORMAT = "vantor exact result"

# The number fields the lattice families live in, in the export's terms:
# the generators (with -1) and the coordinate basis as field elements, one
# rational per basis element (basis element m is the product of the square
# roots of the generators whose bits are set in m).
LATTICE_FIELDS: dict[str, tuple[list[int], list[list[str]]]] = {
    # Z[i]: 1, i.
    "square": ([-1], [["1", "0"], ["0", "1"]]),
    # Z[w], w = (1 + sqrt(3) i) / 2; basis 1, sqrt3, i, sqrt3 i.
    "eisenstein": ([3, -1], [["1", "0", "0", "0"], ["1/2", "0", "0", "1/2"]]),
    # 1, w1, w3, w1 w3 with w1 = (1 + sqrt(3) i) / 2, w3 = (5 + sqrt(11) i) / 6;
    # basis 1, sqrt3, sqrt11, sqrt33, i, sqrt3 i, sqrt11 i, sqrt33 i.
    "moser": ([3, 11, -1], [
        ["1", "0", "0", "0", "0", "0", "0", "0"],
        ["1/2", "0", "0", "0", "0", "1/2", "0", "0"],
        ["5/6", "0", "0", "0", "0", "0", "1/6", "0"],
        ["5/12", "0", "0", "-1/12", "0", "5/12", "1/12", "0"],
    ]),
}


def version() -> str:
    """The installed vantor version ("unknown" when run from a source tree)."""
    try:
        return importlib.metadata.version("vantor")
    except importlib.metadata.PackageNotFoundError:
        return "unknown"


def points_sha256(points: Sequence[Sequence[float]]) -> str:
    """SHA-256 of the coordinates as little-endian float64, x then y, point by point."""
    digest = hashlib.sha256()
    for x, y in points:
        digest.update(struct.pack("<dd", x, y))
    return digest.hexdigest()


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
    """Writes an export; floats are written so that they read back bit for bit."""
    with open(path, "w", encoding="utf-8") as out:
        json.dump(document, out, allow_nan=False, separators=(",", ":"))
        out.write("\n")


def read_json(path: str | pathlib.Path) -> Any:
    """Reads a JSON file (an export, or a plain list of [x, y] points).

    Raises OSError when the file cannot be read and ValueError when it is
    not JSON.
    """
    with open(path, encoding="utf-8") as source:
        return json.load(source)


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
