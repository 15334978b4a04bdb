// certify_exact() and check_multiquadratic(): the multiquadratic
// construction with its exact data, and the re-check of such data.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/progress.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "exact_proofs/claims_check.hpp"
#include "exact_proofs/exact_result.hpp"
#include "utils/progress_sink.hpp"
#include "vantor_tools_native/functions.hpp"

namespace vantor::python {
namespace {

constexpr const char* kCertifyNames[] = {"generators", "split_prime", "k", "n_target",
                                         "progress"};
constexpr ParameterTable kCertifyTable{"certify_exact()", kCertifyNames, 4};
constexpr const char* kCheckNames[] = {"document"};
constexpr ParameterTable kCheckTable{"check_multiquadratic()", kCheckNames, 1};

// certify_exact() reports three stages of 1000 steps each: the search for
// the points (visited nodes against its budget, per radius attempt), the
// certificate's verification, and the exact verdicts on the pairs.
constexpr std::uint64_t kStages = 3;
constexpr std::uint64_t kStepsPerStage = 1000;

std::uint64_t steps_done(const std::atomic<std::uint64_t>& stage, const ProgressSink& search) {
    const std::uint64_t reached = stage.load(std::memory_order_relaxed);
    if (reached > 0) return reached * kStepsPerStage;
    const std::uint64_t total = search.total.load(std::memory_order_relaxed);
    const std::uint64_t done = search.done.load(std::memory_order_relaxed);
    if (total == 0) return 0;
    return std::min(kStepsPerStage - 1, done * kStepsPerStage / total);
}

// A certified edge as a table row: (i, j, translation, sign).
struct CertifiedEdgeRow {
    std::int64_t i;
    std::int64_t j;
    std::int64_t translation;
    std::int64_t sign;
};

bool set_item(PyObject* dict, const char* key, PyRef value) {
    return value && PyDict_SetItemString(dict, key, value.get()) == 0;
}

// A list of tuples of str, one tuple per element; the many "0" coefficients
// share one string object.
PyRef elements_to_python(const std::vector<AlgebraicKey>& keys) {
    const CollectorPause pause;
    PyRef zero(PyUnicode_FromString("0"));
    PyRef list(PyList_New(python_length(keys.size())));
    if (!zero || !list) return {};
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (interrupted_at(k)) {
            abandon_partial_list(std::move(list), k);
            return {};
        }
        const auto& coefficients = keys[k].coefficients;
        PyRef tuple(PyTuple_New(python_length(coefficients.size())));
        if (!tuple) return {};
        for (std::size_t m = 0; m < coefficients.size(); ++m) {
            const std::string& text = coefficients[m];
            PyObject* item = text == "0" ? Py_NewRef(zero.get())
                                         : PyUnicode_FromStringAndSize(
                                               text.data(), python_length(text.size()));
            if (item == nullptr) return {};
            PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(m), item);
        }
        PyObject_GC_UnTrack(tuple.get());
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(k), tuple.release());
    }
    return list;
}

PyRef integers_to_python(const std::vector<std::int64_t>& values) {
    PyRef list(PyList_New(python_length(values.size())));
    if (!list) return {};
    for (std::size_t k = 0; k < values.size(); ++k) {
        PyObject* item = PyLong_FromLongLong(values[k]);
        if (item == nullptr) return {};
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(k), item);
    }
    return list;
}

std::vector<CertifiedEdgeRow> certified_rows(const std::vector<ConstructionEdge>& edges) {
    std::vector<CertifiedEdgeRow> rows;
    rows.reserve(edges.size());
    for (const ConstructionEdge& e : edges) {
        rows.push_back({static_cast<std::int64_t>(e.i), static_cast<std::int64_t>(e.j),
                        static_cast<std::int64_t>(e.translation), e.sign});
    }
    return rows;
}

