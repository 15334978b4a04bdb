"""Exact data and proofs.

``certify`` runs the multiquadratic construction (the same points as
``vantor.generate_multiquadratic_certified``) and returns, beside the points,
the exact field element of every point, the translations, the translation
behind every certified edge, and an exact verdict on every pair within the
audit tolerance: the proven unit edges (which contain the certified edges)
and the near misses. ``prove`` does the same for any point set: exact elements, text such as
``(5 + sqrt(33))/12``, a lattice result, or floats, which it recognises as
field elements where it can and reports where it cannot. ``check``
re-checks such a result, or an exported file of any kind, in exact
arithmetic.
"""

from __future__ import annotations

import array
import math
import numbers
import re
from collections.abc import Callable, Mapping, Sequence
from fractions import Fraction
from typing import Any, Literal, SupportsIndex, TypedDict

from vantor_tools import documents, lattice
from vantor_tools._native import (
    canonical_graph6,
    certify_exact,
    check_multiquadratic,
    elements_match,
    prove_pairs,
    recognise_points,
)
from vantor_tools.expressions import ExpressionError, Radicals, parse
from vantor_tools.tables import Int64Table

__all__ = ["certify", "check", "prove", "ExactResult", "ProofResult"]


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


class ProofResult(TypedDict):
    generators_completed: list[int]
    points: list[tuple[float, float]]
    elements: list[tuple[str, ...] | None]
    proven_unit_edges: Int64Table
    near_misses: Int64Table
    unrecognised: list[int]
    exact_unit_distances: int
    tolerance: float
    digits: int | None
    decimals: int | None


_INTEGER = re.compile(r"\s*[+-]?[0-9]{1,400}\s*")

# A coordinate is exact (a Radicals value) or a float still to be recognised.
_Coordinate = Radicals | float


def _coordinate(value: Any, where: str) -> _Coordinate:
    if isinstance(value, bool):
        raise TypeError(f"{where}: a coordinate must be a number or text, not bool")
    if isinstance(value, numbers.Rational):
        return Radicals.rational(Fraction(int(value.numerator), int(value.denominator)))
    if isinstance(value, numbers.Real):
        return float(value)
    if isinstance(value, str):
        # Integers as text are exact; other numbers as text are floats.
        if _INTEGER.fullmatch(value):
            return Radicals.rational(int(value))
        try:
            return float(value)
        except ValueError:
            pass
        try:
            exact = parse(value)
        except ExpressionError as error:
            raise ValueError(f"{where}: {error}") from None
        if not exact.is_real():
            raise ValueError(f"{where}: a coordinate must be real; write x + i*y as two "
                             f"coordinates")
        return exact
    raise TypeError(f"{where}: a coordinate must be a number or text, not "
                    f"{type(value).__name__}")


def _entries(points: Any,
             generators: list[int] | None) -> list[tuple[_Coordinate, _Coordinate] | Radicals]:
    """Each point as two coordinates, or as one exact element (a complex number
    given by its coefficients in the field's basis)."""
    if hasattr(points, "tolist") and not isinstance(points, memoryview):
        points = points.tolist()
    elif isinstance(points, memoryview):
        points = points.tolist()
    degree = 1 << len(generators) if generators is not None else None
    if isinstance(points, (str, bytes)) or not isinstance(points, Sequence):
        raise TypeError("points must be a sequence of points, a lattice result or an exact "
                        f"result, not {type(points).__name__}")
    entries: list[tuple[_Coordinate, _Coordinate] | Radicals] = []
    for k, point in enumerate(points):
        if isinstance(point, complex):
            entries.append((point.real, point.imag))
        elif isinstance(point, (str, bytes)) or not isinstance(point, Sequence):
            raise TypeError(f"points[{k}] must be a pair (x, y), a complex number or the "
                            f"coefficients of an element")
        elif len(point) == 2:
            entries.append((_coordinate(point[0], f"points[{k}][0]"),
                            _coordinate(point[1], f"points[{k}][1]")))
        elif generators is not None and len(point) == degree:
            if any(isinstance(c, bool) for c in point):
                raise TypeError(f"points[{k}]: a coefficient must be a rational, not bool")
            try:
                entries.append(Radicals.from_coefficients([Fraction(c) for c in point],
                                                          generators))
            except (TypeError, ValueError, ZeroDivisionError) as error:
                raise ValueError(f"points[{k}]: {error}") from None
        else:
            wanted = f" or {degree} coefficients" if degree is not None else ""
            raise ValueError(f"points[{k}] has {len(point)} entries; expected 2{wanted}")
    return entries


