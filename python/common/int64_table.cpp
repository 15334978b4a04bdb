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

// ---- the table as a sequence of rows ------------------------------------------

TableObject* as_table(PyObject* self) { return reinterpret_cast<TableObject*>(self); }

const std::int64_t* row_at(const TableObject* table, Py_ssize_t row) {
    return static_cast<const std::int64_t*>(table->data) + row * table->shape[1];
}

Py_ssize_t table_length(PyObject* self) { return as_table(self)->shape[0]; }

// Row `row` (already in range) as a new tuple of ints.
PyObject* row_tuple(const TableObject* table, Py_ssize_t row) {
    const std::int64_t* values = row_at(table, row);
    PyRef tuple(PyTuple_New(table->shape[1]));
    if (!tuple) return nullptr;
    for (Py_ssize_t column = 0; column < table->shape[1]; ++column) {
        PyObject* value = PyLong_FromLongLong(values[column]);
        if (value == nullptr) return nullptr;
        PyTuple_SET_ITEM(tuple.get(), column, value);
    }
    return tuple.release();
}

PyObject* table_item(PyObject* self, Py_ssize_t row) {
    auto* table = as_table(self);
    if (row < 0 || row >= table->shape[0]) {
        PyErr_SetString(PyExc_IndexError, "table row out of range");
        return nullptr;
    }
    return row_tuple(table, row);
}

// t[k] (negative k counts from the end) is a row; t[a:b:c] a list of rows.
PyObject* table_subscript(PyObject* self, PyObject* key) {
    auto* table = as_table(self);
    if (PySlice_Check(key)) {
        Py_ssize_t start = 0;
        Py_ssize_t stop = 0;
        Py_ssize_t step = 0;
        if (PySlice_Unpack(key, &start, &stop, &step) < 0) return nullptr;
        const Py_ssize_t count = PySlice_AdjustIndices(table->shape[0], &start, &stop, step);
        PyRef rows(PyList_New(count));
        if (!rows) return nullptr;
        for (Py_ssize_t k = 0, row = start; k < count; ++k, row += step) {
            PyObject* tuple = row_tuple(table, row);
            if (tuple == nullptr) return nullptr;
            PyList_SET_ITEM(rows.get(), k, tuple);
        }
        return rows.release();
    }
    if (!PyIndex_Check(key)) {
        PyErr_Format(PyExc_TypeError, "table indices must be integers or slices, not %.100s",
                     Py_TYPE(key)->tp_name);
        return nullptr;
    }
    Py_ssize_t row = PyNumber_AsSsize_t(key, PyExc_IndexError);
    if (row == -1 && PyErr_Occurred()) return nullptr;
    if (row < 0) row += table->shape[0];
    return table_item(self, row);
}

// `item` as a row of `columns` integers; false (no exception) when it is
// not one, so that it equals no row.
bool as_row(PyObject* item, Py_ssize_t columns, std::int64_t* out, bool* failed) {
    *failed = false;
    if (!PyList_Check(item) && !PyTuple_Check(item)) return false;
    if (PySequence_Fast_GET_SIZE(item) != columns) return false;
    PyObject** values = PySequence_Fast_ITEMS(item);
    for (Py_ssize_t column = 0; column < columns; ++column) {
        if (!PyLong_Check(values[column])) return false;
        int overflow = 0;
        out[column] = PyLong_AsLongLongAndOverflow(values[column], &overflow);
        if (overflow != 0) return false;
        if (out[column] == -1 && PyErr_Occurred()) {
            *failed = true;
            return false;
        }
    }
    return true;
}

// `row in table`: a list or tuple of ints equal to one of the rows.
int table_contains(PyObject* self, PyObject* item) {
    auto* table = as_table(self);
    std::int64_t wanted[kMaxTableColumns];
    const Py_ssize_t columns = table->shape[1];
    bool failed = false;
    if (!as_row(item, columns, wanted, &failed)) return failed ? -1 : 0;
    const std::size_t bytes = static_cast<std::size_t>(columns) * sizeof(std::int64_t);
    for (Py_ssize_t row = 0; row < table->shape[0]; ++row) {
        if (std::memcmp(row_at(table, row), wanted, bytes) == 0) return 1;
    }
    return 0;
}

PyObject* table_iter(PyObject* self) { return PySeqIter_New(self); }

// A view of the table's memory, for what memoryview already does well.
PyRef memory_of(PyObject* self) { return PyRef(PyMemoryView_FromObject(self)); }

// Equal to a list or tuple of rows with the same integers (rows may be
// lists or tuples), and, as a memoryview is, to any buffer of the same
// shape and values; anything else is left to the other operand.
PyObject* table_richcompare(PyObject* self, PyObject* other, int op) {
    if (op != Py_EQ && op != Py_NE) Py_RETURN_NOTIMPLEMENTED;
    auto* table = as_table(self);
    if (PyList_Check(other) || PyTuple_Check(other)) {
        bool equal = PySequence_Fast_GET_SIZE(other) == table->shape[0];
        const Py_ssize_t columns = table->shape[1];
        std::int64_t row[kMaxTableColumns];
        const std::size_t bytes = static_cast<std::size_t>(columns) * sizeof(std::int64_t);
        for (Py_ssize_t k = 0; equal && k < table->shape[0]; ++k) {
            // The list may change while it is read: its size is read each time.
            if (k >= PySequence_Fast_GET_SIZE(other)) {
                equal = false;
                break;
            }
            PyObject* item = PySequence_Fast_GET_ITEM(other, k);
            bool failed = false;
            Py_INCREF(item);
            equal = as_row(item, columns, row, &failed) &&
                    std::memcmp(row, row_at(table, k), bytes) == 0;
            Py_DECREF(item);
            if (failed) return nullptr;
        }
        return PyBool_FromLong(equal == (op == Py_EQ));
    }
    if (PyObject_CheckBuffer(other)) {
        PyRef memory = memory_of(self);
        if (!memory) return nullptr;
        return PyObject_RichCompare(memory.get(), other, op);
    }
    Py_RETURN_NOTIMPLEMENTED;
}

