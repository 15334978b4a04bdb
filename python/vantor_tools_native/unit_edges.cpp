// unit_edges(): the edge list behind count_unit_distances(), as a table.

#include <cstdint>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/released.hpp"
#include "utils/unit_distance.hpp"
#include "vantor_tools_native/functions.hpp"

namespace vantor::python {
namespace {

constexpr const char* kNames[] = {"points", "tolerance"};
constexpr ParameterTable kTable{"unit_edges()", kNames, 1};
constexpr double kDefaultTolerance = 1e-5;

// While the edges are collected each one is held as a packed key, a sort
// buffer and its row of the table: the collection stops with MemoryError
// before that outgrows the memory available.
constexpr std::uint64_t kBytesPerEdge = 32;

// Work on fewer points than this runs on the calling thread (still without
// the interpreter lock).
constexpr std::uint64_t kLongWorkPoints = 1 << 14;

}  // namespace

const char kUnitEdgesDoc[] =
    "unit_edges(points, tolerance=1e-5)\n"
    "--\n"
    "\n"
    "Every pair of points at distance 1 within `tolerance`, as a table.\n"
    "\n"
    "Takes the points as vantor.count_unit_distances() does (a list of (x, y)\n"
    "tuples or an (N, 2) buffer such as a numpy array) and applies the same\n"
    "pair test: (i, j) is an edge when (1 - t)^2 <= dx^2 + dy^2 <= (1 + t)^2\n"
    "(so a tolerance of 1 or more takes every pair up to distance 1 + t, and\n"
    "no pair with a NaN coordinate is an edge). The number of edges equals\n"
    "count_unit_distances(points, tolerance) for every input.\n"
    "\n"
    "Returns a read-only table of shape (E, 2) (int64), one row (i, j) per\n"
    "edge with i < j, sorted by i then j: iterating or indexing it gives\n"
    "(i, j) tuples, .tolist() gives lists, numpy.asarray() and memoryview()\n"
    "read it without copying. Runs without the\n"
    "interpreter lock; Ctrl-C stops it. Raises MemoryError when the edges\n"
    "cannot fit in memory.";

PyObject* unit_edges(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2];
        PointList points;
        double tolerance = kDefaultTolerance;
        if (!bind_arguments(kTable, args, nargs, kwnames, slots) ||
            !extract_argument("points", slots[0], points)) {
            return {};
        }
        if (slots[1] != nullptr && !extract_argument("tolerance", slots[1], tolerance)) {
            return {};
        }
        auto edges = run_released(
            [&] {
                EdgeList found =
                    find_unit_edges(points, unit_distance_bounds(tolerance), kBytesPerEdge);
                PointList().swap(points);
                return found;
            },
            points.size() >= kLongWorkPoints);
        if (!edges) return {};
        return table_to_python(std::move(*edges));
    });
}

}  // namespace vantor::python
