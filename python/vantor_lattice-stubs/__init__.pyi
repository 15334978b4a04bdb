"""Scaled lattice point sets with many unit distances, checked exactly."""

from collections.abc import Mapping
from typing import Literal, TypedDict, type_check_only

__all__ = ["square_lattice", "eisenstein_lattice", "best", "verify"]

@type_check_only
class LatticeResult(TypedDict):
    family: Literal["square", "eisenstein"]
    shape: Literal["disk", "square", "diamond", "hexagon", "turned_hexagon"]
    m: int
    points: list[tuple[float, float]]
    coordinates: memoryview
    edges: memoryview
    unit_distances: int
    verified: bool

def square_lattice(
    n: int,
    m: int | None = None,
    shape: Literal["disk", "square", "diamond"] | None = None,
) -> LatticeResult: ...
def eisenstein_lattice(
    n: int,
    m: int | None = None,
    shape: Literal["disk", "hexagon", "turned_hexagon"] | None = None,
) -> LatticeResult: ...
def best(n: int) -> LatticeResult: ...
def verify(result: Mapping[str, object]) -> Literal[True]: ...
