#pragma once
// Tables of 64-bit integers (edges and lattice coordinates: two columns;
// Moser lattice coordinates: four) handed to Python without copying. The
// rows stay in the vector that the library filled; a small object owns that
// vector and exports it through the buffer protocol as a read-only
// C-contiguous array of shape (rows, columns) and format 'q', so
// memoryview, numpy.asarray and array-aware code read it in place. Python
// receives a memoryview of that object.

#include <Python.h>

#include <cstdint>
#include <type_traits>
#include <vector>

#include "common/py_ref.hpp"

namespace vantor::python {

// Creates the owner type once; false with the exception set on failure.
bool ready_table_type() noexcept;

// A new memoryview of shape (rows, columns) over `data`. The owner takes
// over `storage` and frees it with `release`, also when this fails.
PyRef table_view(const void* data, std::uint64_t rows, std::uint64_t columns, void* storage,
                 void (*release)(void*));

// The number of 64-bit columns of a row type.
template <class Row>
constexpr std::uint64_t table_columns() {
    static_assert(sizeof(Row) % sizeof(std::int64_t) == 0 && std::is_standard_layout_v<Row> &&
                  std::is_trivially_copyable_v<Row>);
    return sizeof(Row) / sizeof(std::int64_t);
}

// A memoryview over the rows of `rows`, which it keeps; each row is a few
// 64-bit integers below 2**63 in magnitude, read as signed.
template <class Row>
PyRef table_to_python(std::vector<Row> rows) {
    auto* owned = new std::vector<Row>(std::move(rows));
    return table_view(owned->data(), owned->size(), table_columns<Row>(), owned,
                      [](void* storage) { delete static_cast<std::vector<Row>*>(storage); });
}

// Reads an object exporting a C-contiguous buffer of shape (rows, columns)
// of signed 64-bit integers (a table from this module, a numpy int64
// array, a cast memoryview) into `out`, with as many columns as Row has.
// On failure returns false with TypeError naming `what`.
template <class Row>
bool table_from_python(PyObject* object, const char* what, std::vector<Row>& out);

}  // namespace vantor::python
