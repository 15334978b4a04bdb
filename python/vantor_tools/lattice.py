"""Scaled lattice patches with many unit distances, checked exactly.

Points of the square lattice or of the Eisenstein integers whose differences
of norm m become unit distances once scaled by 1/sqrt(m). The functions are
kernels of ``vantor_tools._lattice``; ``vantor_lattice`` exports the same
objects.

``UnitLattice`` is a lattice spanned by unit vectors of any multiquadratic
field with i: its reduced basis, every unit vector (complete by an exact
enumeration), its symmetries; ``patch`` builds dense sets of it and
``verify`` re-checks them exactly.
"""

from __future__ import annotations

import math
import operator
from collections.abc import Mapping, Sequence
from fractions import Fraction
from typing import Any, Literal, NamedTuple, SupportsIndex, TypedDict

from vantor_tools._lattice import (
    eisenstein_lattice,
    moser_unit_lattice,
    square_lattice,
    unit_lattice,
    unit_lattice_patch,
    unit_lattice_set,
    unit_lattice_verify,
)
from vantor_tools._lattice import verify as _verify_family
from vantor_tools.expressions import parse
from vantor_tools.tables import Int64Table

__all__ = ["square_lattice", "eisenstein_lattice", "verify", "LatticeResult",
           "UnitLattice", "Symmetry", "patch", "UnitLatticeResult", "moser_lattice",
           "square_unit_lattice", "eisenstein_unit_lattice"]


class LatticeResult(TypedDict):
    """A lattice point set as the package returns it (see records.best)."""

    family: Literal["square", "eisenstein", "moser"]
    shape: Literal["disk", "square", "diamond", "hexagon", "turned_hexagon", "atlas",
                   "search", "grown", "union", "catalogue"]
    m: int
    points: list[tuple[float, float]]
    coordinates: Int64Table
    edges: Int64Table
    unit_distances: int
    verified: bool


class UnitLatticeResult(TypedDict):
    """A set of a unit lattice: the lattice named by its field's generators
    and its generating units, the points' coordinates in the lattice's basis
    (its reduced basis, or the generating units themselves when 'reduced'
    is False), the plane points and every unit pair."""

    family: Literal["unit"]
    generators: list[int]
    generating_units: list[tuple[str, ...]]
    reduced: bool
    points: list[tuple[float, float]]
    coordinates: Int64Table
    edges: Int64Table
    unit_distances: int
    verified: bool


class Symmetry(NamedTuple):
    """z -> factor * z, or factor * conj(z) for a reflection; it sends unit
    k of ``UnitLattice.units`` to unit ``permutation[k]``."""

    reflection: bool
    factor: tuple[str, ...]
    permutation: tuple[int, ...]


def _coefficient_text(value: object, where: str) -> str:
    if isinstance(value, str):
        return value
    if isinstance(value, int) and not isinstance(value, bool):
        return str(value)
    if isinstance(value, Fraction):
        return f"{value.numerator}/{value.denominator}" if value.denominator != 1 \
            else str(value.numerator)
    raise TypeError(f"{where}: expected str, int or Fraction, not {type(value).__name__}")


