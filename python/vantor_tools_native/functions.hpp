#pragma once
// The functions of the vantor_tools._native extension module.

#include <Python.h>

namespace vantor::python {

extern const char kUnitEdgesDoc[];
extern const char kCertifyExactDoc[];
extern const char kCheckMultiquadraticDoc[];
extern const char kGraph6Doc[];
extern const char kCanonicalGraph6Doc[];
extern const char kRecognisePointsDoc[];
extern const char kProvePairsDoc[];
extern const char kElementsMatchDoc[];

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

// recognise_points(generators_completed, points, digits=None),
// prove_pairs(generators_completed, elements, points, tolerance),
// elements_match(generators_completed, elements, points, digits)
PyObject* recognise_points(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* prove_pairs(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* elements_match(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace vantor::python
