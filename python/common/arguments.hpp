#pragma once
// Binding of a call's arguments to a function's parameters, and conversion
// of each argument into its library value. Every failure is a Python
// exception set in the interpreter, worded as the interpreter itself words
// it, and the caller returns at once.

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "point.hpp"

namespace vantor::python {

// The parameters of one function. All are positional-or-keyword; the first
// `required` have no default.
struct ParameterTable {
    const char* display_name;  // the function name followed by "()"
    std::span<const char* const> names;
    std::size_t required;
};

// Matches the fast-call arguments (positional arguments, then the values of
// the keyword names in `kwnames`, which may be nullptr) to the parameters.
// On success every slot holds a borrowed reference to its argument, or
// nullptr for an optional parameter that was not passed. `slots` has one
// entry per parameter.
bool bind_arguments(const ParameterTable& table, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> slots);

// Conversions of one object. On failure they return false with the
// interpreter's exception set; the output is then left unchanged.

// int (bool included) or any object with __index__, as 0 .. 2**64 - 1.
bool extract(PyObject* object, std::uint64_t& out);
// int or any object with __index__, as a signed 64-bit value.
bool extract(PyObject* object, std::int64_t& out);
// float exactly, or anything the interpreter's float conversion accepts.
bool extract(PyObject* object, double& out);
// A sequence (not a str) of integers, read by iteration in order.
bool extract(PyObject* object, std::vector<std::int64_t>& out);
// A sequence (not a str) of 2-tuples of floats, or an object with a
// buffer of shape (N, 2) of real numbers (see point_buffer.hpp for which
// objects are read as buffers).
bool extract(PyObject* object, PointList& out);

// The prefix rule of extract_argument, applied to the pending exception.
void name_failed_argument(const char* name) noexcept;

// Converts the argument of parameter `name`. A failure whose exception is
// exactly TypeError is replaced by TypeError("argument '<name>': <text>")
// carrying the original's __cause__; any other exception is left as it is.
template <class T>
bool extract_argument(const char* name, PyObject* object, T& out) {
    if (extract(object, out)) return true;
    name_failed_argument(name);
    return false;
}

}  // namespace vantor::python
