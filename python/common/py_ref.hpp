#pragma once
// An owning reference to a Python object. The owner releases its reference
// when it goes out of scope, so a function can return early on any failure
// without leaking the objects it has built so far.

#include <Python.h>

#include <utility>

namespace vantor::python {

class PyRef {
public:
    PyRef() noexcept = default;
    // Takes over a new reference (nullptr is allowed and means "no object").
    explicit PyRef(PyObject* owned) noexcept : object_(owned) {}

    PyRef(const PyRef&) = delete;
    PyRef& operator=(const PyRef&) = delete;

    PyRef(PyRef&& other) noexcept : object_(other.release()) {}
    PyRef& operator=(PyRef&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    ~PyRef() { Py_XDECREF(object_); }

    // A new owner of a borrowed reference.
    static PyRef borrow(PyObject* borrowed) noexcept { return PyRef(Py_XNewRef(borrowed)); }

    PyObject* get() const noexcept { return object_; }
    explicit operator bool() const noexcept { return object_ != nullptr; }

    // Gives up ownership: the caller now holds the reference.
    [[nodiscard]] PyObject* release() noexcept { return std::exchange(object_, nullptr); }

    // Releases the held reference (if any) and takes over `owned`.
    void reset(PyObject* owned = nullptr) noexcept {
        PyObject* old = std::exchange(object_, owned);
        Py_XDECREF(old);
    }

private:
    PyObject* object_ = nullptr;
};

}  // namespace vantor::python
