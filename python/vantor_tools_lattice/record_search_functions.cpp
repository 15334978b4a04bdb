#include "vantor_tools_lattice/record_search_functions.hpp"

#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/progress.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "record_search/atlas.hpp"
#include "record_search/beam_search.hpp"
#include "record_search/search_tasks.hpp"
#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice_set.hpp"
#include "vantor_tools_lattice/lattice_dict.hpp"

namespace vantor::python {

const char kBeamSearchDoc[] =
    "beam_search(n_max, width=500, seed=0, sweeps=3, tasks=1, progress=None)\n"
    "--\n"
    "\n"
    "The Moser lattice search run here, its tasks one after another on all\n"
    "threads; vantor_tools.records.beam_search() describes it and also runs\n"
    "the tasks through an executor. `progress` counts the passes over a\n"
    "pool. Returns a dict mapping n to a result dictionary, every set checked\n"
    "exactly.";

const char kCheckSearchRequestDoc[] =
    "check_search_request(n_max, width, seed, sweeps, tasks)\n"
    "--\n"
    "\n"
    "None when beam_search() accepts these arguments; otherwise the\n"
    "TypeError, OverflowError or ValueError it raises for them.";

const char kMergeSearchTasksDoc[] =
    "merge_search_tasks(n_max, results)\n"
    "--\n"
    "\n"
    "The result of a search from what its tasks returned (a sequence, task\n"
    "k's beam_search_task result at position k): for each size the densest\n"
    "set, the lowest task among equals, every set checked exactly. ValueError\n"
    "names a task whose result is not of beam_search_task's form;\n"
    "RuntimeError a set that fails its exact check or its claimed count.";

const char kBeamSearchTaskDoc[] =
    "beam_search_task(n_max, width, seed, sweeps, task)\n"
    "--\n"
    "\n"
    "One task of beam_search(): the search under the seed of task `task`.\n"
    "\n"
    "Returns a tuple with one entry per size 1 .. n_max, each a pair\n"
    "(unit_distances, coordinates), the coordinates as bytes of little-endian\n"
    "int64 (a, b, c, d) per point. beam_search() submits this function to an\n"
    "executor and checks every set it gets back exactly.";

const char kLatticeSearchTaskDoc[] =
    "lattice_search_task(n_max, width, seed, sweeps, task, steps, symmetries, progress=None)\n"
    "--\n"
    "\n"
    "One task of the beam search in any search lattice of rank at most 4:\n"
    "`steps` is a (k, 4) int64 table of the unit steps, `symmetries` an\n"
    "(S, 16) int64 table, row g the images of the four coordinate vectors\n"
    "under symmetry g (the first the identity, S <= 12). Returns what\n"
    "beam_search_task returns, in the lattice's coordinates; with the Moser\n"
    "lattice's steps and symmetries it is beam_search_task's result.\n"
    "`progress` as for beam_search. Raises ValueError for tables that are no\n"
    "search lattice.";

const char kMoserAtlasDoc[] =
    "moser_atlas(n)\n"
    "--\n"
    "\n"
    "The atlas set of n points: the densest set of n points the Moser lattice\n"
    "searches found, as stored with the package (n from 1 to the atlas's\n"
    "last size) and checked exactly when the atlas is first read.\n"
    "\n"
    "Returns a result dictionary as beam_search() does, with 'shape' 'atlas'.\n"
    "Raises ValueError for an n outside the atlas.";

namespace {

constexpr const char* kAtlasNames[] = {"n"};
constexpr ParameterTable kAtlasTable{"moser_atlas()", kAtlasNames, 1};

constexpr const char* kSearchNames[] = {"n_max", "width", "seed", "sweeps", "tasks",
                                        "progress"};
constexpr const char* kCheckNames[] = {"n_max", "width", "seed", "sweeps", "tasks"};
constexpr const char* kMergeNames[] = {"n_max", "results"};
constexpr const char* kTaskNames[] = {"n_max", "width", "seed", "sweeps", "task"};
constexpr const char* kLatticeTaskNames[] = {"n_max", "width", "seed",       "sweeps",
                                             "task",  "steps", "symmetries", "progress"};
constexpr ParameterTable kLatticeTaskTable{"lattice_search_task()", kLatticeTaskNames, 7};
constexpr ParameterTable kSearchTable{"beam_search()", kSearchNames, 1};
constexpr ParameterTable kTaskTable{"beam_search_task()", kTaskNames, 5};
constexpr ParameterTable kCheckTable{"check_search_request()", kCheckNames, 5};
constexpr ParameterTable kMergeTable{"merge_search_tasks()", kMergeNames, 2};

constexpr std::uint64_t kDefaultWidth = 500;
constexpr std::uint64_t kDefaultSweeps = 3;
constexpr std::uint64_t kMaxTasks = 1 << 16;

void raise_lattice_error(const lattice_sets::LatticeError& error) {
    const std::string message = error.message();
    PyErr_SetString(error.is_request_error() ? PyExc_ValueError : PyExc_RuntimeError,
                    message.c_str());
}

void raise_atlas_error(const records::AtlasError& error) {
    const std::string message = error.message();
    PyErr_SetString(PyExc_RuntimeError, message.c_str());
}

// Reads optional unsigned arguments: slots left empty keep their default.
bool read_options(PyObject* const* slots, records::BeamSearchOptions& options) {
    return extract_argument("n_max", slots[0], options.n_max) &&
           (slots[1] == nullptr || extract_argument("width", slots[1], options.width)) &&
           (slots[2] == nullptr || extract_argument("seed", slots[2], options.seed)) &&
           (slots[3] == nullptr || extract_argument("sweeps", slots[3], options.sweeps));
}

bool check_request(const records::BeamSearchOptions& options) {
    if (auto valid = records::check_search_request(options); !valid) {
        raise_lattice_error(valid.error());
        return false;
    }
    return true;
}

}  // namespace

// ---- the task result, a plain picklable value -------------------------------

PyRef int64_bytes(std::span<const std::int64_t> values) {
    std::string bytes;
    bytes.reserve(8 * values.size());
    for (const std::int64_t value : values) {
        auto word = static_cast<std::uint64_t>(value);
        for (int k = 0; k < 8; ++k, word >>= 8) bytes.push_back(static_cast<char>(word & 0xff));
    }
    return PyRef(PyBytes_FromStringAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size())));
}

