"""Scaled lattice patches with many unit distances, checked exactly.

Points of the square lattice or of the Eisenstein integers whose differences
of norm m become unit distances once scaled by 1/sqrt(m). These are the
functions of the ``vantor_lattice`` module, under the package's name.
"""

from vantor_lattice import eisenstein_lattice, square_lattice, verify

__all__ = ["square_lattice", "eisenstein_lattice", "verify"]
