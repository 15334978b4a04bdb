// recognise_points(), prove_pairs() and elements_match(): the compiled steps
// of vantor_tools.exact.prove and of the re-check of its result.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "algebraic/keys/algebraic_key.hpp"
#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "exact_proofs/claims_check.hpp"
#include "exact_proofs/float_recognition.hpp"
#include "exact_proofs/point_set_proof.hpp"
#include "vantor_tools_native/functions.hpp"

namespace vantor::python {
namespace {

constexpr const char* kRecogniseNames[] = {"generators_completed", "points", "digits",
                                           "decimals"};
constexpr ParameterTable kRecogniseTable{"recognise_points()", kRecogniseNames, 2};
constexpr const char* kProveNames[] = {"generators_completed", "elements", "points",
                                       "tolerance"};
constexpr ParameterTable kProveTable{"prove_pairs()", kProveNames, 4};
constexpr const char* kMatchNames[] = {"generators_completed", "elements", "points", "digits",
                                       "decimals"};
constexpr ParameterTable kMatchTable{"elements_match()", kMatchNames, 5};

// The field of completed generators (-1 among them), or nothing with
// ValueError set.
std::optional<MultiquadraticField> field_of(const std::vector<std::int64_t>& generators) {
    auto field = MultiquadraticField::from_generators(generators);
    if (!field) {
        PyErr_SetString(PyExc_ValueError, field.error().message().c_str());
        return std::nullopt;
    }
    if (!field->imaginary_index()) {
        PyErr_SetString(PyExc_ValueError, "generators_completed must contain -1");
        return std::nullopt;
    }
    if (field->degree() > exact::kMaxCheckedDegree) {
        PyErr_Format(PyExc_ValueError, "a field of degree at most %d is supported",
                     static_cast<int>(exact::kMaxCheckedDegree));
        return std::nullopt;
    }
    return std::move(*field);
}

// digits (None or 1 to kMaxDigits) and decimals (None or 0 to kMaxDecimals).
bool extract_rounding(PyObject* digits, PyObject* decimals, exact::InputRounding& out) {
    std::uint64_t value = 0;
    out = {};
    // bool is an int subclass; True is no count of digits.
    if ((digits != nullptr && PyBool_Check(digits)) ||
        (decimals != nullptr && PyBool_Check(decimals))) {
        PyErr_SetString(PyExc_TypeError, "digits and decimals must be None or int, not bool");
        return false;
    }
    if (digits != nullptr && digits != Py_None) {
        if (!extract_argument("digits", digits, value)) return false;
        if (value < 1 || value > exact::kMaxDigits) {
            PyErr_Format(PyExc_ValueError, "digits must be None or 1 to %d",
                         static_cast<int>(exact::kMaxDigits));
            return false;
        }
        out.digits = static_cast<std::uint32_t>(value);
    }
    if (decimals != nullptr && decimals != Py_None) {
        if (!extract_argument("decimals", decimals, value)) return false;
        if (value > static_cast<std::uint64_t>(exact::kMaxDecimals)) {
            PyErr_Format(PyExc_ValueError, "decimals must be None or 0 to %d",
                         static_cast<int>(exact::kMaxDecimals));
            return false;
        }
        out.decimals = static_cast<std::int32_t>(value);
    }
    return true;
}

// Per point a tuple of rational texts, or None; as many as there are points.
bool read_elements(PyObject* object, const MultiquadraticField& field, std::size_t count,
                   std::vector<std::optional<FieldElement>>& out) {
    PyRef rows(PySequence_Fast(object, ""));
    if (!rows) {
        PyErr_SetString(PyExc_TypeError, "elements must be a list of elements or None");
        return false;
    }
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(rows.get());
    if (static_cast<std::size_t>(n) != count) {
        PyErr_Format(PyExc_ValueError, "elements: %zd given for %zu points", n, count);
        return false;
    }
    out.assign(count, std::nullopt);
    AlgebraicKey key;
    for (Py_ssize_t r = 0; r < n; ++r) {
        PyObject* item = PySequence_Fast_GET_ITEM(rows.get(), r);
        if (item == Py_None) continue;
        PyRef row(PySequence_Fast(item, ""));
        if (!row || static_cast<std::uint64_t>(PySequence_Fast_GET_SIZE(row.get())) !=
                        field.degree()) {
            PyErr_Clear();
            PyErr_Format(PyExc_ValueError, "elements[%zd] must be None or %llu rationals", r,
                         static_cast<unsigned long long>(field.degree()));
            return false;
        }
        key.coefficients.clear();
        for (Py_ssize_t m = 0; m < PySequence_Fast_GET_SIZE(row.get()); ++m) {
            PyObject* text = PySequence_Fast_GET_ITEM(row.get(), m);
            Py_ssize_t length = 0;
            const char* chars =
                PyUnicode_Check(text) ? PyUnicode_AsUTF8AndSize(text, &length) : nullptr;
            if (chars == nullptr || static_cast<std::uint64_t>(length) >
                                        exact::kMaxCoefficientChars) {
                PyErr_Clear();
                PyErr_Format(PyExc_ValueError,
                             "elements[%zd] must hold rationals as text 'n' or 'n/d' of at "
                             "most %d characters",
                             r, static_cast<int>(exact::kMaxCoefficientChars));
                return false;
            }
            key.coefficients.emplace_back(chars, static_cast<std::size_t>(length));
        }
        auto element = element_of_key(key, field);
        if (!element) {
            PyErr_Format(PyExc_ValueError, "elements[%zd]: %s", r,
                         element.error().message().c_str());
            return false;
        }
        out[static_cast<std::size_t>(r)] = std::move(*element);
        if (r % 4096 == 0 && PyErr_CheckSignals() != 0) return false;
    }
    return true;
}

PyRef elements_to_python(const std::vector<std::optional<FieldElement>>& elements) {
    PyRef zero(PyUnicode_FromString("0"));
    PyRef list(PyList_New(python_length(elements.size())));
    if (!zero || !list) return {};
    for (std::size_t k = 0; k < elements.size(); ++k) {
        PyObject* item = Py_None;
        if (elements[k]) {
            const AlgebraicKey key = key_of(*elements[k]);
            PyRef tuple(PyTuple_New(python_length(key.coefficients.size())));
            if (!tuple) return {};
            for (std::size_t m = 0; m < key.coefficients.size(); ++m) {
                const std::string& text = key.coefficients[m];
                PyObject* value = text == "0" ? Py_NewRef(zero.get())
                                              : PyUnicode_FromStringAndSize(
                                                    text.data(), python_length(text.size()));
                if (value == nullptr) return {};
                PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(m), value);
            }
            item = tuple.release();
        } else {
            Py_INCREF(item);
        }
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(k), item);
    }
    return list;
}

}  // namespace

