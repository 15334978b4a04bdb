#pragma once
// The unit lattice kernels of vantor_tools._lattice: a lattice spanned by
// elements of modulus 1 built as a value (held by a capsule), its dense
// patches, and a set of its points built and checked exactly.

#include <Python.h>

namespace vantor::python {

extern const char kUnitLatticeDoc[];
extern const char kUnitLatticePatchDoc[];
extern const char kUnitLatticeSetDoc[];
extern const char kUnitLatticeVerifyDoc[];
extern const char kUnitLatticeSearchTablesDoc[];
extern const char kMoserUnitLatticeDoc[];

// unit_lattice(generators, units, reduce=True)
PyObject* unit_lattice(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// unit_lattice_patch(kernel, n)
PyObject* unit_lattice_patch(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames);
// unit_lattice_set(kernel, coordinates)
PyObject* unit_lattice_set(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// unit_lattice_verify(kernel, coordinates, points, edges)
PyObject* unit_lattice_verify(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames);

// moser_unit_lattice()
PyObject* moser_unit_lattice(PyObject*, PyObject*);
// unit_lattice_search_tables(kernel)
PyObject* unit_lattice_search_tables(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                     PyObject* kwnames);

}  // namespace vantor::python