PyRef result_to_python(exact::ExactMultiquadraticResult result) {
    PyRef dict(PyDict_New());
    if (!dict) return {};
    PyObject* d = dict.get();
    const std::uint64_t exact_count = result.proven_unit_edges.size();
    const bool complete =
        set_item(d, "generators_completed", integers_to_python(result.generators)) &&
        set_item(d, "points", point_list_to_python(result.points)) &&
        set_item(d, "elements", elements_to_python(result.elements)) &&
        set_item(d, "translations", elements_to_python(result.translations)) &&
        set_item(d, "certified_edges", table_to_python(certified_rows(result.certified_edges))) &&
        set_item(d, "proven_unit_edges", table_to_python(std::move(result.proven_unit_edges))) &&
        set_item(d, "near_misses", table_to_python(std::move(result.near_misses))) &&
        set_item(d, "exact_unit_distances", count_to_python(exact_count)) &&
        set_item(d, "audit_tolerance", PyRef(PyFloat_FromDouble(result.audit_tolerance))) &&
        set_item(d, "verified", PyRef(Py_NewRef(Py_True)));
    if (!complete) return {};
    return dict;
}

// ---- reading a document --------------------------------------------------------

PyRef item_of(PyObject* document, const char* key) {
    return PyRef(PyMapping_GetItemString(document, key));
}

// Rows of `N` integers: a table buffer (a table from certify_exact(), a
// numpy array) or a sequence of sequences of integers (JSON lists).
template <std::size_t N>
bool read_rows(PyObject* object, const char* what, std::vector<std::array<std::int64_t, N>>& out) {
    if (PyObject_CheckBuffer(object)) return table_from_python(object, what, out);
    PyRef rows(PySequence_Fast(object, ""));
    if (!rows) {
        PyErr_Format(PyExc_TypeError, "%s must be a table or a list of rows", what);
        return false;
    }
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(rows.get());
    out.assign(static_cast<std::size_t>(count), {});
    for (Py_ssize_t r = 0; r < count; ++r) {
        PyRef row(PySequence_Fast(PySequence_Fast_GET_ITEM(rows.get(), r), ""));
        if (!row || PySequence_Fast_GET_SIZE(row.get()) != static_cast<Py_ssize_t>(N)) {
            PyErr_Format(PyExc_TypeError, "%s[%zd] must be a row of %d integers", what, r,
                         static_cast<int>(N));
            return false;
        }
        for (std::size_t c = 0; c < N; ++c) {
            PyObject* item = PySequence_Fast_GET_ITEM(row.get(), static_cast<Py_ssize_t>(c));
            // bool is an int subclass; true is no index.
            if (!PyLong_Check(item) || PyBool_Check(item)) {
                PyErr_Format(PyExc_TypeError, "%s[%zd] must hold integers", what, r);
                return false;
            }
            out[static_cast<std::size_t>(r)][c] = PyLong_AsLongLong(item);
            if (PyErr_Occurred()) return false;
        }
    }
    return true;
}

template <std::size_t N>
bool read_table_item(PyObject* document, const char* key,
                     std::vector<std::array<std::int64_t, N>>& out) {
    PyRef object = item_of(document, key);
    return object && read_rows(object.get(), key, out);
}

bool read_pairs(PyObject* document, const char* key, EdgeList& out) {
    std::vector<std::array<std::int64_t, 2>> rows;
    if (!read_table_item(document, key, rows)) return false;
    out.clear();
    out.reserve(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r][0] < 0 || rows[r][1] < 0) {
            PyErr_Format(PyExc_ValueError, "%s[%zu]: a point index is negative", key, r);
            return false;
        }
        out.push_back({static_cast<std::uint64_t>(rows[r][0]),
                       static_cast<std::uint64_t>(rows[r][1])});
    }
    return true;
}

