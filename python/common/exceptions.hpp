#pragma once
// The one place where failures cross into the interpreter. Library errors
// are values and become RuntimeError with their message; C++ exceptions
// thrown while a call runs (allocation failure, broken invariants) are
// caught here so that none of them ever unwinds into the interpreter.

#include <Python.h>

#include <expected>
#include <type_traits>
#include <utility>
#include <variant>

#include "common/py_ref.hpp"
#include "error.hpp"

namespace vantor::python {

// Either library error: the certified pipeline can end with both kinds.
using LibraryError = std::variant<UnitDistanceError, CertificateError>;

// Names the PanicException class "<module_name>.PanicException" (by default
// "vantor.PanicException"); effective only before the class is first used.
void name_panic_exception(const char* module_name) noexcept;
// (module_name must outlive the module: a module definition's m_name.)

// The PanicException class, created on first use and kept for the life of
// the process. Returns a borrowed reference, or nullptr with a Python
// exception set when the class cannot be created.
PyObject* panic_exception_type() noexcept;

// Sets PanicException(text) as the current Python exception; text that is
// not valid UTF-8 is decoded with replacement characters.
void raise_panic(const char* text) noexcept;

// Sets RuntimeError(message) as the current Python exception, the single
// argument being the error's rendered message. Rendering may throw
// std::bad_alloc; any other failure to render is reported as a panic.
void raise_library_error(const UnitDistanceError& error);
void raise_library_error(const CertificateError& error);
void raise_library_error(const LibraryError& error);

// Sets the Python exception matching the C++ exception being handled:
// RequestTooLarge -> MemoryError with its message, std::bad_alloc ->
// MemoryError, Interrupted -> KeyboardInterrupt,
// std::length_error -> PanicException
// ("capacity overflow"), other std::exception -> PanicException(what()),
// anything else -> PanicException with a fixed text. Call only from a catch
// block.
void raise_current_exception() noexcept;

// Runs body and returns what a Python-callable C function returns: a new
// reference, or nullptr with a Python exception set. The body returns
// either a PyRef or a std::expected<PyRef, E> with E a library error; an
// empty PyRef means the body has already set a Python exception.
template <class Body>
PyObject* run_translated(Body&& body) noexcept {
    try {
        auto outcome = std::forward<Body>(body)();
        if constexpr (std::is_same_v<decltype(outcome), PyRef>) {
            return outcome.release();
        } else {
            if (!outcome) {
                raise_library_error(outcome.error());
                return nullptr;
            }
            return outcome->release();
        }
    } catch (...) {
        raise_current_exception();
        return nullptr;
    }
}

}  // namespace vantor::python
