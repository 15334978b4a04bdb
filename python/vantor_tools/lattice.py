"""Scaled lattice patches with many unit distances, checked exactly.

Points of the square lattice or of the Eisenstein integers whose differences
of norm m become unit distances once scaled by 1/sqrt(m). The functions are
kernels of ``vantor_tools._lattice``; ``vantor_lattice`` exports the same
objects.
"""

from __future__ import annotations

from typing import Literal, TypedDict

from vantor_tools._lattice import eisenstein_lattice, square_lattice, verify
from vantor_tools.tables import Int64Table

__all__ = ["square_lattice", "eisenstein_lattice", "verify", "LatticeResult"]


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