class UnitLattice:
    """The integer span of elements of modulus 1 of a multiquadratic field.

    ``generators`` are the field's square-free generators as the
    multiquadratic functions take them (-1, whose root is i, is appended
    when absent). Each unit is a sequence of one coefficient (str ``'n/d'``,
    int or Fraction) per basis element: element m is the product of the
    roots of the generators whose bits are set in m. A unit may also be
    text such as ``'(5 + sqrt(-11))/6'`` or ``'1/2 + sqrt(3)*i/2'``, read by
    ``vantor_tools.expressions.parse`` (``sqrt(n)`` is ``i*sqrt(|n|)`` for
    n < 0). Raises ValueError when an element does not have modulus
    exactly 1 or a root does not lie in the field.

    With ``reduce=False`` the units, which must then be linearly
    independent, are the basis as given, in their order, so coordinates
    keep the meaning the caller gave them (``moser_lattice()`` is built so).

    Attributes: ``generators`` (completed), ``generating_units``, ``rank``,
    ``denominator`` (common to every element), ``basis`` (LLL-reduced, or
    the units as given),
    ``units`` (every element of modulus 1 in the lattice, exact, complete),
    ``unit_coordinates`` (their coordinates in ``basis``), ``symmetries``
    (the rotations and reflections fixing 0 that permute the units).
    """

    __slots__ = ("_kernel", "generators", "generating_units", "reduced", "rank", "denominator",
                 "basis", "units", "unit_coordinates", "symmetries")

    def __init__(self, generators: Sequence[SupportsIndex],
                 units: Sequence[str | Sequence[str | int | Fraction]], *,
                 reduce: bool = True) -> None:
        completed = [int(g) for g in generators]
        completed += [] if -1 in completed else [-1]
        units = [parse(unit).coefficients(completed) if isinstance(unit, str) else unit
                 for unit in units]
        texts = [tuple(_coefficient_text(value, f"units[{k}][{m}]")
                       for m, value in enumerate(unit))
                 for k, unit in enumerate(units)]
        kernel, description = unit_lattice(list(generators), texts, reduce)
        self._adopt(kernel, description, reduce)

    def _adopt(self, kernel: object, description: dict[str, Any], reduced: bool) -> None:
        self._kernel: object = kernel
        self.reduced: bool = reduced
        self.generators: tuple[int, ...] = tuple(description["generators"])
        self.generating_units: tuple[tuple[str, ...], ...] = tuple(
            description["generating_units"])
        self.rank: int = description["rank"]
        self.denominator: int = description["denominator"]
        self.basis: tuple[tuple[str, ...], ...] = tuple(description["basis"])
        self.units: tuple[tuple[str, ...], ...] = tuple(description["units"])
        self.unit_coordinates: Int64Table = description["unit_coordinates"]
        self.symmetries: tuple[Symmetry, ...] = tuple(
            Symmetry(*entry) for entry in description["symmetries"])

    def __repr__(self) -> str:
        return (f"UnitLattice(generators={list(self.generators)}, rank={self.rank}, "
                f"units={len(self.units)}, symmetries={len(self.symmetries)})")

    def point_set(self, coordinates: Any) -> UnitLatticeResult:
        """The set of the given distinct points ((n, rank) int64 table or
        list of rows), its unit pairs found and checked exactly."""
        if isinstance(coordinates, list):
            coordinates = _table(coordinates, self.rank)
        built = unit_lattice_set(self._kernel, coordinates)
        return UnitLatticeResult(
            family="unit", generators=list(self.generators),
            generating_units=list(self.generating_units), reduced=self.reduced,
            points=built["points"],
            coordinates=built["coordinates"], edges=built["edges"],
            unit_distances=built["unit_distances"], verified=built["verified"])


_moser: list[UnitLattice] = []


def moser_lattice() -> UnitLattice:
    """The Moser lattice as a UnitLattice with the basis 1, w1, w3, w1*w3,
    w1 = (1 + sqrt(-3))/2, w3 = (5 + sqrt(-11))/6, so that its coordinates
    are the (a, b, c, d) of the Moser sets (18 unit vectors)."""
    if not _moser:
        moser = UnitLattice.__new__(UnitLattice)
        moser._adopt(*moser_unit_lattice(), reduced=False)
        _moser.append(moser)
    return _moser[0]


def _root_parts(m: int) -> tuple[int, int]:
    """(s, k) with m = s^2 k and k square-free."""
    s, k = 1, m
    for p in range(2, math.isqrt(m) + 1):
        while k % (p * p) == 0:
            k //= p * p
            s *= p
    return s, k


