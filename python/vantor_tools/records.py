"""The point sets with the most unit distances known to vantor.

``best(n)`` takes the densest of the lattice patches and of the atlas of
Moser lattice sets (n <= 200), which the beam search reproduces
(``tools/build_atlas.py``). These are the functions of the
``vantor_lattice`` module, under the package's name.
"""

from vantor_lattice import beam_search, beam_search_task, best, moser_atlas

__all__ = ["best", "moser_atlas", "beam_search", "beam_search_task"]
