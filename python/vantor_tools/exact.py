"""Exact data and proofs.

``certify`` runs the multiquadratic construction (the same points as
``vantor.generate_multiquadratic_certified``) and returns, beside the points,
the exact field element of every point, the translations, the translation
behind every certified edge, and an exact verdict on every pair within the
audit tolerance: the proven unit edges (which contain the certified edges)
and the near misses. ``check`` re-checks such a result, or an exported file
of either kind, in exact arithmetic.
"""

from __future__ import annotations

import array
from collections.abc import Callable, Mapping, Sequence
from typing import Any, Literal, SupportsIndex, TypedDict

from vantor_tools import documents, lattice
from vantor_tools._native import canonical_graph6, certify_exact, check_multiquadratic
from vantor_tools.tables import Int64Table

__all__ = ["certify", "check", "ExactResult"]


class ExactResult(TypedDict):
    generators_completed: list[int]
    points: list[tuple[float, float]]
    elements: list[tuple[str, ...]]
    translations: list[tuple[str, ...]]
    certified_edges: Int64Table
    proven_unit_edges: Int64Table
    near_misses: Int64Table
    exact_unit_distances: int
    audit_tolerance: float
    verified: bool


def certify(generators: Sequence[SupportsIndex], split_prime: SupportsIndex, k: SupportsIndex,
            n_target: SupportsIndex,
            progress: bool | Callable[[int, int], object] | None = None) -> ExactResult:
    """The certified multiquadratic construction with its exact data.

    See ``vantor_tools._native.certify_exact`` for the keys. Raises
    RuntimeError with the message ``vantor.generate_multiquadratic_certified``
    gives for the same arguments.
    """
    result: ExactResult = certify_exact(generators, split_prime, k, n_target, progress)
    return result


def _table(rows: Any, columns: int, what: str) -> Any:
    """A (rows, columns) int64 buffer from a table or a list of rows."""
    if not isinstance(rows, list):
        return rows
    flat = array.array("q")
    for index, row in enumerate(rows):
        if not isinstance(row, list) or len(row) != columns:
            raise TypeError(f"{what}[{index}] must be a row of {columns} integers")
        flat.extend(row)
    return memoryview(flat).cast("B").cast("q", (len(rows), columns))


def _check_lattice(document: Mapping[str, Any]) -> Literal[True]:
    family = document["family"]
    columns = 4 if family == "moser" else 2
    edges = document["edges"]
    if document["unit_distances"] != len(edges):
        raise ValueError(f"unit_distances: {document['unit_distances']} stated, "
                         f"{len(edges)} edges")
    table = _table(edges, 2, "edges")
    checked: Literal[True] = lattice.verify({
        "family": family,
        "m": document["norm"] if "norm" in document else document["m"],
        "coordinates": _table(document["coordinates"], columns, "coordinates"),
        "points": [tuple(point) for point in document["points"]],
        "edges": table,
    })
    if "canonical_graph6" in document:
        form = canonical_graph6(len(document["points"]), table)
        if document["canonical_graph6"] != form:
            raise ValueError(f"canonical_graph6: the set's unit-distance graph has the "
                             f"canonical graph6 {form}")
    return checked


def check(document: Mapping[str, Any],
          limits: documents.Limits | None = None) -> Literal[True]:
    """Re-checks a result or an export exactly; True, or ValueError naming the first fault.

    An export (a document with "format") is first read by
    ``vantor_tools.documents.validate``: outside the format or its
    ``limits`` it raises ``documents.DocumentError`` (a ValueError) before
    any arithmetic, and its plain claims (the digest of the points, the
    call, a lattice export's field, basis and norm) are checked there.

    Then, for a multiquadratic result (from ``certify``, or an export of
    one): every point the principal embedding of its element bit for bit,
    every translation of modulus exactly 1, every certified edge its
    translation, every proven unit edge exactly one unit long and no near
    miss, the two lists exactly the pairs within the audit tolerance, the
    count right. A lattice result or export: what ``vantor_tools.lattice.verify``
    checks. For a result (no "format"), a missing key raises KeyError and a
    value of the wrong kind TypeError.
    """
    if "format" in document:
        document = documents.validate(document, limits)
    if "elements" in document:
        points = document["points"]
        if isinstance(points, list) and points and isinstance(points[0], list):
            document = {**document, "points": [tuple(point) for point in points]}
        result: Literal[True] = check_multiquadratic(document)
        return result
    if "family" in document:
        return _check_lattice(document)
    raise ValueError("not a vantor result: expected 'elements' (multiquadratic) "
                     "or 'family' (lattice)")
