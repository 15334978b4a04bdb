from collections.abc import Buffer, Callable, Mapping, Sequence
from typing import Any, Literal, SupportsFloat, SupportsIndex, TypeAlias

from vantor_tools.exact import ExactResult
from vantor_tools.tables import Int64Table

__all__ = [
    "unit_edges",
    "certify_exact",
    "check_multiquadratic",
    "graph6",
    "canonical_graph6",
    "recognise_points",
    "prove_pairs",
    "elements_match",
]

_Real: TypeAlias = SupportsFloat | SupportsIndex

def unit_edges(
    points: Sequence[tuple[_Real, _Real]] | Buffer,
    tolerance: _Real = 1e-5,
) -> Int64Table: ...
def certify_exact(
    generators: Sequence[SupportsIndex],
    split_prime: SupportsIndex,
    k: SupportsIndex,
    n_target: SupportsIndex,
    progress: bool | Callable[[int, int], object] | None = None,
) -> ExactResult: ...
def check_multiquadratic(document: Mapping[str, Any]) -> Literal[True]: ...
def graph6(n: SupportsIndex, edges: Buffer) -> str: ...
def canonical_graph6(n: SupportsIndex, edges: Buffer) -> str: ...
def recognise_points(
    generators_completed: Sequence[SupportsIndex],
    points: Sequence[tuple[_Real, _Real]] | Buffer,
    digits: SupportsIndex | None = None,
    decimals: SupportsIndex | None = None,
) -> list[tuple[str, ...] | None]: ...
def prove_pairs(
    generators_completed: Sequence[SupportsIndex],
    elements: Sequence[Sequence[str] | None],
    points: Sequence[tuple[_Real, _Real]] | Buffer,
    tolerance: _Real,
) -> tuple[Int64Table, Int64Table]: ...
def elements_match(
    generators_completed: Sequence[SupportsIndex],
    elements: Sequence[Sequence[str] | None],
    points: Sequence[tuple[_Real, _Real]] | Buffer,
    digits: SupportsIndex | None,
    decimals: SupportsIndex | None,
) -> int: ...
