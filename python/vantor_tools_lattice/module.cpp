// The vantor_tools._lattice extension module: the lattice kernels behind
// vantor_tools.lattice and vantor_tools.records (lattice point sets with
// many unit distances, the Moser lattice search and its atlas, their exact
// check) and the module's initialisation. It shares the binding helpers of
// python/common with the other extension modules.

#include <Python.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/module_init.hpp"
#include "common/py_ref.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "lattice_sets/exact_verification.hpp"
#include "lattice_sets/lattice_construction.hpp"
#include "record_search/atlas.hpp"
#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice_set.hpp"
#include "utils/memory_budget.hpp"
#include "vantor_tools_lattice/lattice_dict.hpp"
#include "common/int64_table.hpp"
#include "vantor_tools_lattice/kernels.hpp"
#include "vantor_tools_lattice/record_search_functions.hpp"
#include "vantor_tools_lattice/unit_lattice_functions.hpp"

namespace vantor::python {

namespace {

constexpr char kModuleDoc[] =
    "The lattice kernels behind vantor_tools.lattice and vantor_tools.records:\n"
    "lattice point sets with many unit distances, checked exactly.\n"
    "\n"
    "Points of the square lattice Z^2 or of the Eisenstein integers (the\n"
    "triangular lattice) are joined when their difference has norm m and\n"
    "scaled by 1/sqrt(m), so the joined pairs are at distance exactly 1.\n"
    "Coordinates (a, b) stand for a*e1 + b*e2 with e1 = (1, 0) and\n"
    "e2 = (0, 1) (square, norm a^2 + b^2) or e2 = (1/2, sqrt(3)/2)\n"
    "(eisenstein, norm a^2 + a*b + b^2). For small n the densest sets known\n"
    "lie in the Moser lattice, the integer span of the unit vectors of the\n"
    "Moser spindle: beam_search() searches it, and best() draws on an atlas\n"
    "of the densest sets that search found. Every result is re-checked in\n"
    "exact integer arithmetic before it is returned. The work runs without\n"
    "the interpreter lock, and Ctrl-C stops it with KeyboardInterrupt.";

constexpr char kSquareDoc[] =
    "square_lattice(n, m=None, shape=None)\n"
    "--\n"
    "\n"
    "Exactly n points of the square lattice Z^2 with many unit distances.\n"
    "\n"
    "* `n`: the number of points.\n"
    "* `m`: the norm a^2 + b^2 of the differences that become unit distances;\n"
    "  None picks the best of the candidate norms (products of primes 1 mod 4,\n"
    "  and twice those).\n"
    "* `shape`: 'disk', 'square' or 'diamond'; None picks the best.\n"
    "\n"
    "The patch may be cut a little larger and trimmed back to n by removing\n"
    "its least connected points. Returns the result dictionary described in\n"
    "best(). Raises ValueError for an m that is not a norm of the lattice or\n"
    "an unknown shape.";

constexpr char kEisensteinDoc[] =
    "eisenstein_lattice(n, m=None, shape=None)\n"
    "--\n"
    "\n"
    "Exactly n points of the Eisenstein integers with many unit distances.\n"
    "\n"
    "* `n`: the number of points.\n"
    "* `m`: the norm a^2 + a*b + b^2 of the differences that become unit\n"
    "  distances; None picks the best of the candidate norms (products of\n"
    "  primes 1 mod 3, and three times those).\n"
    "* `shape`: 'disk', 'hexagon' or 'turned_hexagon'; None picks the best.\n"
    "\n"
    "Returns the result dictionary described in best(). Raises ValueError\n"
    "for an m that is not a norm of the lattice or an unknown shape.";

constexpr char kBestDoc[] =
    "best_lattice(n)\n"
    "--\n"
    "\n"
    "Exactly n points with the most unit distances over both lattices, their\n"
    "shapes and candidate norms (vantor_tools.records.best() also draws on\n"
    "the Moser lattice and its records table).\n"
    "\n"
    "Returns a dict:\n"
    "\n"
    "* 'family': 'square' or 'eisenstein'; 'shape': the patch shape;\n"
    "* 'm': the norm of the differences that are unit distances;\n"
    "* 'points': list of n (x, y) float tuples, point k being coordinates[k]\n"
    "  scaled by 1/sqrt(m), as count_unit_distances() takes them;\n"
    "* 'coordinates': table of shape (n, 2), int64, the lattice\n"
    "  coordinates (a, b) in row-major order (by b, then a);\n"
    "* 'edges': table of shape (E, 2), int64, every pair (i, j), i < j,\n"
    "  whose difference has norm m, sorted;\n"
    "* 'unit_distances': E;\n"
    "* 'verified': True, set only after every edge was re-checked in exact\n"
    "  integer arithmetic, every float point was recomputed bit for bit, and\n"
    "  the pairs at norm m were recounted.";

constexpr char kVerifyDoc[] =
    "verify(result)\n"
    "--\n"
    "\n"
    "Re-check a result dictionary exactly; return True or raise ValueError.\n"
    "\n"
    "Reads 'family', 'm', 'coordinates', 'points' and 'edges' (any C-contiguous\n"
    "(rows, 2) int64 buffers for the tables, e.g. numpy arrays) and checks\n"
    "that every point is its lattice point scaled by 1/sqrt(m) bit for bit,\n"
    "that the points are distinct, that every edge (i, j) has i < j < n, comes\n"
    "in sorted order and joins points whose difference has norm exactly m,\n"
    "and that no pair at norm m is missing. For 'moser' ('m' is not read;\n"
    "'coordinates' has four columns) every edge must join points at distance\n"
    "exactly 1 (144 |z|^2 = R + S*sqrt(33) with R = 144, S = 0, in integers),\n"
    "and every pair of points that rounding cannot rule out is tested the\n"
    "same way, so that no unit pair is missing. The ValueError names the\n"
    "first fault found; a missing key raises KeyError, a value of the wrong\n"
    "kind TypeError.";

constexpr const char* kFamilyNames[] = {"n", "m", "shape"};
constexpr const char* kBestNames[] = {"n"};
constexpr const char* kVerifyNames[] = {"result"};

constexpr ParameterTable kSquareTable{"square_lattice()", kFamilyNames, 1};
constexpr ParameterTable kEisensteinTable{"eisenstein_lattice()", kFamilyNames, 1};
constexpr ParameterTable kBestTable{"best_lattice()", kBestNames, 1};
constexpr ParameterTable kVerifyTable{"verify()", kVerifyNames, 1};

// Work on this many points (or edges) runs on a worker thread that Ctrl-C
// can stop; smaller work runs on the calling thread, still without the
// interpreter lock.
constexpr std::uint64_t kLongWorkPoints = 4096;
constexpr std::uint64_t kLongWorkEdges = 1 << 16;

// Request errors are the caller's: ValueError. Anything the exact check
// finds in a set just built is a fault of this library: RuntimeError.
void raise_lattice_error(const lattice_sets::LatticeError& error, PyObject* request_type) {
    const std::string message = error.message();
    PyErr_SetString(error.is_request_error() ? request_type : PyExc_RuntimeError,
                    message.c_str());
}

PyRef finish(std::expected<lattice_sets::LatticePointSet, lattice_sets::LatticeError> built) {
    if (!built) {
        raise_lattice_error(built.error(), PyExc_ValueError);
        return {};
    }
    return lattice_set_to_python(std::move(*built));
}

PyObject* family_lattice(const ParameterTable& table, const lattice_sets::PlaneLattice& plane,
                         PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[3];
        std::uint64_t n = 0;
        if (!bind_arguments(table, args, nargs, kwnames, slots) ||
            !extract_argument("n", slots[0], n)) {
            return {};
        }
        std::optional<std::uint64_t> m;
        if (slots[1] != nullptr && slots[1] != Py_None) {
            std::uint64_t value = 0;
            if (!extract_argument("m", slots[1], value)) return {};
            m = value;
        }
        std::optional<lattice_sets::PatchShape> shape;
        if (slots[2] != nullptr && slots[2] != Py_None) {
            if (!PyUnicode_Check(slots[2])) {
                PyErr_Format(PyExc_TypeError, "argument 'shape': expected str or None, not %.100s",
                             Py_TYPE(slots[2])->tp_name);
                return {};
            }
            Py_ssize_t length = 0;
            const char* text = PyUnicode_AsUTF8AndSize(slots[2], &length);
            if (text == nullptr) return {};
            shape = lattice_sets::shape_from_name(
                std::string_view(text, static_cast<std::size_t>(length)));
            if (!shape) {
                PyErr_Format(PyExc_ValueError, "unknown shape %R", slots[2]);
                return {};
            }
        }
        ensure_points_fit(n);
        auto built = run_released(
            [&] { return lattice_sets::lattice_point_set(plane, n, m, shape); },
            n >= kLongWorkPoints);
        if (!built) return {};
        return finish(std::move(*built));
    });
}

