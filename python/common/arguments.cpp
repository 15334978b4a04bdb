#include "common/arguments.hpp"

#include <new>
#include <stdexcept>
#include <string>

#include "common/point_buffer.hpp"
#include "common/py_ref.hpp"
#include "common/results.hpp"
#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"

namespace vantor::python {

namespace {

constexpr const char* kUnknownTypeName = "<failed to extract type name>";

// TypeError "'<type>' object cannot be converted to '<target>'", naming the
// object's type by its qualified name.
void raise_cannot_convert(PyObject* object, const char* target) {
    PyRef type_name(PyType_GetQualName(Py_TYPE(object)));
    PyRef message;
    if (type_name) {
        message.reset(PyUnicode_FromFormat("'%U' object cannot be converted to '%s'",
                                           type_name.get(), target));
    } else {
        PyErr_Clear();
        message.reset(PyUnicode_FromFormat("'%s' object cannot be converted to '%s'",
                                           kUnknownTypeName, target));
    }
    if (message) PyErr_SetObject(PyExc_TypeError, message.get());
}

// The quoted parameter names of a "missing arguments" message: 'a';
// 'a' and 'b'; 'a', 'b', and 'c'.
std::string quoted_name_list(const std::vector<const char*>& names) {
    std::string list;
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (index > 0) {
            if (names.size() == 2) {
                list += " and ";
            } else {
                list += index + 1 == names.size() ? ", and " : ", ";
            }
        }
        list += '\'';
        list += names[index];
        list += '\'';
    }
    return list;
}

// The position of the parameter called `keyword`, or names.size().
std::size_t parameter_index(const ParameterTable& table, PyObject* keyword) {
    for (std::size_t index = 0; index < table.names.size(); ++index) {
        if (PyUnicode_CompareWithASCIIString(keyword, table.names[index]) == 0) return index;
    }
    return table.names.size();
}

// The length of a sequence is only a hint for the size of the result: a
// failing __len__, or one that claims more than memory can hold, must not
// make a valid sequence fail.
template <class Item>
void reserve_from_hint(PyObject* sequence, std::vector<Item>& items) {
    const Py_ssize_t hint = PySequence_Size(sequence);
    if (hint < 0) {
        PyErr_Clear();
        return;
    }
    try {
        const auto size = static_cast<std::size_t>(hint);
        ensure_fits_in_memory(converted_copy_peak_bytes(size, sizeof(Item)));
        items.reserve(size);
    } catch (const std::length_error&) {
    } catch (const std::bad_alloc&) {
    }
}

// Makes room for one more item. The copy doubles as it grows, and only while
// the grown copy fits: a sequence that yields more items than memory can
// hold ends with MemoryError instead of exhausting the machine.
template <class Item>
void make_room(std::vector<Item>& items) {
    if (items.size() < items.capacity()) return;
    const std::size_t capacity = items.capacity() < 4 ? 4 : 2 * items.capacity();
    ensure_fits_in_memory(converted_copy_peak_bytes(capacity, sizeof(Item)));
    items.reserve(capacity);
}

// Reads a sequence argument item by item. Only objects that pass the
// interpreter's sequence check are accepted, and a str never is, even
// though it is a sequence.
template <class Item, class ExtractItem>
bool extract_sequence(PyObject* object, std::vector<Item>& out, ExtractItem extract_item) {
    if (PyUnicode_Check(object)) {
        PyErr_SetString(PyExc_TypeError, "Can't extract `str` to `Vec`");
        return false;
    }
    if (!PySequence_Check(object)) {
        raise_cannot_convert(object, "Sequence");
        return false;
    }
    std::vector<Item> items;
    reserve_from_hint(object, items);
    PyRef iterator(PyObject_GetIter(object));
    if (!iterator) return false;
    while (PyRef item{PyIter_Next(iterator.get())}) {
        Item value{};
        if (!extract_item(item.get(), value)) return false;
        make_room(items);
        items.push_back(value);
        // Long sequences let other threads run now and then, and stop on
        // Ctrl-C; the iterator holds the sequence and each item it hands out.
        if (interrupted_at(items.size())) return false;
    }
    if (PyErr_Occurred()) return false;
    out = std::move(items);
    return true;
}

bool extract_point(PyObject* object, Point& out) {
    if (!PyTuple_Check(object)) {
        raise_cannot_convert(object, "PyTuple");
        return false;
    }
    const Py_ssize_t length = PyTuple_GET_SIZE(object);
    if (length != 2) {
        PyErr_Format(PyExc_ValueError, "expected tuple of length 2, but got tuple of length %zd",
                     length);
        return false;
    }
    Point point{};
    if (!extract(PyTuple_GET_ITEM(object, 0), point.x)) return false;
    if (!extract(PyTuple_GET_ITEM(object, 1), point.y)) return false;
    out = point;
    return true;
}

}  // namespace

