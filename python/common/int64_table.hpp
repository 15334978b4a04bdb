#pragma once
// Tables of 64-bit integers (edges and lattice coordinates: two columns;
// Moser lattice coordinates and certified edges: four) handed to Python
// without copying. The rows stay in the vector that the library filled; a
// small object owns that vector and is what Python receives. It is a
// read-only sequence of rows (len, indexing and iteration give tuples of
// ints, tolist(), shape, equality with a list of rows) and exports the rows
// through the buffer protocol as a C-contiguous array of shape (rows,
// columns) and format 'q', so memoryview, numpy.asarray and array-aware code
// read them in place. At most kMaxTableColumns columns.

#include <Python.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "common/py_ref.hpp"

namespace vantor::python {

// Creates the owner type once, named `qualified_name` ("module._Int64Table",
// a static string); false with the exception set on failure. Each extension
// module links its own copy and creates its own type.
bool ready_table_type(const char* qualified_name) noexcept;

inline constexpr std::uint64_t kMaxTableColumns = 8;

// A new table of shape (rows, columns) over `data`. The owner takes
// over `storage` and frees it with `release`, also when this fails.
PyRef table_view(const void* data, std::uint64_t rows, std::uint64_t columns, void* storage,
                 void (*release)(void*));

// The number of 64-bit columns of a row type.
template <class Row>
constexpr std::uint64_t table_columns() {
    static_assert(sizeof(Row) % sizeof(std::int64_t) == 0 && std::is_standard_layout_v<Row> &&
                  std::is_trivially_copyable_v<Row> &&
                  sizeof(Row) <= kMaxTableColumns * sizeof(std::int64_t));
    return sizeof(Row) / sizeof(std::int64_t);
}

// A table over the rows of `rows`, which it keeps; each row is a few
// 64-bit integers below 2**63 in magnitude, read as signed.
template <class Row>
PyRef table_to_python(std::vector<Row> rows) {
    auto* owned = new std::vector<Row>(std::move(rows));
    return table_view(owned->data(), owned->size(), table_columns<Row>(), owned,
                      [](void* storage) { delete static_cast<std::vector<Row>*>(storage); });
}

// Reads an object exporting a C-contiguous buffer of shape (rows, columns)
// of signed 64-bit integers (a table from this package, a numpy int64
// array, a cast memoryview): allocate(target, rows) is called without the
// interpreter lock and returns room for rows * columns integers, which are
// then copied in. On failure returns false with TypeError naming `what`.
bool read_table(PyObject* object, const char* what, std::uint64_t columns,
                void* (*allocate)(void* target, std::size_t rows), void* target);

// The same into `out`, with as many columns as Row has; `out` is replaced
// only on success.
template <class Row>
bool table_from_python(PyObject* object, const char* what, std::vector<Row>& out) {
    std::vector<Row> rows;
    auto allocate = [](void* target, std::size_t count) -> void* {
        auto* vector = static_cast<std::vector<Row>*>(target);
        vector->resize(count);
        return vector->data();
    };
    if (!read_table(object, what, table_columns<Row>(), allocate, &rows)) return false;
    out = std::move(rows);
    return true;
}

// Flat rows: a table of shape (flat.size() / columns, columns) over
// `flat`, which it keeps; and the rows of a table read into one flat
// vector (`out` replaced only on success).
PyRef flat_table_to_python(std::vector<std::int64_t> flat, std::uint64_t columns);
bool flat_table_from_python(PyObject* object, const char* what, std::uint64_t columns,
                            std::vector<std::int64_t>& out);

}  // namespace vantor::python
