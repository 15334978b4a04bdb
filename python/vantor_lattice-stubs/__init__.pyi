"""Lattice point sets with many unit distances, checked exactly."""

from collections.abc import Callable, Mapping
from concurrent.futures import Executor
from typing import Literal, SupportsIndex, TypedDict, type_check_only

__all__ = [
    "square_lattice",
    "eisenstein_lattice",
    "best",
    "verify",
    "moser_atlas",
    "beam_search",
    "beam_search_task",
]

@type_check_only
class LatticeResult(TypedDict):
    family: Literal["square", "eisenstein", "moser"]
    shape: Literal[
        "disk", "square", "diamond", "hexagon", "turned_hexagon", "atlas", "search"
    ]
    m: int
    points: list[tuple[float, float]]
    coordinates: memoryview
    edges: memoryview
    unit_distances: int
    verified: bool

def square_lattice(
    n: SupportsIndex,
    m: SupportsIndex | None = None,
    shape: Literal["disk", "square", "diamond"] | None = None,
) -> LatticeResult: ...
def eisenstein_lattice(
    n: SupportsIndex,
    m: SupportsIndex | None = None,
    shape: Literal["disk", "hexagon", "turned_hexagon"] | None = None,
) -> LatticeResult: ...
def best(n: SupportsIndex) -> LatticeResult: ...
def verify(result: Mapping[str, object]) -> Literal[True]: ...
def moser_atlas(n: SupportsIndex) -> LatticeResult: ...
def beam_search(
    n_max: SupportsIndex,
    width: SupportsIndex = 500,
    seed: SupportsIndex = 0,
    sweeps: SupportsIndex = 3,
    tasks: SupportsIndex = 1,
    executor: Executor | None = None,
    progress: bool | Callable[[int, int], object] | None = None,
) -> dict[int, LatticeResult]: ...
def beam_search_task(
    n_max: SupportsIndex,
    width: SupportsIndex,
    seed: SupportsIndex,
    sweeps: SupportsIndex,
    task: SupportsIndex,
) -> tuple[tuple[int, bytes], ...]: ...
