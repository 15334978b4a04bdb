#include "common/int64_table.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "common/results.hpp"


namespace vantor::python {

namespace {

struct TableObject {
    PyObject_HEAD
    const void* data;
    void* storage;
    void (*release)(void*);
    Py_ssize_t shape[2];
    Py_ssize_t strides[2];
};

// Tables are read in slices of this many bytes (a few milliseconds each).
constexpr std::size_t kBytesPerSlice = std::size_t{16} << 20;

// Created at the first import and kept for the life of the process.
PyObject* table_type = nullptr;

// An empty table still exports a valid address.
const std::int64_t kNoRows[4] = {0, 0, 0, 0};

void table_dealloc(PyObject* self) {
    auto* table = reinterpret_cast<TableObject*>(self);
    if (table->release != nullptr) table->release(table->storage);
    PyTypeObject* type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

int table_getbuffer(PyObject* self, Py_buffer* view, int flags) {
    auto* table = reinterpret_cast<TableObject*>(self);
    if ((flags & PyBUF_WRITABLE) == PyBUF_WRITABLE) {
        PyErr_SetString(PyExc_BufferError, "lattice tables are read-only");
        return -1;
    }
    if ((flags & PyBUF_F_CONTIGUOUS) == PyBUF_F_CONTIGUOUS && table->shape[0] > 1) {
        PyErr_SetString(PyExc_BufferError, "lattice tables are C-contiguous, not Fortran");
        return -1;
    }
    view->obj = Py_NewRef(self);
    view->buf = const_cast<void*>(table->data);
    view->len = table->shape[0] * table->strides[0];
    view->readonly = 1;
    view->suboffsets = nullptr;
    view->internal = nullptr;
    if ((flags & PyBUF_ND) == PyBUF_ND) {
        view->itemsize = sizeof(std::int64_t);
        view->format = (flags & PyBUF_FORMAT) ? const_cast<char*>("q") : nullptr;
        view->ndim = 2;
        view->shape = table->shape;
        view->strides = (flags & PyBUF_STRIDES) == PyBUF_STRIDES ? table->strides : nullptr;
    } else {
        // A plain request sees the rows as bytes.
        view->itemsize = 1;
        view->format = (flags & PyBUF_FORMAT) ? const_cast<char*>("B") : nullptr;
        view->ndim = 1;
        view->shape = nullptr;
        view->strides = nullptr;
    }
    return 0;
}

PyType_Slot table_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(table_dealloc)},
    {Py_bf_getbuffer, reinterpret_cast<void*>(table_getbuffer)},
    {Py_tp_doc, const_cast<char*>("Rows of 64-bit integers, read through memoryview.")},
    {0, nullptr},
};

PyType_Spec table_spec = {
    nullptr,  // named by the module that creates the type
    sizeof(TableObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION,
    table_slots,
};

// The format code of a signed 64-bit integer, possibly with a native or
// little-endian byte-order prefix.
bool is_int64_format(const char* format) {
    if (format == nullptr) return false;
    std::string_view code(format);
    if (!code.empty() && (code.front() == '@' || code.front() == '=' || code.front() == '<')) {
        code.remove_prefix(1);
    }
    return code == "q" || (code == "l" && sizeof(long) == sizeof(std::int64_t));
}

}  // namespace

bool ready_table_type(const char* qualified_name) noexcept {
    if (table_type == nullptr) {
        table_spec.name = qualified_name;
        table_type = PyType_FromSpec(&table_spec);
    }
    return table_type != nullptr;
}

PyRef table_view(const void* data, std::uint64_t rows, std::uint64_t columns, void* storage,
                 void (*release)(void*)) {
    auto* table = table_type == nullptr
                      ? nullptr
                      : PyObject_New(TableObject, reinterpret_cast<PyTypeObject*>(table_type));
    if (table == nullptr) {
        release(storage);
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "table type not ready");
        return {};
    }
    table->data = rows == 0 ? kNoRows : data;
    table->storage = storage;
    table->release = release;
    table->shape[0] = static_cast<Py_ssize_t>(rows);
    table->shape[1] = static_cast<Py_ssize_t>(columns);
    table->strides[0] = static_cast<Py_ssize_t>(columns * sizeof(std::int64_t));
    table->strides[1] = sizeof(std::int64_t);
    PyRef owner(reinterpret_cast<PyObject*>(table));
    return PyRef(PyMemoryView_FromObject(owner.get()));
}

bool read_table(PyObject* object, const char* what, std::uint64_t columns,
                void* (*allocate)(void* target, std::size_t rows), void* target) {
    Py_buffer view;
    if (PyObject_GetBuffer(object, &view, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT) != 0) {
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "%s must be a C-contiguous buffer of 64-bit integers", what);
        return false;
    }
    const bool fits = view.ndim == 2 && view.shape != nullptr &&
                      view.shape[1] == static_cast<Py_ssize_t>(columns) &&
                      view.itemsize == sizeof(std::int64_t) && is_int64_format(view.format);
    if (!fits) {
        PyBuffer_Release(&view);
        PyErr_Format(PyExc_TypeError, "%s must have shape (rows, %d) and 64-bit integer items",
                     what, static_cast<int>(columns));
        return false;
    }
    try {
        // The rows are allocated (and zeroed) without the interpreter lock,
        // then copied in slices, letting other threads run between two; the
        // view keeps the exporter's memory in place meanwhile.
        const auto rows = static_cast<std::size_t>(view.shape[0]);
        void* storage = nullptr;
        bool allocated = false;
        Py_BEGIN_ALLOW_THREADS
        try {
            storage = allocate(target, rows);
            allocated = true;
        } catch (const std::bad_alloc&) {
        }
        Py_END_ALLOW_THREADS
        if (!allocated) throw std::bad_alloc();
        const auto* from = static_cast<const char*>(view.buf);
        auto* to = static_cast<char*>(storage);
        const std::size_t bytes = rows * columns * sizeof(std::int64_t);
        for (std::size_t at = 0; at < bytes; at += kBytesPerSlice) {
            std::memcpy(to + at, from + at, std::min(kBytesPerSlice, bytes - at));
            let_other_threads_run();
        }
    } catch (...) {
        PyBuffer_Release(&view);
        throw;
    }
    PyBuffer_Release(&view);
    return true;
}

}  // namespace vantor::python
