#include "common/module_init.hpp"

#include "common/exceptions.hpp"
#include "common/interpreter_guard.hpp"
#include "common/py_ref.hpp"

namespace vantor::python {

namespace {

// The module's __all__ list, created empty when the attribute is missing.
// Returns a new reference, or an empty PyRef with the exception set.
PyRef all_list(PyObject* module) {
    PyRef all(PyObject_GetAttrString(module, "__all__"));
    if (all) {
        if (!PyList_Check(all.get())) {
            PyErr_Format(PyExc_TypeError, "%s.__all__ must be a list", PyModule_GetName(module));
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

}  // namespace

PyObject* init_extension_module(PyModuleDef& definition, std::span<PyMethodDef> functions,
                                ModuleState& state, bool (*prepare)()) {
    if (!claim_interpreter(state.owning_interpreter, definition.m_name)) return nullptr;
    if (state.module != nullptr) return Py_NewRef(state.module);
    name_panic_exception(definition.m_name);
    if (prepare != nullptr && !prepare()) return nullptr;

    PyRef module(PyModule_Create(&definition));
    if (!module) return nullptr;
    for (PyMethodDef& function : functions) {
        if (!add_function(module.get(), &function)) return nullptr;
    }
    state.module = Py_NewRef(module.get());
    return module.release();
}

}  // namespace vantor::python
