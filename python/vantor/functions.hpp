#pragma once
// The module's six functions, as the interpreter calls them.

#include <Python.h>

namespace vantor::python {

PyObject* generate_square_grid(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);
PyObject* generate_triangular_grid(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames);
PyObject* generate_moser_spindle(PyObject* module, PyObject* unused);
PyObject* generate_multiquadratic(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames);
PyObject* generate_multiquadratic_certified(PyObject* module, PyObject* const* args,
                                            Py_ssize_t nargs, PyObject* kwnames);
PyObject* count_unit_distances(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

}  // namespace vantor::python
