// The vantor extension module: its definition, its function table and its
// initialisation.

#include <Python.h>

#include "common/module_init.hpp"
#include "vantor/functions.hpp"

namespace vantor::python {

namespace {

// Each docstring starts with the text signature the interpreter turns into
// __text_signature__, so help() and inspect.signature() see the parameters.
constexpr char kSquareGridDoc[] =
    "generate_square_grid(rows, cols)\n"
    "--\n"
    "\n"
    "Generate a square grid of points of size `rows` x `cols`.\n"
    "\n"
    "Returns a list of coordinates (tuples of float).";

constexpr char kTriangularGridDoc[] =
    "generate_triangular_grid(n_target)\n"
    "--\n"
    "\n"
    "Generate a triangular grid of points of size `n_target`.\n"
    "\n"
    "Returns a list of coordinates (tuples of float).";

constexpr char kMoserSpindleDoc[] =
    "generate_moser_spindle()\n"
    "--\n"
    "\n"
    "Generate the Moser spindle (7 points).\n"
    "\n"
    "Returns a list of coordinates (tuples of float).";

constexpr char kMultiquadraticDoc[] =
    "generate_multiquadratic(generators, split_prime, k, n_target)\n"
    "--\n"
    "\n"
    "Generate a point set with the native finite multiquadratic prototype.\n"
    "\n"
    "* `generators`: List of positive squarefree integers generating the real subfield.\n"
    "* `split_prime`: A prime split completely in K.\n"
    "* `k`: Exponent/depth parameter.\n"
    "* `n_target`: Target number of points.\n"
    "\n"
    "Returns a list of coordinates (tuples of float).";

constexpr char kCertifiedDoc[] =
    "generate_multiquadratic_certified(generators, split_prime, k, n_target)\n"
    "--\n"
    "\n"
    "Generate the native finite multiquadratic prototype with a machine-checkable certificate.\n"
    "\n"
    "Returns a dictionary with named point, certificate edge, audit edge, and report fields.";

constexpr char kCountDoc[] =
    "count_unit_distances(points, tolerance=1e-5)\n"
    "--\n"
    "\n"
    "Helper to count the number of unit distances in a set of points.\n"
    "\n"
    "* `points`: A list of coordinates (tuples of float).\n"
    "* `tolerance`: The absolute tolerance (e.g. 1e-5).";

// In registration order; the entries must outlive the function objects, so
// they are static. There is no sentinel: the functions are added one by one.
PyMethodDef functions[] = {
    {"generate_square_grid", as_cfunction(generate_square_grid), kFastCall, kSquareGridDoc},
    {"generate_triangular_grid", as_cfunction(generate_triangular_grid), kFastCall,
     kTriangularGridDoc},
    {"generate_moser_spindle", as_cfunction(generate_moser_spindle), METH_NOARGS,
     kMoserSpindleDoc},
    {"generate_multiquadratic", as_cfunction(generate_multiquadratic), kFastCall,
     kMultiquadraticDoc},
    {"generate_multiquadratic_certified", as_cfunction(generate_multiquadratic_certified),
     kFastCall, kCertifiedDoc},
    {"count_unit_distances", as_cfunction(count_unit_distances), kFastCall, kCountDoc},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "vantor",                                 // m_name
    "Python bindings for the vantor library",  // m_doc
    0,                                        // m_size: no per-module state
    nullptr,                                  // m_methods: added one by one instead
    nullptr,                                  // m_slots
    nullptr,                                  // m_traverse
    nullptr,                                  // m_clear
    nullptr,                                  // m_free
};

ModuleState state;

}  // namespace

}  // namespace vantor::python

PyMODINIT_FUNC PyInit_vantor(void) {
    return vantor::python::init_extension_module(vantor::python::module_def,
                                                 vantor::python::functions,
                                                 vantor::python::state);
}
