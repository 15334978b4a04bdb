"""Lattice point sets with many unit distances, checked exactly.

The functions of ``vantor_tools.lattice`` and ``vantor_tools.records`` under
the name this module first had; they are the same objects.
"""

from vantor_tools.lattice import eisenstein_lattice, square_lattice, verify
from vantor_tools.records import beam_search, beam_search_task, best, moser_atlas

__all__ = [
    "square_lattice",
    "eisenstein_lattice",
    "best",
    "verify",
    "moser_atlas",
    "beam_search",
    "beam_search_task",
]
