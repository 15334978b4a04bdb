// The vantor extension module: its definition, its function table and its
// initialisation.

#include <Python.h>

#include <atomic>
#include <cstdint>

#include "functions.hpp"
#include "interpreter_guard.hpp"
#include "py_ref.hpp"

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

// The interpreter calls every entry through the generic PyCFunction type and
// picks the real signature from the flags.
template <class Function>
PyCFunction as_cfunction(Function* function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

constexpr int kFastCall = METH_FASTCALL | METH_KEYWORDS;

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

// The interpreter that first imported the module; -1 until then. The module
// keeps process-wide state (the cached module object), so it serves one
// interpreter only.
std::atomic<std::int64_t> owning_interpreter{-1};

// The module object, created once and returned again on every later import
// in the same interpreter. Only touched while holding the GIL.
PyObject* cached_module = nullptr;

// The module's __all__ list, created empty when the attribute is missing.
// Returns a new reference, or an empty PyRef with the exception set.
PyRef all_list(PyObject* module) {
    PyRef all(PyObject_GetAttrString(module, "__all__"));
    if (all) {
        if (!PyList_Check(all.get())) {
            PyErr_SetString(PyExc_TypeError, "vantor.__all__ must be a list");
            return {};
        }
        return all;
    }
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return {};
    PyErr_Clear();
    all.reset(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) != 0) return {};
    return all;
}

// Creates the built-in function bound to the module, lists its name in
// __all__ and sets it as a module attribute.
bool add_function(PyObject* module, PyMethodDef* definition) {
    PyRef module_name(PyModule_GetNameObject(module));
    if (!module_name) return false;
    PyRef function(PyCFunction_NewEx(definition, module, module_name.get()));
    if (!function) return false;
    PyRef name(PyObject_GetAttrString(function.get(), "__name__"));
    if (!name) return false;
    PyRef all = all_list(module);
    if (!all) return false;
    if (PyList_Append(all.get(), name.get()) != 0) return false;
    return PyObject_SetAttr(module, name.get(), function.get()) == 0;
}

PyObject* init_module() {
    if (!claim_interpreter(owning_interpreter, "vantor")) return nullptr;
    if (cached_module != nullptr) return Py_NewRef(cached_module);

    PyRef module(PyModule_Create(&module_def));
    if (!module) return nullptr;
    for (PyMethodDef& definition : functions) {
        if (!add_function(module.get(), &definition)) return nullptr;
    }
    cached_module = Py_NewRef(module.get());
    return module.release();
}

}  // namespace

}  // namespace vantor::python

PyMODINIT_FUNC PyInit_vantor(void) { return vantor::python::init_module(); }