bool bind_arguments(const ParameterTable& table, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, std::span<PyObject*> slots) {
    const std::size_t parameter_count = table.names.size();
    const std::size_t given = static_cast<std::size_t>(nargs);
    const char* verb = given == 1 ? "was" : "were";

    if (given > parameter_count) {
        if (table.required == parameter_count) {
            PyErr_Format(PyExc_TypeError, "%s takes %zu positional arguments but %zu %s given",
                         table.display_name, parameter_count, given, verb);
        } else {
            PyErr_Format(PyExc_TypeError,
                         "%s takes from %zu to %zu positional arguments but %zu %s given",
                         table.display_name, table.required, parameter_count, given, verb);
        }
        return false;
    }

    for (std::size_t index = 0; index < parameter_count; ++index) {
        slots[index] = index < given ? args[index] : nullptr;
    }

    const Py_ssize_t keyword_count = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
        PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
        const std::size_t index = parameter_index(table, keyword);
        if (index == parameter_count) {
            PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%U'",
                         table.display_name, keyword);
            return false;
        }
        if (slots[index] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'",
                         table.display_name, table.names[index]);
            return false;
        }
        slots[index] = args[nargs + k];
    }

    std::vector<const char*> missing;
    for (std::size_t index = 0; index < table.required; ++index) {
        if (slots[index] == nullptr) missing.push_back(table.names[index]);
    }
    if (!missing.empty()) {
        const std::string list = quoted_name_list(missing);
        PyErr_Format(PyExc_TypeError, "%s missing %zu required positional %s: %s",
                     table.display_name, missing.size(),
                     missing.size() == 1 ? "argument" : "arguments", list.c_str());
        return false;
    }
    return true;
}

bool extract(PyObject* object, std::uint64_t& out) {
    // Objects that are not ints go through their __index__ first, so a
    // float or a str fails with the interpreter's TypeError.
    PyRef index;
    if (!PyLong_Check(object)) {
        index.reset(PyNumber_Index(object));
        if (!index) return false;
        object = index.get();
    }
    const unsigned long long value = PyLong_AsUnsignedLongLong(object);
    if (value == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
    out = value;
    return true;
}

bool extract(PyObject* object, std::int64_t& out) {
    const long long value = PyLong_AsLongLong(object);
    if (value == -1 && PyErr_Occurred()) return false;
    out = value;
    return true;
}

bool extract(PyObject* object, double& out) {
    if (PyFloat_CheckExact(object)) {
        out = PyFloat_AS_DOUBLE(object);
        return true;
    }
    const double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) return false;
    out = value;
    return true;
}

bool extract(PyObject* object, std::vector<std::int64_t>& out) {
    return extract_sequence(object, out, [](PyObject* item, std::int64_t& value) {
        return extract(item, value);
    });
}

bool extract(PyObject* object, PointList& out) {
    switch (read_point_buffer(object, out)) {
        case BufferRead::read: return true;
        case BufferRead::failed: return false;
        case BufferRead::not_a_buffer: break;
    }
    return extract_sequence(object, out, extract_point);
}

void name_failed_argument(const char* name) noexcept {
    PyRef raised(PyErr_GetRaisedException());
    if (!raised) return;
    // Only TypeError itself is renamed: its subclasses, and every other
    // class, reach the caller exactly as they were raised.
    if (Py_TYPE(raised.get()) != reinterpret_cast<PyTypeObject*>(PyExc_TypeError)) {
        PyErr_SetRaisedException(raised.release());
        return;
    }
    PyRef message(PyUnicode_FromFormat("argument '%s': %S", name, raised.get()));
    if (!message) return;
    PyRef renamed(PyObject_CallOneArg(PyExc_TypeError, message.get()));
    if (!renamed) return;
    // The new exception stands in for the old one: it takes over the old
    // one's cause (possibly none), and the old one is not kept as context.
    PyException_SetCause(renamed.get(), PyException_GetCause(raised.get()));
    PyErr_SetRaisedException(renamed.release());
}

}  // namespace vantor::python
