"""Python bindings for the vantor library"""

from collections.abc import Buffer, Sequence
from typing import (
    Final,
    Literal,
    SupportsFloat,
    SupportsIndex,
    TypeAlias,
    TypedDict,
    type_check_only,
)

__all__: Final = [
    "generate_square_grid",
    "generate_triangular_grid",
    "generate_moser_spindle",
    "generate_multiquadratic",
    "generate_multiquadratic_certified",
    "count_unit_distances",
]

# A coordinate is converted as float() converts it: floats, ints and any
# object with __float__ or __index__.
_Real: TypeAlias = SupportsFloat | SupportsIndex

_Point: TypeAlias = tuple[float, float]
# An edge (i, j) between the points at indices i < j.
_Edge: TypeAlias = tuple[int, int]

# A name for type checkers only, the module has no such attribute: import it
# under `if typing.TYPE_CHECKING:` to annotate a certified result.
@type_check_only
class CertifiedResult(TypedDict):
    """The dictionary of a certified and verified point set, keys in this order."""

    points: list[_Point]
    # Pairs whose exact elements differ by a norm-one translation.
    certified_edges: list[_Edge]
    # Every pair at distance 1 within 1e-4, found numerically.
    audit_edges: list[_Edge]
    verified: Literal[True]
    point_count: int
    certified_edge_count: int
    audit_edge_count: int
    construction: Literal["multiquadratic-section2"]

def generate_square_grid(rows: SupportsIndex, cols: SupportsIndex) -> list[_Point]:
    """Generate a square grid of points of size `rows` x `cols`."""

def generate_triangular_grid(n_target: SupportsIndex) -> list[_Point]:
    """Generate a triangular grid of points of size `n_target`."""

def generate_moser_spindle() -> list[_Point]:
    """Generate the Moser spindle (7 points)."""

def generate_multiquadratic(
    generators: Sequence[SupportsIndex],
    split_prime: SupportsIndex,
    k: SupportsIndex,
    n_target: SupportsIndex,
) -> list[_Point]:
    """Generate a point set with the native finite multiquadratic prototype.

    Raises RuntimeError for an invalid request or a failed construction.
    """

def generate_multiquadratic_certified(
    generators: Sequence[SupportsIndex],
    split_prime: SupportsIndex,
    k: SupportsIndex,
    n_target: SupportsIndex,
) -> CertifiedResult:
    """Generate the native finite multiquadratic prototype with a machine-checkable certificate.

    Raises RuntimeError for an invalid request, a failed construction or a
    rejected certificate.
    """

def count_unit_distances(
    points: Sequence[tuple[_Real, _Real]] | Buffer,
    tolerance: _Real = 1e-5,
) -> int:
    """Helper to count the number of unit distances in a set of points.

    `points` is a sequence of (x, y) tuples, or an object with a buffer of
    shape (N, 2) of real numbers such as a numpy array or a memoryview.
    (bytes and bytearray are read as sequences of integers and fail.)
    """
