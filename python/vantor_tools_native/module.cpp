// The vantor_tools._native extension module: the compiled part of the
// vantor_tools package (edges of any point set, the multiquadratic
// construction with its exact data and the re-check of that data). It shares
// the binding helpers of python/common with the other extension modules.

#include <Python.h>

#include "common/int64_table.hpp"
#include "common/module_init.hpp"
#include "vantor_tools_native/functions.hpp"

namespace vantor::python {
namespace {

constexpr char kModuleDoc[] =
    "The compiled part of vantor_tools for graphs and exact proofs:\n"
    "unit_edges(), certify_exact(), check_multiquadratic(), graph6(),\n"
    "canonical_graph6(), recognise_points(), prove_pairs() and elements_match().\n"
    "Import them from vantor_tools, vantor_tools.graph and\n"
    "vantor_tools.exact.";

// In registration order, which is the order of __all__.
PyMethodDef functions[] = {
    {"unit_edges", as_cfunction(unit_edges), kFastCall, kUnitEdgesDoc},
    {"certify_exact", as_cfunction(certify_exact), kFastCall, kCertifyExactDoc},
    {"check_multiquadratic", as_cfunction(check_multiquadratic), kFastCall,
     kCheckMultiquadraticDoc},
    {"graph6", as_cfunction(graph6), kFastCall, kGraph6Doc},
    {"canonical_graph6", as_cfunction(canonical_graph6), kFastCall, kCanonicalGraph6Doc},
    {"recognise_points", as_cfunction(recognise_points), kFastCall, kRecognisePointsDoc},
    {"prove_pairs", as_cfunction(prove_pairs), kFastCall, kProvePairsDoc},
    {"elements_match", as_cfunction(elements_match), kFastCall, kElementsMatchDoc},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "vantor_tools._native",
    kModuleDoc,
    0,        // no per-module state: the table type is process-wide
    nullptr,  // the functions are added one by one
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

ModuleState state;

}  // namespace
}  // namespace vantor::python

PyMODINIT_FUNC PyInit__native(void) {
    return vantor::python::init_extension_module(
        vantor::python::module_def, vantor::python::functions, vantor::python::state,
        [] { return vantor::python::ready_table_type("vantor_tools._native._Int64Table"); });
}