PyObject* table_repr(PyObject* self) {
    auto* table = as_table(self);
    return PyUnicode_FromFormat("Int64Table(shape=(%zd, %zd))", table->shape[0],
                                table->shape[1]);
}

PyObject* table_tolist(PyObject* self, PyObject*) {
    PyRef memory = memory_of(self);
    if (!memory) return nullptr;
    return PyObject_CallMethod(memory.get(), "tolist", nullptr);
}

PyObject* table_tobytes(PyObject* self, PyObject*) {
    auto* table = as_table(self);
    return PyBytes_FromStringAndSize(static_cast<const char*>(table->data),
                                     table->shape[0] * table->strides[0]);
}

PyObject* table_shape(PyObject* self, void*) {
    auto* table = as_table(self);
    return Py_BuildValue("(nn)", table->shape[0], table->shape[1]);
}

PyObject* table_nbytes(PyObject* self, void*) {
    auto* table = as_table(self);
    return PyLong_FromSsize_t(table->shape[0] * table->strides[0]);
}

PyObject* table_format(PyObject*, void*) { return PyUnicode_FromString("q"); }
PyObject* table_itemsize(PyObject*, void*) { return PyLong_FromLong(sizeof(std::int64_t)); }
PyObject* table_ndim(PyObject*, void*) { return PyLong_FromLong(2); }
PyObject* table_readonly(PyObject*, void*) { Py_RETURN_TRUE; }

PyMethodDef table_methods[] = {
    {"tolist", table_tolist, METH_NOARGS,
     PyDoc_STR("tolist()\n--\n\nThe rows as a list of lists of ints.")},
    {"tobytes", table_tobytes, METH_NOARGS,
     PyDoc_STR("tobytes()\n--\n\nThe rows as native int64 bytes, row after row.")},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef table_getset[] = {
    {"shape", table_shape, nullptr, PyDoc_STR("(rows, columns)"), nullptr},
    {"nbytes", table_nbytes, nullptr, PyDoc_STR("rows * columns * 8"), nullptr},
    {"format", table_format, nullptr, PyDoc_STR("'q': each item an int64"), nullptr},
    {"itemsize", table_itemsize, nullptr, PyDoc_STR("8"), nullptr},
    {"ndim", table_ndim, nullptr, PyDoc_STR("2"), nullptr},
    {"readonly", table_readonly, nullptr, PyDoc_STR("True: tables are never written"),
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

constexpr char kTableDoc[] =
    "Rows of 64-bit integers (edges (i, j), lattice coordinates).\n"
    "\n"
    "A read-only sequence of rows: len(t), t[k] and iteration give tuples of\n"
    "ints (negative k counts from the end, a slice gives a list of tuples),\n"
    "t.tolist() lists of lists, t.shape is (rows, columns). It equals a list\n"
    "or tuple of rows with the same integers. numpy.asarray(t) and\n"
    "memoryview(t) read its memory in place, as an int64 array of that shape.";

PyType_Slot table_slots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(table_dealloc)},
    {Py_bf_getbuffer, reinterpret_cast<void*>(table_getbuffer)},
    {Py_sq_length, reinterpret_cast<void*>(table_length)},
    {Py_sq_item, reinterpret_cast<void*>(table_item)},
    {Py_sq_contains, reinterpret_cast<void*>(table_contains)},
    {Py_mp_length, reinterpret_cast<void*>(table_length)},
    {Py_mp_subscript, reinterpret_cast<void*>(table_subscript)},
    {Py_tp_iter, reinterpret_cast<void*>(table_iter)},
    {Py_tp_richcompare, reinterpret_cast<void*>(table_richcompare)},
    {Py_tp_hash, reinterpret_cast<void*>(PyObject_HashNotImplemented)},
    {Py_tp_repr, reinterpret_cast<void*>(table_repr)},
    {Py_tp_methods, table_methods},
    {Py_tp_getset, table_getset},
    {Py_tp_doc, const_cast<char*>(kTableDoc)},
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
    return PyRef(reinterpret_cast<PyObject*>(table));
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

PyRef flat_table_to_python(std::vector<std::int64_t> flat, std::uint64_t columns) {
    auto* owned = new std::vector<std::int64_t>(std::move(flat));
    return table_view(owned->data(), columns == 0 ? 0 : owned->size() / columns, columns, owned,
                      [](void* storage) { delete static_cast<std::vector<std::int64_t>*>(storage); });
}

bool flat_table_from_python(PyObject* object, const char* what, std::uint64_t columns,
                            std::vector<std::int64_t>& out) {
    struct Target {
        std::vector<std::int64_t> rows;
        std::uint64_t columns;
    } target{{}, columns};
    auto allocate = [](void* where, std::size_t rows) -> void* {
        auto* t = static_cast<Target*>(where);
        t->rows.resize(rows * t->columns);
        return t->rows.data();
    };
    if (!read_table(object, what, columns, allocate, &target)) return false;
    out = std::move(target.rows);
    return true;
}

}  // namespace vantor::python
