#pragma once
// The kernels of vantor_tools._lattice that vantor_tools.records composes:
// patches, unit steps, peeling and growing by those steps, the exact check
// of a set given by its coordinates, and the search keeping every densest
// set.

#include <Python.h>

namespace vantor::python {

extern const char kPlaneLatticesDoc[];
extern const char kLatticePatchDoc[];
extern const char kUnitStepsDoc[];
extern const char kPeelOrderDoc[];
extern const char kGrowDoc[];
extern const char kLatticeSetDoc[];
extern const char kBeamSearchDensestTaskDoc[];
extern const char kStandardPositionDoc[];

// plane_lattices()
PyObject* plane_lattices(PyObject*, PyObject*);
// lattice_patch(family, shape, size)
PyObject* lattice_patch(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// unit_steps(family, m)
PyObject* unit_steps(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// peel_order(family, m, coordinates)
PyObject* peel_order(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// grow(family, m, coordinates, count)
PyObject* grow(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// lattice_set(family, m, coordinates, shape)
PyObject* lattice_set(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// beam_search_densest_task(n_max, width, seed, sweeps, task)
PyObject* beam_search_densest_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames);

// standard_position(coordinates)
PyObject* standard_position(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames);

}  // namespace vantor::python
