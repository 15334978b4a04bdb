// beam_search_densest_task(): one task of the Moser lattice search, with
// every densest set its pools hold, for the catalogue of densest sets.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "common/int64_table.hpp"
#include "record_search/beam_search.hpp"
#include "record_search/packed_point.hpp"
#include "record_search/search_state.hpp"
#include "record_search/search_tasks.hpp"
#include "vantor_tools_lattice/kernels.hpp"
#include "vantor_tools_lattice/record_search_functions.hpp"

namespace vantor::python {
namespace {

constexpr const char* kNames[] = {"n_max", "width", "seed", "sweeps", "task"};
constexpr ParameterTable kTable{"beam_search_densest_task()", kNames, 5};
constexpr const char* kPositionNames[] = {"coordinates"};
constexpr ParameterTable kPositionTable{"standard_position()", kPositionNames, 1};

PyRef densest_to_python(const std::vector<std::vector<records::FoundSet>>& found) {
    PyRef result(PyTuple_New(static_cast<Py_ssize_t>(found.size())));
    if (!result) return {};
    for (std::size_t n = 0; n < found.size(); ++n) {
        PyRef sets(PyTuple_New(static_cast<Py_ssize_t>(found[n].size())));
        if (!sets) return {};
        for (std::size_t k = 0; k < found[n].size(); ++k) {
            PyRef bytes = coordinates_to_bytes(found[n][k]);
            if (!bytes) return {};
            PyTuple_SET_ITEM(sets.get(), static_cast<Py_ssize_t>(k), bytes.release());
        }
        PyRef count = count_to_python(found[n].front().unit_distances);
        if (!count) return {};
        PyRef entry = pair_to_python(std::move(count), std::move(sets));
        if (!entry) return {};
        PyTuple_SET_ITEM(result.get(), static_cast<Py_ssize_t>(n), entry.release());
    }
    return result;
}

}  // namespace

const char kBeamSearchDensestTaskDoc[] =
    "beam_search_densest_task(n_max, width, seed, sweeps, task)\n"
    "--\n"
    "\n"
    "Task `task` of the Moser lattice search (as beam_search_task), keeping\n"
    "every set of the densest count its pools hold. Returns a tuple with one\n"
    "entry per size 1 .. n_max, each (unit_distances, sets), every set as\n"
    "bytes of little-endian int64 (a, b, c, d) per point, in standard\n"
    "position, one per congruence class.";

const char kStandardPositionDoc[] =
    "standard_position(coordinates)\n"
    "--\n"
    "\n"
    "The Moser lattice set of these (n, 4) coordinates in the standard position\n"
    "the search hands its sets out in: turned by the symmetry its fingerprint\n"
    "names, moved so that its lowest point is 0, sorted. Congruent sets come\n"
    "out equal (unless their fingerprints collide). ValueError for repeated\n"
    "points or coordinates beyond 12000 in magnitude.";

PyObject* standard_position(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                            PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        std::vector<records::SearchCoordinate> coordinates;
        if (!bind_arguments(kPositionTable, args, nargs, kwnames, slots) ||
            !table_from_python(slots[0], "argument 'coordinates'", coordinates)) {
            return {};
        }
        std::vector<records::PackedPoint> points;
        points.reserve(coordinates.size());
        for (const records::SearchCoordinate& c : coordinates) {
            if (!records::packable(c)) {
                PyErr_SetString(PyExc_ValueError, "coordinates beyond 12000 in magnitude");
                return {};
            }
            points.push_back(records::pack(c));
        }
        std::sort(points.begin(), points.end());
        if (std::adjacent_find(points.begin(), points.end()) != points.end() || points.empty()) {
            PyErr_SetString(PyExc_ValueError, "expected distinct points, at least one");
            return {};
        }
        auto placed = run_released(
            [&] { return records::standard_position(records::search_set_of(std::move(points))); });
        if (!placed) return {};
        return table_to_python(std::move(*placed));
    });
}

PyObject* beam_search_densest_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                   PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[5];
        records::BeamSearchOptions options;
        std::uint64_t task = 0;
        if (!bind_arguments(kTable, args, nargs, kwnames, slots) ||
            !extract_argument("n_max", slots[0], options.n_max) ||
            !extract_argument("width", slots[1], options.width) ||
            !extract_argument("seed", slots[2], options.seed) ||
            !extract_argument("sweeps", slots[3], options.sweeps) ||
            !extract_argument("task", slots[4], task)) {
            return {};
        }
        if (auto valid = records::check_search_request(options); !valid) {
            const std::string message = valid.error().message();
            PyErr_SetString(PyExc_ValueError, message.c_str());
            return {};
        }
        auto found = run_released(
            [&] { return records::beam_search_densest(records::task_options(options, task)); });
        if (!found) return {};
        return densest_to_python(*found);
    });
}

}  // namespace vantor::python
