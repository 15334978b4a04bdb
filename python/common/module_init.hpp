#pragma once
// The initialisation every extension module of the package shares. A module
// keeps process-wide state (its cached module object, and types such as the
// table owner), so it serves the interpreter that first imported it and
// returns the same module object on every later import there.

#include <Python.h>

#include <atomic>
#include <cstdint>
#include <span>

namespace vantor::python {

// What one extension module keeps between imports.
struct ModuleState {
    // The interpreter that first imported the module; -1 until then.
    std::atomic<std::int64_t> owning_interpreter{-1};
    // The module object once created. Only touched while holding the GIL.
    PyObject* module = nullptr;
};

// The module of `definition`, created on the first import: the interpreter
// is claimed, PanicException is named after the module, `prepare` runs
// (when given; false with an exception set fails the import), and every
// entry of `functions` (static, no sentinel) becomes a built-in function
// bound to the module, set as an attribute and listed in __all__ in order.
// Returns a new reference, or nullptr with an exception set.
PyObject* init_extension_module(PyModuleDef& definition, std::span<PyMethodDef> functions,
                                ModuleState& state, bool (*prepare)() = nullptr);

// The interpreter calls every function through the generic PyCFunction type
// and picks the real signature from the flags.
template <class Function>
PyCFunction as_cfunction(Function* function) {
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(function));
}

inline constexpr int kFastCall = METH_FASTCALL | METH_KEYWORDS;

}  // namespace vantor::python
