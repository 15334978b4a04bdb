#pragma once
// A module that keeps process-wide state (its cached module object, types)
// serves only the interpreter that first imported it.

#include <Python.h>

#include <atomic>
#include <cstdint>

namespace vantor::python {

// Records the current interpreter in `owner` (initially -1) on the first
// import. Returns false with ImportError set when `owner` already holds
// another interpreter, or with the pending exception when the current
// interpreter's id cannot be read.
inline bool claim_interpreter(std::atomic<std::int64_t>& owner, const char* module_name) {
    const std::int64_t interpreter = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (interpreter == -1) return false;
    std::int64_t expected = -1;
    if (!owner.compare_exchange_strong(expected, interpreter) && expected != interpreter) {
        PyErr_Format(PyExc_ImportError,
                     "%s does not support sub-interpreters: it is already loaded in another "
                     "interpreter of this process",
                     module_name);
        return false;
    }
    return true;
}

}  // namespace vantor::python