def _completed(field: Sequence[SupportsIndex]) -> list[int]:
    if isinstance(field, (str, bytes)) or not isinstance(field, Sequence):
        raise TypeError("field must be a list of generators, such as [3, 11]")
    generators = []
    for g in field:
        if isinstance(g, bool) or not isinstance(g, (int, SupportsIndex)):
            raise TypeError("field must be a list of integer generators")
        generators.append(int(g))
    return generators if -1 in generators else generators + [-1]


def _generators_for(values: Sequence[Radicals]) -> list[int]:
    """Square-free generators whose field holds every root in ``values``: a
    basis over GF(2) of their prime exponent vectors, the smallest radicands
    first, then -1."""
    chosen: list[tuple[int, int]] = []  # (pivot-reduced vector, radicand)
    primes: dict[int, int] = {}
    for d in sorted({abs(d) for value in values for d in value.terms if abs(d) > 1}):
        vector = 0
        factor, rest = 2, d
        while factor * factor <= rest:
            if rest % factor == 0:
                vector |= 1 << primes.setdefault(factor, len(primes))
                rest //= factor
            factor += 1
        if rest > 1:
            vector |= 1 << primes.setdefault(rest, len(primes))
        for pivot, _ in chosen:
            vector = min(vector, vector ^ pivot)
        if vector:
            chosen.append((vector, d))
    return [d for _, d in chosen] + [-1]


def _text(coefficients: Sequence[Fraction]) -> tuple[str, ...]:
    return tuple(str(c) for c in coefficients)


def _lattice_values(result: Mapping[str, Any]) -> list[Radicals]:
    """The exact points of a lattice result: the coordinates in the family's
    basis, over the square root of the norm."""
    family = result["family"]
    if family not in documents.LATTICE_FIELDS:
        raise ValueError(f"unknown lattice family {family!r}")
    ring, basis = documents.LATTICE_FIELDS[family]
    units = [Radicals.from_coefficients(row, ring) for row in basis]
    norm = int(result["m"] if "m" in result else result["norm"])
    scale = Radicals.sqrt(Radicals.rational(Fraction(1, norm)))
    rows = result["coordinates"]
    rows = rows.tolist() if hasattr(rows, "tolist") else rows
    values = []
    for row in rows:
        value = Radicals()
        for c, unit in zip(row, units):
            value = value + Radicals.rational(int(c)) * unit
        values.append(value * scale)
    return values