// Elements: a sequence of sequences of str.
bool read_elements(PyObject* document, const char* key, std::vector<AlgebraicKey>& out) {
    PyRef object = item_of(document, key);
    if (!object) return false;
    PyRef rows(PySequence_Fast(object.get(), ""));
    if (!rows) {
        PyErr_Format(PyExc_TypeError, "%s must be a list of elements", key);
        return false;
    }
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(rows.get());
    out.assign(static_cast<std::size_t>(count), {});
    for (Py_ssize_t r = 0; r < count; ++r) {
        PyRef row(PySequence_Fast(PySequence_Fast_GET_ITEM(rows.get(), r), ""));
        if (!row) {
            PyErr_Format(PyExc_TypeError, "%s[%zd] must be a list of str", key, r);
            return false;
        }
        auto& coefficients = out[static_cast<std::size_t>(r)].coefficients;
        for (Py_ssize_t m = 0; m < PySequence_Fast_GET_SIZE(row.get()); ++m) {
            PyObject* item = PySequence_Fast_GET_ITEM(row.get(), m);
            Py_ssize_t length = 0;
            const char* text = PyUnicode_Check(item) ? PyUnicode_AsUTF8AndSize(item, &length)
                                                     : nullptr;
            if (text == nullptr) {
                if (!PyErr_Occurred()) {
                    PyErr_Format(PyExc_TypeError, "%s[%zd] must be a list of str", key, r);
                }
                return false;
            }
            coefficients.emplace_back(text, static_cast<std::size_t>(length));
        }
    }
    return true;
}

template <class T>
bool read_value(PyObject* document, const char* key, T& out) {
    PyRef object = item_of(document, key);
    return object && extract_argument(key, object.get(), out);
}

bool read_claims(PyObject* document, exact::ExactMultiquadraticResult& claims,
                 std::uint64_t& exact_count) {
    std::vector<std::array<std::int64_t, 4>> certified;
    if (!read_value(document, "generators_completed", claims.generators) ||
        !read_value(document, "points", claims.points) ||
        !read_elements(document, "elements", claims.elements) ||
        !read_elements(document, "translations", claims.translations) ||
        !read_table_item(document, "certified_edges", certified) ||
        !read_pairs(document, "proven_unit_edges", claims.proven_unit_edges) ||
        !read_pairs(document, "near_misses", claims.near_misses) ||
        !read_value(document, "exact_unit_distances", exact_count) ||
        !read_value(document, "audit_tolerance", claims.audit_tolerance)) {
        return false;
    }
    claims.certified_edges.reserve(certified.size());
    for (std::size_t r = 0; r < certified.size(); ++r) {
        const auto& row = certified[r];
        if (row[0] < 0 || row[1] < 0 || row[2] < 0) {
            PyErr_Format(PyExc_ValueError, "certified_edges[%zu]: an index is negative", r);
            return false;
        }
        // A sign other than +1 or -1 stays invalid after narrowing.
        const std::int8_t sign = row[3] == 1 ? 1 : row[3] == -1 ? -1 : 0;
        claims.certified_edges.push_back({static_cast<std::uint64_t>(row[0]),
                                          static_cast<std::uint64_t>(row[1]),
                                          static_cast<std::uint64_t>(row[2]), sign});
    }
    return true;
}

}  // namespace

const char kCertifyExactDoc[] =
    "certify_exact(generators, split_prime, k, n_target, progress=None)\n"
    "--\n"
    "\n"
    "The certified multiquadratic construction with its exact data.\n"
    "\n"
    "Builds the same points as vantor.generate_multiquadratic_certified() with\n"
    "the same arguments (and refuses a request with the same error), verifies\n"
    "its certificate, and then tests every pair of points within the audit\n"
    "tolerance exactly: the difference d of their elements has modulus 1\n"
    "exactly when d * conj(d) = 1 in the field. Returns a dict:\n"
    "\n"
    "* 'generators_completed': the generators with -1, in the order that\n"
    "  numbers the basis (basis element m is the product of the square roots\n"
    "  of the generators whose bits are set in m; sqrt(-1) = i);\n"
    "* 'points': list of (x, y) float tuples, the principal embedding of the\n"
    "  elements, bit for bit;\n"
    "* 'elements': per point, a tuple of one rational per basis element, as\n"
    "  text 'n' or 'n/d' (fractions.Fraction reads it);\n"
    "* 'translations': the norm-one translations, in the same form;\n"
    "* 'certified_edges': table (E, 4) int64, rows (i, j, t, s) with\n"
    "  element j - element i = s * translation t;\n"
    "* 'proven_unit_edges': table (P, 2) int64, every pair within the\n"
    "  audit tolerance that is exactly one unit apart, sorted (it contains\n"
    "  every certified edge);\n"
    "* 'near_misses': table (M, 2) int64, the pairs within the audit\n"
    "  tolerance that are not, sorted;\n"
    "* 'exact_unit_distances': P; 'audit_tolerance': 1e-4; 'verified': True.\n"
    "\n"
    "`progress`: None (off), True (a tqdm bar when tqdm is installed, else a\n"
    "line on stderr) or a callable progress(done, total), total 3000: 1000\n"
    "steps each for the search for the points, the certificate's\n"
    "verification and the exact verdicts. Runs without the\n"
    "interpreter lock; Ctrl-C stops it.";

