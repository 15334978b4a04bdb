#include "common/results.hpp"

#include <limits>
#include <variant>

#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"

namespace vantor::python {

void ensure_points_fit(std::uint64_t count) {
    ensure_fits_in_memory(point_list_peak_bytes(count));
}

void ensure_multiquadratic_fits(const Construction& request, std::uint64_t n_target,
                                bool certified) {
    const std::uint64_t generators = std::get<Multiquadratic>(request).params.generators.size();
    // A valid field has at most 21 generators; anything beyond cannot fit.
    constexpr std::uint64_t kTooLarge = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t degree = generators < 64 ? std::uint64_t{1} << generators : kTooLarge;
    ensure_fits_in_memory(multiquadratic_peak_bytes(degree, n_target, certified));
}

PyRef point_list_to_python(std::span<const Point> points) {
    const CollectorPause pause;
    PyRef list(PyList_New(python_length(points.size())));
    if (!list) return {};
    Py_ssize_t position = 0;
    for (const Point& point : points) {
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
    return PyRef(pair);
}

PyRef count_to_python(std::uint64_t value) {
    return PyRef(PyLong_FromUnsignedLongLong(value));
}

}  // namespace vantor::python
