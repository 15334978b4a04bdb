#include "common/results.hpp"

#include <algorithm>

#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"

namespace vantor::python {

namespace {

// Releases the last slice of an abandoned list and asks for another call
// until nothing is left. Runs with the interpreter lock, between bytecodes.
int release_slice(void* argument) {
    PyObject* list = static_cast<PyObject*>(argument);
    const Py_ssize_t size = PyList_GET_SIZE(list);
    const Py_ssize_t cut = std::max<Py_ssize_t>(
        0, size - static_cast<Py_ssize_t>(kItemsPerSignalCheck));
    // Deleting items of a list only frees them; it cannot fail.
    PyList_SetSlice(list, cut, size, nullptr);
    if (cut == 0 || Py_AddPendingCall(release_slice, list) != 0) Py_DECREF(list);
    return 0;
}

}  // namespace

void abandon_partial_list(PyRef list, std::size_t filled) noexcept {
    if (!list) return;
    // The items past `filled` were never set; the list is not yet visible
    // to anyone else, so it is cut to its filled part in place.
    Py_SET_SIZE(reinterpret_cast<PyVarObject*>(list.get()), static_cast<Py_ssize_t>(filled));
    if (filled <= 4 * kItemsPerSignalCheck) return;
    PyObject* raw = list.release();
    if (Py_AddPendingCall(release_slice, raw) != 0) Py_DECREF(raw);
}

void ensure_points_fit(std::uint64_t count) {
    ensure_fits_in_memory(point_list_peak_bytes(count));
}

PyRef point_list_to_python(std::span<const Point> points) {
    const CollectorPause pause;
    PyRef list(PyList_New(python_length(points.size())));
    if (!list) return {};
    Py_ssize_t position = 0;
    for (const Point& point : points) {
        if (interrupted_at(static_cast<std::size_t>(position))) {
            abandon_partial_list(std::move(list), static_cast<std::size_t>(position));
            return {};
        }
        PyRef x(PyFloat_FromDouble(point.x));
        if (!x) return {};
        PyRef pair = pair_to_python(std::move(x), PyRef(PyFloat_FromDouble(point.y)));
        if (!pair) return {};
        PyList_SET_ITEM(list.get(), position++, pair.release());
    }
    return list;
}

PyRef pair_to_python(PyRef first, PyRef second) {
    if (!first || !second) return {};
    PyObject* pair = PyTuple_New(2);
    if (pair == nullptr) return {};
    PyTuple_SET_ITEM(pair, 0, first.release());
    PyTuple_SET_ITEM(pair, 1, second.release());
    // A pair of numbers can be part of no reference cycle; left tracked,
    // millions of them would make the collector's next pass stop every
    // thread for a second. The collector untracks such tuples itself when
    // it meets them; this spares it the meeting.
    PyObject_GC_UnTrack(pair);
    return PyRef(pair);
}

PyRef count_to_python(std::uint64_t value) {
    return PyRef(PyLong_FromUnsignedLongLong(value));
}

}  // namespace vantor::python