const char kCheckMultiquadraticDoc[] =
    "check_multiquadratic(document)\n"
    "--\n"
    "\n"
    "Re-check the claims of an exact multiquadratic result; return True or\n"
    "raise ValueError naming the first claim that does not hold.\n"
    "\n"
    "Reads 'generators_completed', 'points' ((x, y) tuples or an (N, 2)\n"
    "buffer), 'elements', 'translations', 'certified_edges',\n"
    "'proven_unit_edges', 'near_misses' (tables or lists of rows),\n"
    "'exact_unit_distances' and 'audit_tolerance' from a dict as\n"
    "certify_exact() returns it or an exported file holds it. Checks that\n"
    "every point is the principal embedding of its element bit for bit,\n"
    "every translation has modulus exactly 1, every certified edge is its\n"
    "translation exactly, every proven unit edge is exactly one unit long\n"
    "and no near miss is, the certified edges are among the proven ones,\n"
    "the two lists hold exactly the pairs within the audit tolerance, and\n"
    "the count matches. A missing key raises KeyError, a value of the wrong\n"
    "kind TypeError.";

PyObject* certify_exact(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[5] = {};
        std::vector<std::int64_t> generators;
        std::int64_t split_prime = 0;
        std::uint64_t k = 0;
        std::uint64_t n_target = 0;
        if (!bind_arguments(kCertifyTable, args, nargs, kwnames, slots) ||
            !extract_argument("generators", slots[0], generators) ||
            !extract_argument("split_prime", slots[1], split_prime) ||
            !extract_argument("k", slots[2], k) ||
            !extract_argument("n_target", slots[3], n_target)) {
            return {};
        }
        ProgressReport report;
        if (!report.open(slots[4], "certify", kStages * kStepsPerStage)) return {};
        std::atomic<std::uint64_t> stage{0};
        ProgressSink search;
        auto outcome = run_released_ticking(
            [&] {
                const ProgressScope scope(&search);
                return exact::exact_multiquadratic(std::move(generators), split_prime, k,
                                                   n_target, &stage);
            },
            [&] { return report.update(steps_done(stage, search)); });
        if (!outcome) return {};
        if (!*outcome) {
            raise_library_error(std::visit([](auto& e) { return LibraryError(std::move(e)); },
                                           outcome->error()));
            return {};
        }
        if (!report.finish()) return {};
        return result_to_python(std::move(**outcome));
    });
}

PyObject* check_multiquadratic(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                               PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        if (!bind_arguments(kCheckTable, args, nargs, kwnames, slots)) return {};
        exact::ExactMultiquadraticResult claims;
        std::uint64_t exact_count = 0;
        if (!read_claims(slots[0], claims, exact_count)) return {};
        auto fault = run_released([&] { return exact::first_false_claim(claims, exact_count); });
        if (!fault) return {};
        if (*fault) {
            PyErr_SetString(PyExc_ValueError, (*fault)->c_str());
            return {};
        }
        return PyRef(Py_NewRef(Py_True));
    });
}

}  // namespace vantor::python
