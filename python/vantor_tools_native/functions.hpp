#pragma once
// The functions of the vantor_tools._native extension module.

#include <Python.h>

namespace vantor::python {

extern const char kUnitEdgesDoc[];
extern const char kCertifyExactDoc[];
extern const char kCheckMultiquadraticDoc[];
extern const char kGraph6Doc[];
extern const char kCanonicalGraph6Doc[];

// unit_edges(points, tolerance=1e-5)
PyObject* unit_edges(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// certify_exact(generators, split_prime, k, n_target, progress=None)
PyObject* certify_exact(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
// check_multiquadratic(document)
PyObject* check_multiquadratic(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames);

// graph6(n, edges), canonical_graph6(n, edges)
PyObject* graph6(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* canonical_graph6(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace vantor::python
