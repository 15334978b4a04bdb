#include "common/exceptions.hpp"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"

namespace vantor::python {

namespace {

constexpr const char* kPanicDoc =
    "Raised when native code panics.\n"
    "\n"
    "Like SystemExit, PanicException derives from BaseException rather than\n"
    "Exception, so an `except Exception` clause does not catch it and it\n"
    "normally propagates to the top of the stack.";

// Used when the fault carries no text of its own.
constexpr const char* kUnknownFaultText = "native code failed with an unknown internal fault";

// What a panic says when an error's message could not be rendered.
constexpr const char* kRenderFailureText =
    "a Display implementation returned an error unexpectedly: Error";

// Owned for the life of the process; only touched while holding the GIL.
// Each extension module links its own copy of this file's state, so each
// owns its PanicException class, named after it.
PyObject* panic_type = nullptr;
const char* panic_module = "vantor";

template <class Error>
void raise_rendered(const Error& error) {
    std::string message;
    try {
        message = error.message();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        raise_panic(kRenderFailureText);
        return;
    }
    PyRef text(PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()),
                                    "replace"));
    if (!text) return;
    PyErr_SetObject(PyExc_RuntimeError, text.get());
}

}  // namespace

void name_panic_exception(const char* module_name) noexcept {
    if (panic_type == nullptr) panic_module = module_name;
}

PyObject* panic_exception_type() noexcept {
    if (panic_type == nullptr) {
        char name[128];
        std::snprintf(name, sizeof name, "%s.PanicException", panic_module);
        panic_type = PyErr_NewExceptionWithDoc(name, kPanicDoc, PyExc_BaseException, nullptr);
    }
    return panic_type;
}

void raise_panic(const char* text) noexcept {
    PyObject* type = panic_exception_type();
    if (type == nullptr) return;
    PyRef message(PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(std::strlen(text)), "replace"));
    if (!message) return;
    PyErr_SetObject(type, message.get());
}

void raise_library_error(const UnitDistanceError& error) { raise_rendered(error); }

void raise_library_error(const CertificateError& error) { raise_rendered(error); }

void raise_library_error(const LibraryError& error) {
    std::visit([](const auto& inner) { raise_rendered(inner); }, error);
}

void raise_current_exception() noexcept {
    try {
        throw;
    } catch (const RequestTooLarge& refused) {
        // The guard's refusal says what the request needs and what is left.
        PyErr_SetString(PyExc_MemoryError, refused.what());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const Interrupted&) {
        // Work stops this way only when a signal handler asked it to.
        PyErr_SetNone(PyExc_KeyboardInterrupt);
    } catch (const std::length_error&) {
        // A size computation overflowed before anything was allocated.
        raise_panic("capacity overflow");
    } catch (const std::exception& fault) {
        raise_panic(fault.what());
    } catch (...) {
        raise_panic(kUnknownFaultText);
    }
}

}  // namespace vantor::python
