#include "common/results.hpp"


#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"

namespace vantor::python {

void ensure_points_fit(std::uint64_t count) {
    ensure_fits_in_memory(point_list_peak_bytes(count));
}

PyRef point_list_to_python(std::span<const Point> points) {
    const CollectorPause pause;
    PyRef list(PyList_New(python_length(points.size())));
    if (!list) return {};
    Py_ssize_t position = 0;
    for (const Point& point : points) {
        if (interrupted_at(static_cast<std::size_t>(position))) return {};
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