PyObject* square_lattice(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return family_lattice(kSquareTable, lattice_sets::kSquareLattice, args, nargs, kwnames);
}

PyObject* eisenstein_lattice(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return family_lattice(kEisensteinTable, lattice_sets::kEisensteinLattice, args, nargs,
                          kwnames);
}

// A lattice set of n points takes about this much memory while it is built
// (patches, trims, edges, the point list): requests beyond what is available
// fail at once.
constexpr std::uint64_t kBestBytesPerPoint = 1024;

PyObject* best_lattice(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        std::uint64_t n = 0;
        if (!bind_arguments(kBestTable, args, nargs, kwnames, slots) ||
            !extract_argument("n", slots[0], n)) {
            return {};
        }
        ensure_points_fit(n);
        ensure_fits_in_memory(n, kBestBytesPerPoint);
        auto built = run_released([&] { return lattice_sets::best_lattice_point_set(n); },
                                  n >= kLongWorkPoints);
        if (!built) return {};
        return finish(std::move(*built));
    });
}

PyObject* verify(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        if (!bind_arguments(kVerifyTable, args, nargs, kwnames, slots)) return {};
        LatticeSetInput input;
        if (!lattice_set_from_python(slots[0], input)) return {};
        // The fault's message, empty when the set passed.
        const auto checked = run_released(
            [&]() -> std::string {
                if (input.moser) {
                    const auto moser = unit_lattices::verify_unit_lattice_set(
                        unit_lattices::moser_lattice(), 4, input.moser_coordinates, input.points,
                        input.edges);
                    return moser ? std::string() : moser.error().message();
                }
                const auto plane = lattice_sets::verify_lattice_set(
                    *input.plane, input.m, input.coordinates, input.points, input.edges);
                return plane ? std::string() : plane.error().message();
            },
            input.edges.size() >= kLongWorkEdges || input.points.size() >= kLongWorkPoints);
        // The copies of a large result are freed without the interpreter lock.
        Py_BEGIN_ALLOW_THREADS
        input = LatticeSetInput{};
        Py_END_ALLOW_THREADS
        if (!checked) return {};
        if (!checked->empty()) {
            PyErr_SetString(PyExc_ValueError, checked->c_str());
            return {};
        }
        return PyRef(Py_NewRef(Py_True));
    });
}