def square_unit_lattice(m: SupportsIndex) -> UnitLattice:
    """The square lattice's vectors a + b i of norm a^2 + b^2 = m, scaled by
    1/sqrt(m), as a UnitLattice: the unit vectors of the square lattice sets
    of norm m. Raises ValueError when m is no such norm."""
    m = operator.index(m)
    s, k = _root_parts(m)
    bound = math.isqrt(m)
    units = [f"({a}*sqrt({k}) + {b}*i*sqrt({k}))/{s * k}"
             for a in range(-bound, bound + 1) for b in range(-bound, bound + 1)
             if a * a + b * b == m]
    if not units:
        raise ValueError(f"m = {m} is not a norm of the square lattice")
    return UnitLattice([k] if k > 1 else [], units)


def eisenstein_unit_lattice(m: SupportsIndex) -> UnitLattice:
    """The Eisenstein vectors a + b w (w = (1 + sqrt(-3))/2) of norm
    a^2 + a b + b^2 = m, scaled by 1/sqrt(m), as a UnitLattice. Raises
    ValueError when m is no such norm."""
    m = operator.index(m)
    s, k = _root_parts(m)
    bound = 2 * math.isqrt(m) + 1
    units = [f"({2 * a + b}*sqrt({k}) + {b}*sqrt(-3)*sqrt({k}))/{2 * s * k}"
             for a in range(-bound, bound + 1) for b in range(-bound, bound + 1)
             if a * a + a * b + b * b == m]
    if not units:
        raise ValueError(f"m = {m} is not a norm of the Eisenstein lattice")
    return UnitLattice(sorted({3, k} - {1}), units)


def _table(rows: list[Any], columns: int) -> memoryview:
    import array
    flat = array.array("q")
    for index, row in enumerate(rows):
        if len(row) != columns:
            raise TypeError(f"coordinates[{index}] must be a row of {columns} integers")
        flat.extend(row)
    return memoryview(flat).cast("B").cast("q", (len(rows), columns))


def patch(n: SupportsIndex, lattice: UnitLattice) -> UnitLatticeResult:
    """n points of ``lattice`` with many unit distances, checked exactly.

    The best of the densest first growth from 0 (each step the point with
    the most unit neighbours in the set) and the balls of least trace form
    (the points small under every embedding of the field) of n, 5n/4 and 2n
    points, peeled back to n by removing least connected points.
    """
    return lattice.point_set(unit_lattice_patch(lattice._kernel, n))


def verify(result: Mapping[str, object]) -> Literal[True]:
    """Re-check a result dictionary exactly; return True or raise ValueError.

    A set of a unit lattice (``"family": "unit"``): the lattice is rebuilt
    from its generators and generating units (with its complete list of
    unit vectors; with the generating units as its basis when ``"reduced"``
    is False), every point must be the plane point of its coordinates
    bit for bit, the points distinct, every edge (i, j) with i < j < n in
    sorted order joining points at distance exactly 1 (exact norm test),
    no unit pair missing, and ``unit_distances`` the number of edges. Any
    other result is checked by the kernel ``vantor_tools._lattice.verify``
    (square, Eisenstein and Moser lattice sets).
    """
    if isinstance(result, Mapping) and result.get("family") == "unit":
        data: Mapping[str, Any] = result
        reduced = data.get("reduced", True)
        if not isinstance(reduced, bool):
            raise TypeError(f"reduced: expected bool, not {type(reduced).__name__}")
        lattice = UnitLattice(data["generators"], data["generating_units"], reduce=reduced)
        coordinates: Any = data["coordinates"]
        if isinstance(coordinates, list):
            coordinates = _table(coordinates, lattice.rank)
        edges: Any = data["edges"]
        if isinstance(edges, list):
            edges = _table(edges, 2)
        points: Any = data["points"]
        if isinstance(points, list):
            points = [tuple(point) for point in points]
        checked: Literal[True] = unit_lattice_verify(lattice._kernel, coordinates, points, edges)
        if data.get("unit_distances") != len(edges):
            raise ValueError(f"unit_distances: {data.get('unit_distances')} stated, "
                             f"{len(edges)} edges")
        return checked
    verified: Literal[True] = _verify_family(result)
    return verified
