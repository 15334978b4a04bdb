from collections.abc import Buffer, Callable, Mapping, Sequence
from typing import Any, Literal, SupportsIndex

from vantor_tools.lattice import LatticeResult
from vantor_tools.tables import Int64Table

__all__ = [
    "square_lattice",
    "eisenstein_lattice",
    "best_lattice",
    "verify",
    "moser_atlas",
    "beam_search",
    "beam_search_task",
    "check_search_request",
    "merge_search_tasks",
    "beam_search_densest_task",
    "lattice_patch",
    "unit_steps",
    "plane_lattices",
    "peel_order",
    "grow",
    "lattice_set",
    "standard_position",
    "unit_lattice",
    "lattice_search_task",
    "unit_lattice_patch",
    "unit_lattice_set",
    "unit_lattice_verify",
    "unit_lattice_search_tables",
    "moser_unit_lattice",
]

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
def best_lattice(n: SupportsIndex) -> LatticeResult: ...
def verify(result: Mapping[str, object]) -> Literal[True]: ...
def moser_atlas(n: SupportsIndex) -> LatticeResult: ...
def beam_search(
    n_max: SupportsIndex,
    width: SupportsIndex = 500,
    seed: SupportsIndex = 0,
    sweeps: SupportsIndex = 3,
    tasks: SupportsIndex = 1,
    progress: bool | Callable[[int, int], object] | None = None,
) -> dict[int, LatticeResult]: ...
def beam_search_task(
    n_max: SupportsIndex,
    width: SupportsIndex,
    seed: SupportsIndex,
    sweeps: SupportsIndex,
    task: SupportsIndex,
) -> tuple[tuple[int, bytes], ...]: ...
def check_search_request(
    n_max: SupportsIndex,
    width: SupportsIndex,
    seed: SupportsIndex,
    sweeps: SupportsIndex,
    tasks: SupportsIndex,
) -> None: ...
def merge_search_tasks(n_max: SupportsIndex, results: Sequence[Any]) -> dict[int, LatticeResult]: ...
def beam_search_densest_task(
    n_max: SupportsIndex,
    width: SupportsIndex,
    seed: SupportsIndex,
    sweeps: SupportsIndex,
    task: SupportsIndex,
) -> tuple[tuple[int, tuple[bytes, ...]], ...]: ...
def lattice_patch(family: str, shape: str, size: SupportsIndex) -> Int64Table: ...
def unit_steps(family: str, m: SupportsIndex) -> Int64Table: ...
def plane_lattices() -> tuple[dict[str, Any], ...]: ...
def peel_order(
    family: str, m: SupportsIndex, coordinates: Buffer
) -> tuple[list[int], list[int]]: ...
def grow(
    family: str, m: SupportsIndex, coordinates: Buffer, count: SupportsIndex
) -> tuple[Int64Table, list[int]]: ...
def lattice_set(
    family: str, m: SupportsIndex, coordinates: Buffer, shape: str
) -> dict[str, Any]: ...
def standard_position(coordinates: Buffer) -> Int64Table: ...
def unit_lattice(
    generators: Sequence[SupportsIndex], units: Sequence[Sequence[str]], reduce: bool = True
) -> tuple[object, dict[str, Any]]: ...
def unit_lattice_search_tables(kernel: object) -> tuple[bytes, bytes]: ...
def moser_unit_lattice() -> tuple[object, dict[str, Any]]: ...
def unit_lattice_patch(kernel: object, n: SupportsIndex) -> Int64Table: ...
def unit_lattice_set(kernel: object, coordinates: Buffer) -> dict[str, Any]: ...
def unit_lattice_verify(
    kernel: object, coordinates: Buffer, points: Any, edges: Buffer
) -> Literal[True]: ...
def lattice_search_task(
    n_max: SupportsIndex,
    width: SupportsIndex,
    seed: SupportsIndex,
    sweeps: SupportsIndex,
    task: SupportsIndex,
    steps: Buffer,
    symmetries: Buffer,
    progress: bool | Callable[[int, int], object] | None = None,
) -> tuple[tuple[int, bytes], ...]: ...
