"""The reader of exported documents: every file vantor did not write comes in here.

An export may come from anyone, edited, truncated or hostile, so it is read,
bounded and validated here, once, before any arithmetic, and each fault is
one clear error:

* ``DocumentError`` (a ValueError): the document cannot be read or lies
  outside what the format allows (not JSON, too large, nested too deeply,
  a device or a pipe, a duplicate key, an unknown key or value, a value of
  the wrong type or out of range, numbers larger than a point's float can
  carry, a field larger than the construction makes, more exact work than
  the limits allow). ``vantor-cli check`` exits with status 2.
* ``ValueError``: a claim the document makes does not hold (the digest of
  the points, the norm of a Moser set, the call that made it).
  ``vantor-cli check`` exits with status 1, as for the exact claims that
  ``vantor_tools.exact.check`` tests after this reader.

The limits are ``Limits()``; a caller who trusts larger files passes its own.
"""

from __future__ import annotations

import array
import dataclasses
import hashlib
import itertools
import json
import math
import os
import re
import stat
import sys
from collections.abc import Mapping
from typing import Any

from vantor_tools import _lattice as _kernels
from vantor_tools.lattice import _root_parts, moser_lattice

__all__ = ["DocumentError", "Limits", "read_document", "read_bytes", "parse_document", "validate",
           "points_sha256", "FORMAT", "LATTICE_FIELDS"]

#: The value of the "format" key of every exported file.
FORMAT = "vantor exact result"

def _plane_field(trace: int, discriminant: int) -> tuple[list[int], list[list[str]]]:
    """Z[tau], tau = (trace + i sqrt(discriminant))/2, in the export's terms."""
    s, k = _root_parts(discriminant)
    half = [_half(trace), _half(s)]
    if k == 1:  # Q(i): basis 1, i
        return [-1], [["1", "0"], half]
    return [k, -1], [["1", "0", "0", "0"], [half[0], "0", "0", half[1]]]


