"""Tools around vantor: the densest known sets, exact data and proofs, edges,
exports and a command line.

The package is organised by concept:

* ``vantor_tools.lattice``: scaled square and Eisenstein lattice patches and
  their exact check (the ``vantor_lattice`` module, which stays importable);
* ``vantor_tools.records``: sets with the most unit distances known (best(n)
  from the stored records table, the catalogue of every non-isomorphic
  densest set found, the Moser lattice atlas and its beam search);
* ``vantor_tools.graph``: edges of any point set and the export format;
* ``vantor_tools.exact``: the multiquadratic construction with the exact
  field element of every point, an exact verdict on every unit pair, and the
  re-check of an exported result.

``vantor-cli`` (or ``python -m vantor_tools``) is the command line.
"""

from vantor_tools import exact, graph, lattice, records
from vantor_tools._native import unit_edges
from vantor_tools.graph import version as _version

__version__: str = _version()

__all__ = ["unit_edges", "lattice", "records", "graph", "exact", "__version__"]