def prove(points: Any, field: Sequence[SupportsIndex] | None = None,
          tolerance: float = 1e-4, digits: int | None = None,
          decimals: int | None = None) -> ProofResult:
    """The exact unit distances of any point set.

    ``points`` is one of:

    - a sequence of points, each a pair (x, y) of coordinates or a complex
      number. A coordinate is exact (an int, a ``fractions.Fraction``, or
      text such as ``"(5 + sqrt(33))/12"``; see ``vantor_tools.expressions``)
      or a float (also as text such as ``"0.5"``, or a numpy array of
      floats);
    - with ``field`` given, a point may also be the coefficients of its
      element x + i y in the field's basis (as the exports write them);
    - a lattice result (its integer coordinates are exact) or an exact result
      of ``certify`` or ``prove``.

    ``field`` lists the generators of the multiquadratic field, as the
    construction takes them (square-free integers; -1 is added); None takes
    the smallest field that holds the exact coordinates given. Each float
    point is recognised as a field element of small height that lies within
    its precision, decided exactly: computed floats by default, or floats
    rounded to ``digits`` significant digits or ``decimals`` decimal places
    (see ``vantor_tools._native.recognise_points``). A point no element
    explains clearly is listed in "unrecognised", never guessed.

    Returns a dict: "generators_completed"; "points" (the floats, the exact
    points' values rounded); "elements" (per point a tuple of rational texts
    in the field's basis, or None); "proven_unit_edges" and "near_misses"
    ((E, 2) tables, sorted): the pairs within ``tolerance`` of distance 1
    whose elements are both known, split by d * conj(d) = 1 exactly;
    "unrecognised"; "exact_unit_distances"; "tolerance"; "digits";
    "decimals".
    """
    if isinstance(tolerance, bool) or not isinstance(tolerance, (int, float)) \
            or not 0 < tolerance < 1:
        raise ValueError("tolerance must be a number in (0, 1)")
    generators = _completed(field) if field is not None else None
    known: list[Radicals | None]
    floats: list[tuple[float, float]]
    if isinstance(points, Mapping):
        if "elements" in points and "generators_completed" in points:
            given = [int(g) for g in points["generators_completed"]]
            if generators is not None and generators != given:
                raise ValueError(f"the result's field {given} is not the field {generators}")
            generators = given
            known = [None if e is None else Radicals.from_coefficients(e, given)
                     for e in points["elements"]]
            floats = [(float(x), float(y)) for x, y in points["points"]]
        elif "family" in points and "coordinates" in points:
            known = list(_lattice_values(points))
            floats = [(float(x), float(y)) for x, y in points["points"]]
        else:
            raise TypeError("a dict of points must be a lattice result or an exact result")
        if len(known) != len(floats):
            raise ValueError(f"{len(known)} elements for {len(floats)} points")
    else:
        known, floats = [], []
        for entry in _entries(points, generators):
            if isinstance(entry, Radicals):
                known.append(entry)
                real = Radicals({d: c for d, c in entry.terms.items() if d > 0})
                imaginary = Radicals({-d: c for d, c in entry.terms.items() if d < 0})
                floats.append((float(real), float(imaginary)))
            elif isinstance(entry[0], Radicals) and isinstance(entry[1], Radicals):
                known.append(entry[0] + entry[1] * Radicals({-1: Fraction(1)}))
                floats.append((float(entry[0]), float(entry[1])))
            else:
                known.append(None)
                floats.append((float(entry[0]), float(entry[1])))
    bad = next((k for k, point in enumerate(floats) if not all(map(math.isfinite, point))), None)
    if bad is not None:
        raise ValueError(f"points[{bad}]: {floats[bad]} is not a pair of finite numbers")
    if generators is None:
        generators = _generators_for([value for value in known if value is not None])
    elements: list[tuple[str, ...] | None] = []
    try:
        for value in known:
            elements.append(None if value is None else _text(value.coefficients(generators)))
    except ExpressionError as error:
        raise ValueError(str(error)) from None
    missing = [k for k, e in enumerate(elements) if e is None]
    if missing:
        found = recognise_points(generators, [floats[k] for k in missing], digits, decimals)
        for k, element in zip(missing, found):
            elements[k] = element
    proven, near = prove_pairs(generators, elements, floats, float(tolerance))
    return {
        "generators_completed": generators,
        "points": floats,
        "elements": elements,
        "proven_unit_edges": proven,
        "near_misses": near,
        "unrecognised": [k for k, e in enumerate(elements) if e is None],
        "exact_unit_distances": len(proven),
        "tolerance": float(tolerance),
        "digits": digits,
        "decimals": decimals,
    }


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
    # One coordinate per element of the family's coordinate basis; the
    # kernel names a family it does not know.
    field = documents.LATTICE_FIELDS.get(family) if isinstance(family, str) else None
    columns = len(field[1]) if field is not None else 2
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