def _half(value: int) -> str:
    return str(value // 2) if value % 2 == 0 else f"{value}/2"


# The number fields the lattice families live in, in the export's terms:
# the generators (with -1) and the coordinate basis as field elements, one
# rational per basis element (basis element m is the product of the square
# roots of the generators whose bits are set in m). The plane lattices and
# the Moser lattice are the kernels' own values.
_PLANE_LATTICES = _kernels.plane_lattices()
_MOSER = moser_lattice()
LATTICE_FIELDS: dict[str, tuple[list[int], list[list[str]]]] = {
    **{plane["name"]: _plane_field(plane["trace"], plane["discriminant"])
       for plane in _PLANE_LATTICES},
    "moser": (list(_MOSER.generators), [list(unit) for unit in _MOSER.generating_units]),
}

# The shapes each family's functions make: patch shapes, and the labels of
# the records' derived sets.
_SHAPES = {**{plane["name"]: {*plane["shapes"], "grown", "union"} for plane in _PLANE_LATTICES},
           "moser": {"search", "atlas", "grown", "union", "catalogue"}}

_KEYS = {
    "multiquadratic": {"format", "vantor_version", "call", "kind", "generators_completed",
                       "audit_tolerance", "points", "points_sha256", "elements", "translations",
                       "certified_edges", "proven_unit_edges", "near_misses",
                       "exact_unit_distances"},
    "lattice": {"format", "vantor_version", "call", "kind", "family", "shape", "norm",
                "generators_completed", "basis", "points", "points_sha256", "coordinates",
                "edges", "unit_distances"},
    "proof": {"format", "vantor_version", "call", "kind", "generators_completed", "points",
              "points_sha256", "elements", "proven_unit_edges", "near_misses", "unrecognised",
              "exact_unit_distances", "tolerance", "digits", "decimals"},
    # A set of a unit lattice: the field, the units that span the lattice,
    # the basis the coordinates refer to (the reduced one, or the units).
    "unit_lattice": {"format", "vantor_version", "call", "kind", "generators_completed",
                     "generating_units", "basis", "points", "points_sha256", "coordinates",
                     "edges", "unit_distances"},
}

_INT64 = 2**63
_LARGEST_NORM = 2**53
# An integer of more than 309 digits exceeds the largest double, so a point
# built from it would not be finite; the construction writes far fewer.
_RATIONAL = re.compile(r"(-?)([0-9]{1,309})(?:/([0-9]{1,309}))?")
_DIGEST = re.compile(r"[0-9a-f]{64}")
_VERSION = re.compile(r"[0-9A-Za-z.+_-]{1,64}")
_NAME = re.compile(r"[A-Za-z_][A-Za-z0-9_.]{0,127}")


class DocumentError(ValueError):
    """A document that cannot be read or lies outside the format or its limits."""


@dataclasses.dataclass(frozen=True)
class Limits:
    """What the reader accepts; every bound is checked before the work it bounds.

    ``max_bytes``: the file size. ``max_generators``: the generators of a
    multiquadratic field, -1 included (degree 2^max_generators); the
    construction reaches degree 16 in practice, and the kernel refuses
    fields beyond degree 256 whatever the limit. ``max_denominator_bits``:
    the common denominator of all elements, on which every exact verdict is
    integer arithmetic. ``max_work``: the exact work, counted as products of
    machine words (degree^2 coefficient products per modulus or pair
    verdict, 64 per coefficient read, each about words^2 for numbers of
    that many 64-bit words); the check does about 10^8 a second.
    """

    max_bytes: int = 128 * 2**20
    max_generators: int = 6
    max_denominator_bits: int = 1024
    max_work: int = 10**9


def points_sha256(points: Any) -> str:
    """SHA-256 of the coordinates as little-endian float64, x then y, point by point."""
    coordinates = array.array("d", itertools.chain.from_iterable(points))
    if sys.byteorder == "big":
        coordinates.byteswap()
    return hashlib.sha256(coordinates.tobytes()).hexdigest()


# ---- reading -----------------------------------------------------------------------


def _no_duplicates(pairs: list[tuple[str, Any]]) -> dict[str, Any]:
    document = dict(pairs)
    if len(document) != len(pairs):
        seen: set[str] = set()
        for key, _ in pairs:
            if key in seen:
                raise DocumentError(f"the key {ascii(key)} appears twice in one object")
            seen.add(key)
    return document


def _constant(text: str) -> Any:
    raise DocumentError(f"{text} is not a JSON number")


def parse_document(text: str | bytes) -> Any:
    """The JSON value of ``text``, refusing duplicate keys, NaN and Infinity,
    integers of more digits than int() reads, and nesting deeper than the
    interpreter's recursion limit. Raises DocumentError. (A number beyond
    the float range reads as an infinity; the validation refuses it.)"""
    if isinstance(text, bytes):
        try:
            text = text.decode("utf-8")
        except UnicodeDecodeError as error:
            raise DocumentError(f"not UTF-8 text (byte {error.start})") from None
    try:
        return json.loads(text, object_pairs_hook=_no_duplicates, parse_constant=_constant)
    except RecursionError:
        raise DocumentError("nested too deeply") from None
    except DocumentError:
        raise
    except ValueError as error:
        raise DocumentError(f"not JSON: {error}") from None


def read_document(path: str | os.PathLike[str], limits: Limits | None = None) -> Any:
    """Reads a JSON file: a regular file of at most ``limits.max_bytes``.

    Devices, pipes and directories are refused without a blocking read.
    Raises OSError when the file cannot be opened and DocumentError when it
    is not a readable document.
    """
    return parse_document(read_bytes(path, limits))


def read_bytes(path: str | os.PathLike[str], limits: Limits | None = None) -> bytes:
    """The bytes of a regular file of at most ``limits.max_bytes``, read as
    ``read_document`` reads them; OSError or DocumentError."""
    limits = limits or Limits()
    # O_NONBLOCK: opening a FIFO with no writer must not wait.
    descriptor = os.open(path, os.O_RDONLY | os.O_NONBLOCK | getattr(os, "O_NOCTTY", 0))
    try:
        status = os.fstat(descriptor)
        if not stat.S_ISREG(status.st_mode):
            raise DocumentError("not a regular file")
        if status.st_size > limits.max_bytes:
            raise DocumentError(f"{status.st_size} bytes, more than the limit of "
                          f"{limits.max_bytes}")
        with os.fdopen(descriptor, "rb", closefd=False) as source:
            data = source.read(limits.max_bytes + 1)
    finally:
        os.close(descriptor)
    if len(data) > limits.max_bytes:
        raise DocumentError(f"more than the limit of {limits.max_bytes} bytes")
    return data


# ---- validation --------------------------------------------------------------------


def _is_int(value: Any) -> bool:
    return type(value) is int


def _need(condition: bool, message: str) -> None:
    if not condition:
        raise DocumentError(message)


def _int(document: Mapping[str, Any], key: str, low: int, high: int) -> int:
    value = document[key]
    _need(_is_int(value) and low <= value <= high,
          f"{key} must be an integer in [{low}, {high}], not {ascii(value)[:40]}")
    return int(value)


def _list(value: Any, what: str) -> list[Any]:
    _need(isinstance(value, list), f"{what} must be a list")
    return value  # type: ignore[no-any-return]


# The checks below run over millions of rows: each is a C-level pass
# (set, map, min, max) rather than a Python loop per item.


def _points(value: Any) -> list[tuple[float, float]]:
    points = _list(value, "points")
    coordinates = list(itertools.chain.from_iterable(points)) if (
        set(map(type, points)) <= {list} and set(map(len, points)) <= {2}) else None
    # Floats only: an export writes every coordinate so that it reads back
    # bit for bit, and the digest is taken over those bits.
    if (coordinates is None or not set(map(type, coordinates)) <= {float}
            or not all(map(math.isfinite, coordinates))):
        k = next(k for k, p in enumerate(points)
                 if not (isinstance(p, list) and len(p) == 2
                         and all(type(c) is float and math.isfinite(c) for c in p)))
        raise DocumentError(f"points[{k}] must be a pair of finite floats [x, y]")
    return list(map(tuple, points))


def _rows(value: Any, what: str, width: int, low: int) -> list[list[int]]:
    rows = _list(value, what)
    entries = list(itertools.chain.from_iterable(rows)) if (
        set(map(type, rows)) <= {list} and set(map(len, rows)) <= {width}) else None
    if (entries is None or not set(map(type, entries)) <= {int}
            or entries and not (low <= min(entries) and max(entries) < _INT64)):
        k = next(k for k, row in enumerate(rows)
                 if not (isinstance(row, list) and len(row) == width
                         and all(_is_int(c) and low <= c < _INT64 for c in row)))
        raise DocumentError(f"{what}[{k}] must be a row of {width} integers in [{low}, 2^63)")
    return rows


def _elements(value: Any, what: str, degree: int, denominators: set[str]) -> int:
    """Checks a list of elements, adds their denominators (as text) to
    ``denominators`` and returns the length of the longest coefficient."""
    elements = _list(value, what)
    entries = list(itertools.chain.from_iterable(elements)) if (
        set(map(type, elements)) <= {list} and set(map(len, elements)) <= {degree}) else None
    texts = set(entries) if entries is not None and set(map(type, entries)) <= {str} else None
    if texts is None or not all(map(_RATIONAL.fullmatch, texts)):
        for k, element in enumerate(elements):
            _need(isinstance(element, list) and len(element) == degree,
                  f"{what}[{k}] must be a list of {degree} rationals")
            for m, text in enumerate(element):
                _need(isinstance(text, str) and _RATIONAL.fullmatch(text) is not None,
                      f"{what}[{k}][{m}] = {ascii(text)[:40]} is not a rational 'n' or 'n/d' "
                      "of at most 309 digits each")
    for text in texts or ():
        numerator, _, denominator = text.partition("/")
        if denominator:
            denominators.add(denominator)
    return max(map(len, texts or ()), default=1)


def _common_denominator_bits(denominators: set[str], limits: Limits) -> int:
    common = 1
    for text in denominators:
        value = int(text)
        _need(value != 0, "a coefficient has the denominator 0")
        common = math.lcm(common, value)
        _need(common.bit_length() <= limits.max_denominator_bits,
              "the common denominator of the elements and translations exceeds "
              f"2^{limits.max_denominator_bits}")
    return common.bit_length()


def _call(document: Mapping[str, Any]) -> tuple[str, dict[str, Any]]:
    call = document["call"]
    _need(isinstance(call, dict) and set(call) == {"function", "arguments"},
          "call must be an object with 'function' and 'arguments'")
    function, arguments = call["function"], call["arguments"]
    _need(isinstance(function, str) and _NAME.fullmatch(function) is not None,
          f"call.function: {ascii(function)[:60]} is not a function name")
    _need(isinstance(arguments, dict), "call.arguments must be an object")
    return function, arguments

# Keys an export may have: a catalogue entry states its canonical graph6.
_OPTIONAL_KEYS: dict[str, set[str]] = {"multiquadratic": set(), "lattice": {"canonical_graph6"},
                                       "proof": set(), "unit_lattice": set()}


def _check_call(function: str, arguments: dict[str, Any], document: Mapping[str, Any],
                points: int) -> None:
    """The call stated is one this reader knows, with its arguments, and the
    result is consistent with it (the call is not run again)."""
    def expect_arguments(integers: set[str], optional: frozenset[str] = frozenset()) -> None:
        _need(integers <= set(arguments) <= integers | optional,
              f"call.arguments of {function} must be {sorted(integers | optional)}")
        for name in integers | (optional & {"m"}):
            value: Any = arguments.get(name)
            _need(value is None and name in optional or _is_int(value) and 0 <= value < _INT64,
                  f"call.arguments.{name} must be an integer in [0, 2^63)")

    kind = document["kind"]
    module, _, name = function.rpartition(".")
    if kind == "unit_lattice":
        _unit_lattice_call(function, arguments, points)
        return
    if function == "vantor_tools.exact.prove" or kind == "proof":
        _need(kind == "proof" and function == "vantor_tools.exact.prove",
              "call: vantor_tools.exact.prove, and only it, makes proofs")
        _need(set(arguments) == {"field", "tolerance", "digits", "decimals"},
              f"call.arguments of {function} must be field, tolerance, digits, decimals")
        field: Any = arguments["field"]
        _need(field is None or isinstance(field, list) and len(field) <= 64
              and all(_is_int(g) for g in field),
              "call.arguments.field must be null or a list of integers")
        if field is not None and document["generators_completed"] != \
                field + ([] if -1 in field else [-1]):
            raise ValueError("generators_completed: not the field of the call")
        for key in ("tolerance", "digits", "decimals"):
            if json.dumps(arguments[key]) != json.dumps(document[key]):
                raise ValueError(f"{key}: {document[key]} stated, the call asked for "
                                 f"{arguments[key]}")
        return
    if function == "vantor_tools.exact.certify":
        _need(kind == "multiquadratic", f"call: {function} makes multiquadratic results")
        _need(set(arguments) == {"generators", "split_prime", "k", "n_target"},
              f"call.arguments of {function} must be generators, split_prime, k, n_target")
        generators: Any = arguments["generators"]
        _need(isinstance(generators, list) and all(_is_int(g) for g in generators)
              and len(generators) <= 64, "call.arguments.generators must be a list of integers")
        for key in ("split_prime", "k", "n_target"):
            value = arguments[key]
            _need(_is_int(value) and -_INT64 <= value < _INT64,
                  f"call.arguments.{key} must be an integer")
        completed = generators + ([] if -1 in generators else [-1])
        if document["generators_completed"] != completed:
            raise ValueError(f"generators_completed: not the generators of the call {completed}")
        if points > arguments["n_target"]:
            raise ValueError(f"points: {points} points, more than the call's n_target "
                             f"{arguments['n_target']}")
        return
    _need(kind == "lattice" and module in {"vantor_tools.records", "vantor_tools.lattice",
                                           "vantor_lattice"},
          f"call: unknown function {function!r}")
    family = document["family"]
    if name in {"best", "moser_atlas", "catalogue"}:
        expect_arguments({"n"})
        if name == "moser_atlas" and (family, document["shape"]) != ("moser", "atlas"):
            raise ValueError("family, shape: moser_atlas makes Moser sets of shape 'atlas'")
        if (name == "catalogue") != ("canonical_graph6" in document) or name == "catalogue" \
                and (family, document["shape"]) != ("moser", "catalogue"):
            raise ValueError("family, shape, canonical_graph6: catalogue entries, and only "
                             "they, are Moser sets of shape 'catalogue' with a canonical graph6")
    elif name in {"square_lattice", "eisenstein_lattice"}:
        expect_arguments({"n"}, frozenset({"m", "shape"}))
        shape = arguments.get("shape")
        _need(shape is None or isinstance(shape, str), "call.arguments.shape must be a name")
        if family != name.removesuffix("_lattice"):
            raise ValueError(f"family: {name} makes {name.removesuffix('_lattice')} patches")
        if arguments.get("m") is not None and arguments["m"] != document["norm"]:
            raise ValueError(f"norm: {document['norm']} stated, the call asked for "
                             f"{arguments['m']}")
        if shape is not None and shape != document["shape"]:
            raise ValueError(f"shape: {ascii(document['shape'])} stated, the call asked for "
                             f"{ascii(shape)}")
    else:
        raise DocumentError(f"call: unknown function {function!r}")
    if points != arguments["n"]:
        raise ValueError(f"points: {points} points, the call asked for {arguments['n']}")


def _unit_lattice_call(function: str, arguments: dict[str, Any], points: int) -> None:
    """A unit lattice set comes from patch(n, lattice) or UnitLattice.point_set."""
    if function == "vantor_tools.lattice.UnitLattice.point_set":
        _need(not arguments, f"call.arguments of {function} must be empty")
        return
    _need(function == "vantor_tools.lattice.patch",
          f"call: {function!r} makes no unit lattice sets")
    _need(set(arguments) == {"n"} and _is_int(arguments["n"]) and 0 <= arguments["n"] < _INT64,
          f"call.arguments of {function} must be ['n'], an integer in [0, 2^63)")
    if points != arguments["n"]:
        raise ValueError(f"points: {points} points, the call asked for {arguments['n']}")


def _check_digest(document: Mapping[str, Any], points: list[tuple[float, float]]) -> None:
    stated = document["points_sha256"]
    _need(isinstance(stated, str) and _DIGEST.fullmatch(stated) is not None,
          "points_sha256 must be 64 lowercase hexadecimal digits")
    if points_sha256(points) != stated:
        raise ValueError("points_sha256: not the SHA-256 of the points")


def _degree(document: Mapping[str, Any], limits: Limits) -> int:
    """The degree of the field of an exact export's generators, within the limits."""
    generators = _list(document["generators_completed"], "generators_completed")
    _need(1 <= len(generators) <= limits.max_generators
          and all(_is_int(g) and -_LARGEST_NORM <= g <= _LARGEST_NORM for g in generators),
          f"generators_completed must be 1 to {limits.max_generators} integers "
          "of magnitude at most 2^53")
    return int(2 ** len(generators))


def _multiquadratic(document: dict[str, Any], limits: Limits) -> dict[str, Any]:
    degree = _degree(document, limits)
    denominators: set[str] = set()
    longest = max(_elements(document["elements"], "elements", degree, denominators),
                  _elements(document["translations"], "translations", degree, denominators))
    elements, translations = document["elements"], document["translations"]
    points = _points(document["points"])
    certified = _rows(document["certified_edges"], "certified_edges", 4, -1)
    proven = _rows(document["proven_unit_edges"], "proven_unit_edges", 2, 0)
    near = _rows(document["near_misses"], "near_misses", 2, 0)
    _int(document, "exact_unit_distances", 0, _INT64 - 1)
    tolerance = document["audit_tolerance"]
    _need(type(tolerance) is float and math.isfinite(tolerance),
          "audit_tolerance must be a finite float")
    for k, row in enumerate(certified):
        _need(row[0] >= 0 and row[1] >= 0 and row[2] >= 0,
              f"certified_edges[{k}]: an index is negative")
    # A product of numbers of L machine words costs about L^2 word products;
    # the verdicts work on numerators over the common denominator.
    words = 1 + (longest * 10 // 3 + _common_denominator_bits(denominators, limits)) // 64
    verdicts = len(translations) + len(certified) + len(proven) + len(near)
    # Reading, storing and embedding one coefficient costs about as much as
    # 64 word products (measured: 30 million coefficients in about 25 s).
    coefficients = degree * (len(elements) + len(translations))
    work = (degree * degree * verdicts + 64 * coefficients) * words * words
    _need(work <= limits.max_work,
          f"the exact check needs about {work:.2g} word products (degree {degree}, "
          f"{verdicts} verdicts, numbers of {words} words), more than the limit of "
          f"{limits.max_work:.2g}")
    return {**document, "points": points, "audit_tolerance": float(tolerance)}


def _proof(document: dict[str, Any], limits: Limits) -> dict[str, Any]:
    degree = _degree(document, limits)
    points = _points(document["points"])
    elements = _list(document["elements"], "elements")
    _need(len(elements) == len(points), f"elements: {len(elements)} for {len(points)} points")
    missing = [k for k, element in enumerate(elements) if element is None]
    denominators: set[str] = set()
    longest = _elements([e for e in elements if e is not None], "elements", degree,
                        denominators)
    unrecognised = _list(document["unrecognised"], "unrecognised")
    if unrecognised != missing:
        raise ValueError("unrecognised: not the points whose element is null")
    proven = _rows(document["proven_unit_edges"], "proven_unit_edges", 2, 0)
    near = _rows(document["near_misses"], "near_misses", 2, 0)
    _int(document, "exact_unit_distances", 0, _INT64 - 1)
    tolerance = document["tolerance"]
    _need(type(tolerance) is float and 0 < tolerance < 1, "tolerance must be a float in (0, 1)")
    digits = document["digits"]
    _need(digits is None or _is_int(digits) and 1 <= digits <= 17,
          "digits must be null or an integer from 1 to 17")
    decimals = document["decimals"]
    _need(decimals is None or _is_int(decimals) and 0 <= decimals <= 30,
          "decimals must be null or an integer from 0 to 30")
    words = 1 + (longest * 10 // 3 + _common_denominator_bits(denominators, limits)) // 64
    work = (degree * degree * (len(proven) + len(near))
            + 64 * degree * len(elements)) * words * words
    _need(work <= limits.max_work,
          f"the exact check needs about {work:.2g} word products (degree {degree}, "
          f"numbers of {words} words), more than the limit of {limits.max_work:.2g}")
    return {**document, "points": points}


def _lattice(document: dict[str, Any], limits: Limits) -> dict[str, Any]:
    family = document["family"]
    _need(isinstance(family, str) and family in LATTICE_FIELDS,
          f"family: unknown family {ascii(family)[:40]}")
    shape = document["shape"]
    _need(isinstance(shape, str) and shape in _SHAPES[family],
          f"shape: {ascii(shape)[:40]} is not a shape of the {family} family")
    norm = _int(document, "norm", 1, _LARGEST_NORM)
    if family == "moser" and norm != 1:
        raise ValueError(f"norm: {norm} stated, the unit distances of a Moser set have norm 1")
    generators, basis = LATTICE_FIELDS[family]
    # Compared as JSON: -1.0 == -1 in Python, but it is not what the format says.
    if json.dumps(document["generators_completed"]) != json.dumps(generators):
        raise ValueError(f"generators_completed: the {family} field has generators {generators}")
    if json.dumps(document["basis"]) != json.dumps(basis):
        raise ValueError(f"basis: not the coordinate basis of the {family} lattice")
    points = _points(document["points"])
    _rows(document["coordinates"], "coordinates", len(basis), -_INT64)
    _counted_edges(document)
    return {**document, "points": points}


def _counted_edges(document: Mapping[str, Any]) -> None:
    """A lattice export's edges, as many as its unit_distances says."""
    edges = _rows(document["edges"], "edges", 2, 0)
    if _int(document, "unit_distances", 0, _INT64 - 1) != len(edges):
        raise ValueError(f"unit_distances: {document['unit_distances']} stated, "
                         f"{len(edges)} edges")


def _unit_lattice(document: dict[str, Any], limits: Limits) -> dict[str, Any]:
    degree = _degree(document, limits)
    denominators: set[str] = set()
    _elements(document["generating_units"], "generating_units", degree, denominators)
    _elements(document["basis"], "basis", degree, denominators)
    _common_denominator_bits(denominators, limits)
    rank = len(document["basis"])
    _need(1 <= rank <= degree, f"basis must hold 1 to {degree} elements")
    _need(len(document["generating_units"]) >= 1, "generating_units must not be empty")
    points = _points(document["points"])
    _rows(document["coordinates"], "coordinates", rank, -_INT64)
    _counted_edges(document)
    return {**document, "points": points}


def validate(document: Any, limits: Limits | None = None) -> dict[str, Any]:
    """Checks an export's structure, limits and plain claims, before any arithmetic.

    Returns the document with its points as (x, y) float tuples, ready for
    the exact check. Raises DocumentError for a document outside the format
    or its limits and ValueError for a claim that does not hold: the
    digest, the call's arguments, a lattice export's field, basis, norm or
    edge count.
    """
    limits = limits or Limits()
    _need(isinstance(document, dict), "not a vantor export: expected a JSON object")
    _need(document.get("format") == FORMAT,
          f"not a vantor export: expected \"format\": \"{FORMAT}\"")
    kind = document.get("kind")
    _need(isinstance(kind, str) and kind in _KEYS,
          f"kind: expected 'multiquadratic', 'lattice', 'proof' or 'unit_lattice', not {ascii(kind)[:40]}")
    missing = _KEYS[kind] - set(document)
    _need(not missing, f"missing key {ascii(min(missing, default=''))}")
    unknown = set(document) - _KEYS[kind] - _OPTIONAL_KEYS[kind]
    _need(not unknown, f"unknown key {ascii(min(unknown, default=''))}")
    form = document.get("canonical_graph6", "")
    _need(isinstance(form, str) and len(form) < 1 << 22 and all("?" <= c <= "~" for c in form),
          "canonical_graph6 must be graph6 text")
    version = document["vantor_version"]
    _need(isinstance(version, str) and _VERSION.fullmatch(version) is not None,
          "vantor_version must be a version name")
    function, arguments = _call(document)
    read = {"multiquadratic": _multiquadratic, "lattice": _lattice, "proof": _proof,
            "unit_lattice": _unit_lattice}[kind]
    checked = read(document, limits)
    _check_digest(document, checked["points"])
    _check_call(function, arguments, document, len(checked["points"]))
    return checked