// In registration order, which is the order of __all__; no sentinel: the
// functions are added one by one.
PyMethodDef functions[] = {
    {"square_lattice", as_cfunction(square_lattice), kFastCall, kSquareDoc},
    {"eisenstein_lattice", as_cfunction(eisenstein_lattice), kFastCall, kEisensteinDoc},
    {"best_lattice", as_cfunction(best_lattice), kFastCall, kBestDoc},
    {"verify", as_cfunction(verify), kFastCall, kVerifyDoc},
    {"moser_atlas", as_cfunction(moser_atlas), kFastCall, kMoserAtlasDoc},
    {"beam_search", as_cfunction(beam_search), kFastCall, kBeamSearchDoc},
    {"beam_search_task", as_cfunction(beam_search_task), kFastCall, kBeamSearchTaskDoc},
    {"check_search_request", as_cfunction(check_search_request), kFastCall,
     kCheckSearchRequestDoc},
    {"merge_search_tasks", as_cfunction(merge_search_tasks), kFastCall, kMergeSearchTasksDoc},
    {"beam_search_densest_task", as_cfunction(beam_search_densest_task), kFastCall,
     kBeamSearchDensestTaskDoc},
    {"lattice_patch", as_cfunction(lattice_patch), kFastCall, kLatticePatchDoc},
    {"unit_steps", as_cfunction(unit_steps), kFastCall, kUnitStepsDoc},
    {"plane_lattices", as_cfunction(plane_lattices), METH_NOARGS, kPlaneLatticesDoc},
    {"peel_order", as_cfunction(peel_order), kFastCall, kPeelOrderDoc},
    {"grow", as_cfunction(grow), kFastCall, kGrowDoc},
    {"lattice_set", as_cfunction(lattice_set), kFastCall, kLatticeSetDoc},
    {"standard_position", as_cfunction(standard_position), kFastCall, kStandardPositionDoc},
    {"unit_lattice", as_cfunction(unit_lattice), kFastCall, kUnitLatticeDoc},
    {"lattice_search_task", as_cfunction(lattice_search_task), kFastCall, kLatticeSearchTaskDoc},
    {"unit_lattice_patch", as_cfunction(unit_lattice_patch), kFastCall, kUnitLatticePatchDoc},
    {"unit_lattice_set", as_cfunction(unit_lattice_set), kFastCall, kUnitLatticeSetDoc},
    {"unit_lattice_verify", as_cfunction(unit_lattice_verify), kFastCall, kUnitLatticeVerifyDoc},
    {"unit_lattice_search_tables", as_cfunction(unit_lattice_search_tables), kFastCall,
     kUnitLatticeSearchTablesDoc},
    {"moser_unit_lattice", as_cfunction(moser_unit_lattice), METH_NOARGS, kMoserUnitLatticeDoc},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "vantor_tools._lattice",
    kModuleDoc,
    0,        // no per-module state: the table type is process-wide
    nullptr,  // the functions are added one by one
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// The table type is created once per process, so the module serves the
// interpreter that first imported it.
ModuleState state;

}  // namespace

}  // namespace vantor::python

PyMODINIT_FUNC PyInit__lattice(void) {
    return vantor::python::init_extension_module(vantor::python::module_def,
                                                 vantor::python::functions,
                                                 vantor::python::state,
                                                 [] {
                                                     return vantor::python::ready_table_type(
                                                         "vantor_tools._lattice._Int64Table");
                                                 });
}
