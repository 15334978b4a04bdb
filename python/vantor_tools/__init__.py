"""Tools around vantor: the densest known sets, exact data and proofs, edges,
exports and a command line.

The package is organised by concept:

* ``vantor_tools.lattice``: scaled square and Eisenstein lattice patches and
  their exact check (the ``vantor_lattice`` module, which stays importable);
* ``vantor_tools.records``: sets with the most unit distances known (best(n)
  from the stored records table, the catalogue of every non-isomorphic
  densest set found, the Moser lattice atlas and its beam search);
* ``vantor_tools.graph``: edges of any point set, graphs (networkx, graph6,
  DIMACS) and the export format;
* ``vantor_tools.points``: point sets read from every usual form (lists,
  complex numbers, numpy arrays, CSV/TSV/text and JSON files, exports) and
  written as CSV, text or JSON;
* ``vantor_tools.tables``: the int64 tables (edges, coordinates) the
  compiled modules return;
* ``vantor_tools.exact``: the multiquadratic construction with the exact
  field element of every point, an exact verdict on every unit pair, and the
  re-check of an exported result.

``vantor-cli`` (or ``python -m vantor_tools``) is the command line.
"""

from vantor_tools import exact, graph, lattice, points, records, tables
from vantor_tools.graph import unit_edges
from vantor_tools.graph import version as _version

__version__: str = _version()

__all__ = ["unit_edges", "lattice", "records", "graph", "exact", "points", "tables",
           "__version__"]
