#include "vantor/functions.hpp"

#include <cstdint>
#include <expected>
#include <limits>
#include <utility>
#include <vector>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "construction.hpp"
#include "grids.hpp"
#include "utils/unit_distance.hpp"
#include "vantor/certified_dict.hpp"

namespace vantor::python {

namespace {

constexpr const char* kSquareGridNames[] = {"rows", "cols"};
constexpr const char* kTriangularGridNames[] = {"n_target"};
constexpr const char* kMultiquadraticNames[] = {"generators", "split_prime", "k", "n_target"};
constexpr const char* kCountNames[] = {"points", "tolerance"};

constexpr ParameterTable kSquareGridTable{"generate_square_grid()", kSquareGridNames, 2};
constexpr ParameterTable kTriangularGridTable{"generate_triangular_grid()", kTriangularGridNames,
                                            1};
constexpr ParameterTable kMultiquadraticTable{"generate_multiquadratic()", kMultiquadraticNames,
                                            4};
constexpr ParameterTable kCertifiedTable{"generate_multiquadratic_certified()",
                                       kMultiquadraticNames, 4};
constexpr ParameterTable kCountTable{"count_unit_distances()", kCountNames, 1};

constexpr double kDefaultTolerance = 1e-5;

// Work on fewer points than this is over in well under a millisecond: it
// runs on the calling thread (still without the interpreter lock) instead of
// on a worker thread that watches for signals.
constexpr std::uint64_t kLongWorkPoints = 1 << 16;

// The converted arguments of both multiquadratic functions.
struct MultiquadraticArguments {
    std::vector<std::int64_t> generators;
    std::int64_t split_prime = 0;
    std::uint64_t k = 0;
    std::uint64_t n_target = 0;
};

bool parse_multiquadratic(const ParameterTable& table, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames, MultiquadraticArguments& out) {
    PyObject* slots[4];
    return bind_arguments(table, args, nargs, kwnames, slots) &&
           extract_argument("generators", slots[0], out.generators) &&
           extract_argument("split_prime", slots[1], out.split_prime) &&
           extract_argument("k", slots[2], out.k) &&
           extract_argument("n_target", slots[3], out.n_target);
}

}  // namespace

PyObject* generate_square_grid(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2];
        std::uint64_t rows = 0;
        std::uint64_t cols = 0;
        if (!bind_arguments(kSquareGridTable, args, nargs, kwnames, slots) ||
            !extract_argument("rows", slots[0], rows) ||
            !extract_argument("cols", slots[1], cols)) {
            return {};
        }
        std::uint64_t count = 0;
        if (__builtin_mul_overflow(rows, cols, &count)) {
            count = std::numeric_limits<std::uint64_t>::max();  // far too large either way
        }
        ensure_points_fit(count);
        auto points = run_released([&] { return square_grid(rows, cols); }, count >= kLongWorkPoints);
        if (!points) return {};
        return point_list_to_python(*points);
    });
}

PyObject* generate_triangular_grid(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        std::uint64_t n_target = 0;
        if (!bind_arguments(kTriangularGridTable, args, nargs, kwnames, slots) ||
            !extract_argument("n_target", slots[0], n_target)) {
            return {};
        }
        ensure_points_fit(n_target);
        auto points = run_released([&] { return triangular_grid(n_target); }, n_target >= kLongWorkPoints);
        if (!points) return {};
        return point_list_to_python(*points);
    });
}

PyObject* generate_moser_spindle(PyObject*, PyObject*) {
    return run_translated([]() -> PyRef { return point_list_to_python(moser_spindle()); });
}

PyObject* generate_multiquadratic(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                  PyObject* kwnames) {
    return run_translated([&]() -> std::expected<PyRef, UnitDistanceError> {
        MultiquadraticArguments arguments;
        if (!parse_multiquadratic(kMultiquadraticTable, args, nargs, kwnames, arguments)) {
            return PyRef();
        }
        auto points = run_released([&]() -> Result<PointList> {
            auto request = multiquadratic_construction(std::move(arguments.generators),
                                                       arguments.split_prime, arguments.k);
            if (!request) return std::unexpected(std::move(request.error()));
            // The construction sizes the request once it has passed every
            // check, so that invalid arguments are reported as such whatever
            // n_target is.
            return generate_points(*request, arguments.n_target);
        });
        if (!points) return PyRef();
        if (!*points) return std::unexpected(std::move(points->error()));
        return point_list_to_python(**points);
    });
}

PyObject* generate_multiquadratic_certified(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                            PyObject* kwnames) {
    return run_translated([&]() -> std::expected<PyRef, LibraryError> {
        MultiquadraticArguments arguments;
        if (!parse_multiquadratic(kCertifiedTable, args, nargs, kwnames, arguments)) {
            return PyRef();
        }
        return certified_pipeline(std::move(arguments.generators), arguments.split_prime,
                                  arguments.k, arguments.n_target);
    });
}

PyObject* count_unit_distances(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2];
        PointList points;
        // An absent tolerance takes the default as it is; an explicit None
        // is an argument like any other and fails to convert.
        double tolerance = kDefaultTolerance;
        if (!bind_arguments(kCountTable, args, nargs, kwnames, slots) ||
            !extract_argument("points", slots[0], points)) {
            return {};
        }
        if (slots[1] != nullptr && !extract_argument("tolerance", slots[1], tolerance)) {
            return {};
        }
        auto count = run_released([&] { return vantor::count_unit_distances(points, tolerance); },
                                  points.size() >= kLongWorkPoints / 4);
        if (!count) return {};
        return count_to_python(*count);
    });
}

}  // namespace vantor::python
