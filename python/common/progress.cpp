#include "common/progress.hpp"

namespace vantor::python {

namespace {

PyRef unsigned_long(std::uint64_t value) {
    return PyRef(PyLong_FromUnsignedLongLong(static_cast<unsigned long long>(value)));
}

}  // namespace

bool ProgressReport::open(PyObject* argument, const char* description, std::uint64_t total) {
    description_ = description;
    total_ = total;
    if (argument == nullptr || argument == Py_None || argument == Py_False) return true;
    if (argument == Py_True) {
        PyRef tqdm(PyImport_ImportModule("tqdm"));
        if (!tqdm) {
            // No tqdm: a plain line instead.
            PyErr_Clear();
            kind_ = Kind::Text;
            return true;
        }
        PyRef bar_type(PyObject_GetAttrString(tqdm.get(), "tqdm"));
        PyRef keywords(Py_BuildValue("{s:K,s:s,s:s}", "total",
                                     static_cast<unsigned long long>(total), "desc", description,
                                     "unit", "pass"));
        PyRef no_arguments(PyTuple_New(0));
        if (!bar_type || !keywords || !no_arguments) return false;
        target_.reset(PyObject_Call(bar_type.get(), no_arguments.get(), keywords.get()));
        if (!target_) return false;
        kind_ = Kind::Bar;
        return true;
    }
    if (PyCallable_Check(argument)) {
        target_ = PyRef::borrow(argument);
        kind_ = Kind::Callback;
        return true;
    }
    PyErr_Format(PyExc_TypeError,
                 "argument 'progress': expected None, a bool or a callable, not %.100s",
                 Py_TYPE(argument)->tp_name);
    return false;
}

bool ProgressReport::update(std::uint64_t done) {
    if (kind_ == Kind::Off || done <= reported_) return true;
    const std::uint64_t step = done - reported_;
    reported_ = done;
    switch (kind_) {
        case Kind::Callback: {
            PyRef a = unsigned_long(done);
            PyRef b = unsigned_long(total_);
            if (!a || !b) return false;
            PyRef outcome(PyObject_CallFunctionObjArgs(target_.get(), a.get(), b.get(), nullptr));
            return static_cast<bool>(outcome);
        }
        case Kind::Bar: {
            PyRef outcome(PyObject_CallMethod(target_.get(), "update", "K",
                                              static_cast<unsigned long long>(step)));
            return static_cast<bool>(outcome);
        }
        case Kind::Text: {
            // Rewritten when the whole percentage changes.
            const std::uint64_t percent = total_ == 0 ? 100 : done * 100 / total_;
            if (percent == printed_percent_) return true;
            printed_percent_ = percent;
            PySys_WriteStderr("\r%s: %llu%%", description_,
                              static_cast<unsigned long long>(percent));
            return true;
        }
        case Kind::Off:
            break;
    }
    return true;
}

bool ProgressReport::finish() {
    if (!update(total_)) return false;
    if (kind_ == Kind::Bar) {
        PyRef closed(PyObject_CallMethod(target_.get(), "close", nullptr));
        kind_ = Kind::Off;
        return static_cast<bool>(closed);
    }
    if (kind_ == Kind::Text) PySys_WriteStderr("\n");
    kind_ = Kind::Off;
    return true;
}

ProgressReport::~ProgressReport() {
    // A bar left open by an error or Ctrl-C is closed without disturbing the
    // pending exception.
    if (kind_ != Kind::Bar || !target_) return;
    PyObject* raised = PyErr_GetRaisedException();
    PyRef closed(PyObject_CallMethod(target_.get(), "close", nullptr));
    if (!closed) PyErr_Clear();
    PyErr_SetRaisedException(raised);
}

}  // namespace vantor::python