PyRef coordinates_to_bytes(const records::FoundSet& set) {
    return int64_bytes(records::flat_rows(set.coordinates));
}

namespace {

std::int64_t read_little_endian(const char* bytes) {
    std::uint64_t word = 0;
    for (int k = 7; k >= 0; --k) word = word << 8 | static_cast<unsigned char>(bytes[k]);
    return static_cast<std::int64_t>(word);
}

PyRef found_to_python(const std::vector<records::FoundSet>& found) {
    PyRef result(PyTuple_New(static_cast<Py_ssize_t>(found.size())));
    if (!result) return {};
    for (std::size_t k = 0; k < found.size(); ++k) {
        PyRef count(PyLong_FromUnsignedLongLong(found[k].unit_distances));
        PyRef points = coordinates_to_bytes(found[k]);
        if (!count || !points) return {};
        PyRef entry = pair_to_python(std::move(count), std::move(points));
        if (!entry) return {};
        PyTuple_SET_ITEM(result.get(), static_cast<Py_ssize_t>(k), entry.release());
    }
    return result;
}

// Reads what beam_search_task returned for task `task`; ValueError naming
// the task when it is not n_max pairs (count, bytes of n points).
bool found_from_python(PyObject* value, std::uint64_t n_max, std::uint64_t task,
                       std::vector<records::FoundSet>& out) {
    const auto malformed = [task] {
        PyErr_Format(PyExc_ValueError,
                     "task %llu returned something other than beam_search_task's result",
                     static_cast<unsigned long long>(task));
        return false;
    };
    PyRef sequence(PySequence_Fast(value, "not a sequence"));
    if (!sequence) {
        PyErr_Clear();
        return malformed();
    }
    if (static_cast<std::uint64_t>(PySequence_Fast_GET_SIZE(sequence.get())) != n_max) {
        return malformed();
    }
    out.resize(n_max);
    for (std::uint64_t n = 1; n <= n_max; ++n) {
        PyObject* entry = PySequence_Fast_GET_ITEM(sequence.get(), static_cast<Py_ssize_t>(n - 1));
        if (!PyTuple_Check(entry) || PyTuple_GET_SIZE(entry) != 2 ||
            !PyBytes_Check(PyTuple_GET_ITEM(entry, 1))) {
            return malformed();
        }
        if (!extract(PyTuple_GET_ITEM(entry, 0), out[n - 1].unit_distances)) {
            PyErr_Clear();
            return malformed();
        }
        PyObject* bytes = PyTuple_GET_ITEM(entry, 1);
        if (static_cast<std::uint64_t>(PyBytes_GET_SIZE(bytes)) != 32 * n) return malformed();
        const char* data = PyBytes_AS_STRING(bytes);
        auto& coordinates = out[n - 1].coordinates;
        coordinates.resize(n);
        for (std::uint64_t k = 0; k < n; ++k) {
            const char* at = data + 32 * k;
            coordinates[k] = {read_little_endian(at), read_little_endian(at + 8),
                              read_little_endian(at + 16), read_little_endian(at + 24)};
        }
    }
    return true;
}

// ---- the finished result -----------------------------------------------------

// Every merged set checked exactly: the point set is built and verified,
// and the count the search claimed must be its exact count.
struct CheckedSets {
    std::vector<unit_lattices::UnitLatticeSet> sets;
    std::string fault;  // empty when every set passed
};

CheckedSets check_found(std::vector<records::FoundSet> found) {
    CheckedSets checked;
    checked.sets.reserve(found.size());
    for (records::FoundSet& set : found) {
        const std::uint64_t n = set.coordinates.size();
        auto built = unit_lattices::checked_unit_lattice_set(unit_lattices::moser_lattice(),
                                                             records::flat_rows(set.coordinates));
        if (!built) {
            checked.fault = "the search's set of " + std::to_string(n) +
                            " points fails its exact check: " + built.error().message();
            return checked;
        }
        if (built->edges.size() != set.unit_distances) {
            checked.fault = "the search's set of " + std::to_string(n) + " points claims " +
                            std::to_string(set.unit_distances) + " unit distances but has " +
                            std::to_string(built->edges.size());
            return checked;
        }
        checked.sets.push_back(std::move(*built));
    }
    return checked;
}

PyRef sets_to_python(CheckedSets checked) {
    if (!checked.fault.empty()) {
        PyErr_SetString(PyExc_RuntimeError, checked.fault.c_str());
        return {};
    }
    PyRef result(PyDict_New());
    if (!result) return {};
    for (unit_lattices::UnitLatticeSet& set : checked.sets) {
        PyRef n(PyLong_FromSize_t(set.points.size()));
        PyRef entry = moser_set_to_python(std::move(set), "search");
        if (!n || !entry || PyDict_SetItem(result.get(), n.get(), entry.get()) != 0) return {};
    }
    return result;
}

// ---- the search run here ------------------------------------------------------

PyRef search_here(const records::BeamSearchOptions& options, std::uint64_t tasks,
                  ProgressReport& report) {
    std::atomic<std::uint64_t> done{0};
    auto checked = run_released_ticking(
        [&] {
            std::vector<std::vector<records::FoundSet>> results;
            for (std::uint64_t task = 0; task < tasks; ++task) {
                results.push_back(
                    records::beam_search(records::task_options(options, task), &done));
            }
            return check_found(records::merge_results(results));
        },
        [&] { return report.update(done.load(std::memory_order_relaxed)); });
    if (!checked || !report.finish()) return {};
    return sets_to_python(std::move(*checked));
}

// Reads the search's arguments from slots (n_max, width, seed, sweeps,
// tasks; the last four optional) and checks them.
bool read_request(PyObject* const* slots, records::BeamSearchOptions& options,
                  std::uint64_t& tasks) {
    options.width = kDefaultWidth;
    options.sweeps = kDefaultSweeps;
    tasks = 1;
    if (!read_options(slots, options) ||
        (slots[4] != nullptr && !extract_argument("tasks", slots[4], tasks))) {
        return false;
    }
    if (!check_request(options)) return false;
    if (tasks < 1 || tasks > kMaxTasks) {
        raise_lattice_error(
            lattice_sets::LatticeError{
                lattice_sets::ParameterOutOfRange{"tasks", tasks, 1, kMaxTasks}});
        return false;
    }
    return true;
}

}  // namespace