const char kRecognisePointsDoc[] =
    "recognise_points(generators_completed, points, digits=None, decimals=None)\n"
    "--\n"
    "\n"
    "The exact element of every point of `points`, read back from its floats in\n"
    "the field of `generators_completed` (-1 among them), or None where none is\n"
    "found clearly: a list with one tuple of rational texts per point, in the\n"
    "field's basis order, or None. `digits` and `decimals`: the significant\n"
    "digits or the decimal places the coordinates were rounded to, or None\n"
    "(for computed floats, both). A coordinate x is matched within the largest\n"
    "of 2**-48 * max(|x|, 1), 5 * 10**(E - digits) (E the decimal exponent of\n"
    "repr(x)) and 5 * 10**(-decimals - 1), decided exactly. Runs without the\n"
    "interpreter lock; Ctrl-C stops it.";

const char kProvePairsDoc[] =
    "prove_pairs(generators_completed, elements, points, tolerance)\n"
    "--\n"
    "\n"
    "The pairs of points within `tolerance` of distance 1 whose elements are\n"
    "both known (not None), split exactly by d * conj(d) = 1: a tuple\n"
    "(unit, not_unit) of (E, 2) int64 tables, each sorted. Runs without the\n"
    "interpreter lock; Ctrl-C stops it.";

const char kElementsMatchDoc[] =
    "elements_match(generators_completed, elements, points, digits, decimals)\n"
    "--\n"
    "\n"
    "The index of the first point whose element (not None) does not lie within\n"
    "the precision of its floats (as recognise_points() measures it), or -1.";

PyObject* recognise_points(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                           PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[4] = {};
        std::vector<std::int64_t> generators;
        PointList points;
        exact::InputRounding rounding;
        if (!bind_arguments(kRecogniseTable, args, nargs, kwnames, slots) ||
            !extract_argument("generators_completed", slots[0], generators) ||
            !extract_argument("points", slots[1], points) ||
            !extract_rounding(slots[2], slots[3], rounding)) {
            return {};
        }
        auto field = field_of(generators);
        if (!field) return {};
        auto elements = run_released([&] { return exact::recognise_points(*field, points, rounding); });
        if (!elements) return {};
        return elements_to_python(*elements);
    });
}

PyObject* prove_pairs(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[4] = {};
        std::vector<std::int64_t> generators;
        PointList points;
        double tolerance = 0;
        if (!bind_arguments(kProveTable, args, nargs, kwnames, slots) ||
            !extract_argument("generators_completed", slots[0], generators) ||
            !extract_argument("points", slots[2], points) ||
            !extract_argument("tolerance", slots[3], tolerance)) {
            return {};
        }
        auto field = field_of(generators);
        std::vector<std::optional<FieldElement>> elements;
        if (!field || !read_elements(slots[1], *field, points.size(), elements)) return {};
        auto verdicts = run_released(
            [&] { return exact::prove_point_pairs(*field, elements, points, tolerance); });
        if (!verdicts) return {};
        PyRef unit = table_to_python(std::move(verdicts->unit));
        if (!unit) return {};
        PyRef not_unit = table_to_python(std::move(verdicts->not_unit));
        if (!not_unit) return {};
        return PyRef(PyTuple_Pack(2, unit.get(), not_unit.get()));
    });
}

PyObject* elements_match(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[5] = {};
        std::vector<std::int64_t> generators;
        PointList points;
        exact::InputRounding rounding;
        if (!bind_arguments(kMatchTable, args, nargs, kwnames, slots) ||
            !extract_argument("generators_completed", slots[0], generators) ||
            !extract_argument("points", slots[2], points) ||
            !extract_rounding(slots[3], slots[4], rounding)) {
            return {};
        }
        auto field = field_of(generators);
        std::vector<std::optional<FieldElement>> elements;
        if (!field || !read_elements(slots[1], *field, points.size(), elements)) return {};
        auto first = run_released([&] {
            const auto k = exact::first_unmatched_point(*field, elements, points, rounding);
            return k ? static_cast<long long>(*k) : -1LL;
        });
        if (!first) return {};
        return PyRef(PyLong_FromLongLong(*first));
    });
}

}  // namespace vantor::python
