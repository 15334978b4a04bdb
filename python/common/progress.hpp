#pragma once
// Progress reports of long calls, off unless the caller asks: the caller's
// `progress` argument is None or False (off), a callable (called as
// progress(done, total) whenever `done` has grown), or True (a tqdm bar when
// tqdm can be imported, else one line on stderr rewritten in place).
// Reports are made with the interpreter lock held, from the waiting thread.

#include <Python.h>

#include <cstdint>

#include "common/py_ref.hpp"

namespace vantor::python {

class ProgressReport {
public:
    // Reads the caller's argument (nullptr is None). Returns false with
    // TypeError set for anything else than None, a bool or a callable.
    bool open(PyObject* argument, const char* description, std::uint64_t total);

    // Reports `done` out of the total if it has grown since the last report.
    // Returns false with the callback's exception set when it raised.
    bool update(std::uint64_t done);

    // Reports the total as done and closes a bar; false as update().
    bool finish();

    ProgressReport() = default;
    ProgressReport(const ProgressReport&) = delete;
    ProgressReport& operator=(const ProgressReport&) = delete;
    ~ProgressReport();

private:
    enum class Kind { Off, Callback, Bar, Text };
    Kind kind_ = Kind::Off;
    PyRef target_;  // the callback or the bar
    const char* description_ = "";
    std::uint64_t total_ = 0;
    std::uint64_t reported_ = 0;
    std::uint64_t printed_percent_ = ~std::uint64_t{0};
};

}  // namespace vantor::python