PyObject* beam_search(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[6] = {};
        records::BeamSearchOptions options;
        std::uint64_t tasks = 1;
        if (!bind_arguments(kSearchTable, args, nargs, kwnames, slots) ||
            !read_request(slots, options, tasks)) {
            return {};
        }
        ProgressReport report;
        if (!report.open(slots[5], "beam search", tasks * records::search_steps(options))) {
            return {};
        }
        return search_here(options, tasks, report);
    });
}

PyObject* check_search_request(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[5] = {};
        records::BeamSearchOptions options;
        std::uint64_t tasks = 1;
        if (!bind_arguments(kCheckTable, args, nargs, kwnames, slots) ||
            !read_request(slots, options, tasks)) {
            return {};
        }
        return PyRef(Py_NewRef(Py_None));
    });
}

PyObject* merge_search_tasks(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2] = {};
        std::uint64_t n_max = 0;
        if (!bind_arguments(kMergeTable, args, nargs, kwnames, slots) ||
            !extract_argument("n_max", slots[0], n_max)) {
            return {};
        }
        if (n_max < 1 || n_max > records::kMaxSearchPoints) {
            raise_lattice_error(lattice_sets::LatticeError{
                lattice_sets::ParameterOutOfRange{"n_max", n_max, 1, records::kMaxSearchPoints}});
            return {};
        }
        PyRef sequence(PySequence_Fast(slots[1], "argument 'results' must be a sequence"));
        if (!sequence) return {};
        const auto tasks = static_cast<std::uint64_t>(PySequence_Fast_GET_SIZE(sequence.get()));
        if (tasks < 1) {
            PyErr_SetString(PyExc_ValueError, "argument 'results' is empty");
            return {};
        }
        std::vector<std::vector<records::FoundSet>> results(tasks);
        for (std::uint64_t task = 0; task < tasks; ++task) {
            PyObject* value = PySequence_Fast_GET_ITEM(sequence.get(), static_cast<Py_ssize_t>(task));
            if (!found_from_python(value, n_max, task, results[task])) return {};
        }
        auto checked = run_released([&] { return check_found(records::merge_results(results)); });
        if (!checked) return {};
        return sets_to_python(std::move(*checked));
    });
}

