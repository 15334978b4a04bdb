#include "common/point_buffer.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

#include "utils/memory_budget.hpp"

namespace vantor::python {

namespace {

// Holds an exported buffer and gives it back on every path.
class BufferView {
public:
    BufferView() = default;
    BufferView(const BufferView&) = delete;
    BufferView& operator=(const BufferView&) = delete;
    ~BufferView() {
        if (held_) PyBuffer_Release(&view_);
    }

    // Asks for the most general buffer (any strides, indirect arrays,
    // read-only) so that every exporter can answer.
    bool acquire(PyObject* object) {
        held_ = PyObject_GetBuffer(object, &view_, PyBUF_FULL_RO) == 0;
        return held_;
    }
    const Py_buffer& get() const { return view_; }

private:
    Py_buffer view_{};
    bool held_ = false;
};

enum class Kind { signed_integer, unsigned_integer, real, boolean };

// One item of the buffer: what it holds, how many bytes, and whether its
// bytes come in the opposite order to this machine's.
struct ItemFormat {
    Kind kind;
    std::size_t size;
    bool swapped;
};

// Decodes a buffer format made of one item code with an optional byte
// order prefix ("d", "<f", ">i", "=q"). Without a prefix, or with '@', the
// code has this machine's own size; with any other prefix it has the
// standard size of the struct module, in which long is 4 bytes and
// ssize_t, size_t and long double do not exist.
std::optional<ItemFormat> parse_format(const char* format) {
    if (format == nullptr) return ItemFormat{Kind::unsigned_integer, 1, false};
    char order = '@';
    if (std::strchr("@=<>!", *format) != nullptr && *format != '\0') order = *format++;
    if (format[0] == '\0' || format[1] != '\0') return std::nullopt;
    const bool native = order == '@';
    const bool little = order == '<' || ((order == '@' || order == '=') &&
                                         std::endian::native == std::endian::little);
    const bool swapped = little != (std::endian::native == std::endian::little);
    auto pick = [&](Kind kind, std::size_t native_size,
                    std::size_t standard_size) -> std::optional<ItemFormat> {
        const std::size_t size = native ? native_size : standard_size;
        if (size == 0) return std::nullopt;
        return ItemFormat{kind, size, swapped};
    };
    switch (format[0]) {
        case '?': return pick(Kind::boolean, sizeof(bool), 1);
        case 'b': return pick(Kind::signed_integer, 1, 1);
        case 'B': return pick(Kind::unsigned_integer, 1, 1);
        case 'h': return pick(Kind::signed_integer, sizeof(short), 2);
        case 'H': return pick(Kind::unsigned_integer, sizeof(short), 2);
        case 'i': return pick(Kind::signed_integer, sizeof(int), 4);
        case 'I': return pick(Kind::unsigned_integer, sizeof(int), 4);
        case 'l': return pick(Kind::signed_integer, sizeof(long), 4);
        case 'L': return pick(Kind::unsigned_integer, sizeof(long), 4);
        case 'q': return pick(Kind::signed_integer, sizeof(long long), 8);
        case 'Q': return pick(Kind::unsigned_integer, sizeof(long long), 8);
        case 'n': return pick(Kind::signed_integer, sizeof(Py_ssize_t), 0);
        case 'N': return pick(Kind::unsigned_integer, sizeof(std::size_t), 0);
        case 'e': return pick(Kind::real, 2, 2);
        case 'f': return pick(Kind::real, sizeof(float), 4);
        case 'd': return pick(Kind::real, sizeof(double), 8);
        case 'g': return pick(Kind::real, sizeof(long double), 0);
        default: return std::nullopt;
    }
}

template <std::size_t Size>
using Bits = std::conditional_t<
    Size == 1, std::uint8_t,
    std::conditional_t<Size == 2, std::uint16_t,
                       std::conditional_t<Size == 4, std::uint32_t, std::uint64_t>>>;

// The item at `p` as a T, its bytes reversed first when it was stored in
// the other byte order. Items need not be aligned.
template <class T, bool Swapped>
T load(const char* p) {
    if constexpr (Swapped) {
        Bits<sizeof(T)> bits;
        std::memcpy(&bits, p, sizeof bits);
        return std::bit_cast<T>(std::byteswap(bits));
    } else {
        T value;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
}

// Every item becomes the double that float() makes of it: integers are
// rounded to nearest, ties to even (the C conversion does the same), and
// every half, single and double value converts exactly.
template <class T, bool Swapped>
double to_double(const char* p) {
    return static_cast<double>(load<T, Swapped>(p));
}

template <bool Swapped>
double half_to_double(const char* p) {
    // PyFloat_Unpack2 reads the two bytes in the order it is told and
    // cannot fail.
    const bool little = (std::endian::native == std::endian::little) != Swapped;
    return PyFloat_Unpack2(p, little ? 1 : 0);
}

template <bool Swapped>
double bool_to_double(const char* p) {
    return *p != 0 ? 1.0 : 0.0;
}

// The address of one item; `suboffset` is negative unless the dimension
// holds pointers to its sub-arrays.
inline const char* step(const char* base, Py_ssize_t index, Py_ssize_t stride,
                        Py_ssize_t suboffset) {
    const char* p = base + index * stride;
    if (suboffset >= 0) p = *reinterpret_cast<const char* const*>(p) + suboffset;
    return p;
}

template <double (*Decode)(const char*)>
void copy_points(const Py_buffer& view, std::span<Point> out) {
    const char* base = static_cast<const char*>(view.buf);
    // Without strides the buffer is a plain C array.
    const Py_ssize_t row_stride = view.strides != nullptr ? view.strides[0] : 2 * view.itemsize;
    const Py_ssize_t column_stride = view.strides != nullptr ? view.strides[1] : view.itemsize;
    const Py_ssize_t row_sub = view.suboffsets != nullptr ? view.suboffsets[0] : -1;
    const Py_ssize_t column_sub = view.suboffsets != nullptr ? view.suboffsets[1] : -1;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char* row = step(base, static_cast<Py_ssize_t>(i), row_stride, row_sub);
        out[i] = Point{Decode(step(row, 0, column_stride, column_sub)),
                       Decode(step(row, 1, column_stride, column_sub))};
    }
}

using Copy = void (*)(const Py_buffer&, std::span<Point>);

template <bool Swapped>
Copy copy_for(const ItemFormat& item) {
    switch (item.kind) {
        case Kind::boolean:
            return item.size == 1 ? copy_points<bool_to_double<Swapped>> : nullptr;
        case Kind::signed_integer:
            switch (item.size) {
                case 1: return copy_points<to_double<std::int8_t, Swapped>>;
                case 2: return copy_points<to_double<std::int16_t, Swapped>>;
                case 4: return copy_points<to_double<std::int32_t, Swapped>>;
                case 8: return copy_points<to_double<std::int64_t, Swapped>>;
                default: return nullptr;
            }
        case Kind::unsigned_integer:
            switch (item.size) {
                case 1: return copy_points<to_double<std::uint8_t, Swapped>>;
                case 2: return copy_points<to_double<std::uint16_t, Swapped>>;
                case 4: return copy_points<to_double<std::uint32_t, Swapped>>;
                case 8: return copy_points<to_double<std::uint64_t, Swapped>>;
                default: return nullptr;
            }
        case Kind::real:
            switch (item.size) {
                case 2: return copy_points<half_to_double<Swapped>>;
                case 4: return copy_points<to_double<float, Swapped>>;
                case 8: return copy_points<to_double<double, Swapped>>;
                default:
                    // long double exists only in this machine's own order.
                    if constexpr (!Swapped) {
                        if (item.size == sizeof(long double)) {
                            return copy_points<to_double<long double, false>>;
                        }
                    }
                    return nullptr;
            }
    }
    return nullptr;
}

// "(5, 3)", "(5,)" or "()", as Python writes a shape tuple.
std::string shape_text(const Py_buffer& view) {
    if (view.ndim == 0) return "()";
    if (view.shape == nullptr) return "(" + std::to_string(view.len / view.itemsize) + ",)";
    std::string text = "(";
    for (int d = 0; d < view.ndim; ++d) {
        if (d > 0) text += ", ";
        text += std::to_string(view.shape[d]);
    }
    return text + (view.ndim == 1 ? ",)" : ")");
}

bool takes_buffer_path(PyObject* object) {
    if (PyList_Check(object) || PyTuple_Check(object) || PyUnicode_Check(object) ||
        PyBytes_Check(object) || PyByteArray_Check(object)) {
        return false;
    }
    return PySequence_Check(object) && PyObject_CheckBuffer(object);
}

}  // namespace

BufferRead read_point_buffer(PyObject* object, PointList& out) {
    if (!takes_buffer_path(object)) return BufferRead::not_a_buffer;
    BufferView buffer;
    if (!buffer.acquire(object)) {
        if (PyErr_ExceptionMatches(PyExc_BufferError) || PyErr_ExceptionMatches(PyExc_TypeError) ||
            PyErr_ExceptionMatches(PyExc_ValueError)) {
            PyErr_Clear();
            return BufferRead::not_a_buffer;
        }
        return BufferRead::failed;
    }
    const Py_buffer& view = buffer.get();

    // Items that are not real numbers (Python objects, complex numbers,
    // records) leave the object to be read as a sequence.
    const std::optional<ItemFormat> item = parse_format(view.format);
    Copy copy = nullptr;
    if (item && static_cast<std::size_t>(view.itemsize) == item->size) {
        copy = item->swapped ? copy_for<true>(*item) : copy_for<false>(*item);
    }
    if (copy == nullptr) return BufferRead::not_a_buffer;

    // The number of rows, as a sequence of the same object would have.
    Py_ssize_t rows = 0;
    if (view.ndim >= 1) {
        rows = view.shape != nullptr ? view.shape[0] : view.len / view.itemsize;
    }
    if (view.ndim >= 1 && rows == 0) {
        out.clear();
        return BufferRead::read;
    }
    if (view.ndim != 2 || view.shape == nullptr || view.shape[1] != 2) {
        const std::string shape = shape_text(view);
        PyErr_Format(PyExc_ValueError,
                     "expected buffer of shape (N, 2), but got buffer of shape %s", shape.c_str());
        return BufferRead::failed;
    }

    // A buffer with zero strides can describe far more rows than it stores.
    ensure_fits_in_memory(static_cast<std::uint64_t>(rows), sizeof(Point));
    PointList points(static_cast<std::size_t>(rows));
    copy(view, points);
    out = std::move(points);
    return BufferRead::read;
}

}  // namespace vantor::python