def _check_unit_lattice(document: Mapping[str, Any]) -> Literal[True]:
    """An export of a unit lattice set: the stated basis must be the reduced
    basis of the lattice rebuilt from the field and its generating units, or
    those units themselves; then the set is checked as
    ``vantor_tools.lattice.verify`` checks it."""
    rebuilt = lattice.UnitLattice(document["generators_completed"], document["generating_units"])
    reduced = [list(element) for element in rebuilt.basis] == document["basis"]
    if not reduced and [list(unit) for unit in rebuilt.generating_units] != document["basis"]:
        raise ValueError("basis: neither the reduced basis of the lattice the generating units "
                         "span nor those units")
    return lattice.verify({
        "family": "unit",
        "generators": list(rebuilt.generators),
        "generating_units": document["generating_units"],
        "reduced": reduced,
        "coordinates": document["coordinates"],
        "points": document["points"],
        "edges": document["edges"],
        "unit_distances": document["unit_distances"],
    })


def _rows_of(table: Any) -> list[list[int]]:
    return [list(row) for row in (table.tolist() if hasattr(table, "tolist") else table)]


def _check_proof(document: Mapping[str, Any]) -> Literal[True]:
    generators = list(document["generators_completed"])
    points = [tuple(point) for point in document["points"]]
    elements = document["elements"]
    if len(elements) != len(points):
        raise ValueError(f"elements: {len(elements)} for {len(points)} points")
    missing = [k for k, element in enumerate(elements) if element is None]
    if list(document["unrecognised"]) != missing:
        raise ValueError("unrecognised: not the points whose element is null")
    first = elements_match(generators, elements, points, document["digits"],
                           document["decimals"])
    if first >= 0:
        raise ValueError(f"elements[{first}]: does not lie within the precision of its point")
    proven, near = prove_pairs(generators, elements, points, document["tolerance"])
    if _rows_of(document["proven_unit_edges"]) != _rows_of(proven):
        raise ValueError("proven_unit_edges: not the pairs within the tolerance that are "
                         "exactly one unit apart")
    if _rows_of(document["near_misses"]) != _rows_of(near):
        raise ValueError("near_misses: not the pairs within the tolerance that are not "
                         "exactly one unit apart")
    if document["exact_unit_distances"] != len(proven):
        raise ValueError(f"exact_unit_distances: {document['exact_unit_distances']} stated, "
                         f"{len(proven)} proven")
    return True


def check(document: Mapping[str, Any],
          limits: documents.Limits | None = None) -> Literal[True]:
    """Re-checks a result or an export exactly; True, or ValueError naming the first fault.

    An export (a document with "format") is first read by
    ``vantor_tools.documents.validate``: outside the format or its
    ``limits`` it raises ``documents.DocumentError`` (a ValueError) before
    any arithmetic, and its plain claims (the digest of the points, the
    call, a lattice export's field, basis and norm) are checked there.

    A proof (from ``prove``): every element within the precision of its
    point, the unrecognised points exactly those without an element, the
    two lists exactly the pairs within the tolerance whose elements are
    known, split by the exact verdict, and the count right.

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
    if "unrecognised" in document:
        return _check_proof(document)
    if "elements" in document:
        points = document["points"]
        if isinstance(points, list) and points and isinstance(points[0], list):
            document = {**document, "points": [tuple(point) for point in points]}
        result: Literal[True] = check_multiquadratic(document)
        return result
    if document.get("kind") == "unit_lattice":
        return _check_unit_lattice(document)
    if document.get("family") == "unit":
        return lattice.verify(document)
    if "family" in document:
        return _check_lattice(document)
    raise ValueError("not a vantor result: expected 'unrecognised' (proof), 'elements' "
                     "(multiquadratic) or 'family' (lattice)")