PyObject* beam_search_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[5] = {};
        records::BeamSearchOptions options;
        std::uint64_t task = 0;
        if (!bind_arguments(kTaskTable, args, nargs, kwnames, slots) ||
            !read_options(slots, options) || !extract_argument("task", slots[4], task)) {
            return {};
        }
        if (!check_request(options)) return {};
        auto found = run_released(
            [&] { return records::beam_search(records::task_options(options, task)); });
        if (!found) return {};
        return found_to_python(*found);
    });
}

namespace {

struct StepRow {
    std::int64_t a, b, c, d;
};

// The search lattice of the tables; ValueError when they are none.
std::optional<records::SearchLattice> search_lattice_from(PyObject* steps_object,
                                                          PyObject* symmetries_object) {
    std::vector<StepRow> step_rows;
    std::vector<StepRow> image_rows;
    if (!table_from_python(steps_object, "argument 'steps'", step_rows) ||
        !table_from_python(symmetries_object, "argument 'symmetries'", image_rows)) {
        return std::nullopt;
    }
    if (image_rows.size() % 4 != 0) {
        PyErr_SetString(PyExc_ValueError,
                        "argument 'symmetries': four rows (the images of the coordinate "
                        "vectors) per symmetry");
        return std::nullopt;
    }
    std::vector<records::SearchCoordinate> steps;
    for (const StepRow& r : step_rows) steps.push_back({r.a, r.b, r.c, r.d});
    std::vector<std::array<records::SearchCoordinate, 4>> columns;
    for (std::size_t g = 0; g < image_rows.size(); g += 4) {
        std::array<records::SearchCoordinate, 4> images;
        for (std::size_t k = 0; k < 4; ++k) {
            const StepRow& r = image_rows[g + k];
            images[k] = {r.a, r.b, r.c, r.d};
        }
        columns.push_back(images);
    }
    auto built = records::SearchLattice::from_tables(std::move(steps), std::move(columns));
    if (!built) {
        PyErr_SetString(PyExc_ValueError, built.error().c_str());
        return std::nullopt;
    }
    return std::move(*built);
}

}  // namespace

PyObject* lattice_search_task(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[8] = {};
        records::BeamSearchOptions options;
        std::uint64_t task = 0;
        if (!bind_arguments(kLatticeTaskTable, args, nargs, kwnames, slots) ||
            !read_options(slots, options) || !extract_argument("task", slots[4], task)) {
            return {};
        }
        if (!check_request(options)) return {};
        std::optional<records::SearchLattice> lattice = search_lattice_from(slots[5], slots[6]);
        if (!lattice) return {};
        const records::BeamSearchOptions task_request = records::task_options(options, task);
        ProgressReport report;
        if (!report.open(slots[7], "beam search", records::search_steps(task_request))) return {};
        std::atomic<std::uint64_t> done{0};
        auto found = run_released_ticking(
            [&] { return records::beam_search(task_request, *lattice, &done); },
            [&] { return report.update(done.load(std::memory_order_relaxed)); });
        if (!found || !report.finish()) return {};
        return found_to_python(*found);
    });
}

PyObject* moser_atlas(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        std::uint64_t n = 0;
        if (!bind_arguments(kAtlasTable, args, nargs, kwnames, slots) ||
            !extract_argument("n", slots[0], n)) {
            return {};
        }
        const auto read = run_released([] { return &records::stored_atlas(); });
        if (!read) return {};
        const auto* atlas = *read;
        if (!*atlas) {
            raise_atlas_error(atlas->error());
            return {};
        }
        if (n < 1 || n > (*atlas)->size()) {
            raise_lattice_error(lattice_sets::LatticeError{
                lattice_sets::ParameterOutOfRange{"n", n, 1, (*atlas)->size()}});
            return {};
        }
        return moser_set_to_python((**atlas)[n - 1], "atlas");
    });
}

}  // namespace vantor::python
