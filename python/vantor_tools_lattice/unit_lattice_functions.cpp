// The unit lattice kernels: conversion of the field elements (tuples of
// rational texts), the capsule that holds a built lattice, and the calls
// into src/unit_lattices.

#include "vantor_tools_lattice/unit_lattice_functions.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "record_search/search_lattice.hpp"
#include "vantor_tools_lattice/record_search_functions.hpp"
#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice.hpp"
#include "unit_lattices/unit_lattice_patch.hpp"
#include "unit_lattices/unit_lattice_set.hpp"

namespace vantor::python {

namespace ul = vantor::unit_lattices;

const char kUnitLatticeDoc[] =
    "unit_lattice(generators, units, reduce=True)\n"
    "--\n"
    "\n"
    "The lattice spanned by elements of modulus 1 of a multiquadratic field.\n"
    "\n"
    "* `generators`: the field's generators (square-free integers; -1, whose\n"
    "  root is i, is appended when absent), as the multiquadratic functions\n"
    "  take them.\n"
    "* `units`: elements of modulus 1, each a sequence of one rational text\n"
    "  ('n' or 'n/d') per basis element (the product of the roots of the\n"
    "  generators whose bits are set in the index).\n"
    "* `reduce`: True takes an LLL-reduced basis of their span; False takes\n"
    "  the units themselves as the basis, in their order (they must be\n"
    "  linearly independent), so coordinates keep the caller's meaning.\n"
    "\n"
    "Returns (kernel, description): a capsule for the other unit_lattice_*\n"
    "functions and a dict with 'generators' (completed), 'generating_units'\n"
    "(the units, as reduced rational texts), 'rank',\n"
    "'denominator' (of every element), 'basis',\n"
    "'units' (every element of modulus 1 of the lattice, complete by an\n"
    "exact enumeration), 'unit_coordinates' (their coordinates in the basis,\n"
    "an (units, rank) int64 table) and 'symmetries' (tuples (reflection,\n"
    "factor, permutation): z -> factor * z, or factor * conj(z) for a\n"
    "reflection, sends unit k to unit permutation[k]). Raises ValueError for\n"
    "generators that are no field, an element of the wrong length or not of\n"
    "modulus exactly 1, and descriptions beyond the exact kernels' limits.";

const char kMoserUnitLatticeDoc[] =
    "moser_unit_lattice()\n"
    "--\n"
    "\n"
    "The Moser lattice as unit_lattice returns a lattice: (kernel,\n"
    "description), with the basis 1, w1, w3, w1*w3 as given (not reduced),\n"
    "w1 = (1 + sqrt(-3))/2, w3 = (5 + sqrt(-11))/6, so that coordinates are\n"
    "the (a, b, c, d) of the Moser lattice sets. Built once per process.";

const char kUnitLatticePatchDoc[] =
    "unit_lattice_patch(kernel, n)\n"
    "--\n"
    "\n"
    "The coordinates ((n, rank) int64 table) of n points of the lattice with\n"
    "many unit pairs: the densest first growth, or a ball of the Minkowski\n"
    "embedding peeled back, whichever has more.";

const char kUnitLatticeSetDoc[] =
    "unit_lattice_set(kernel, coordinates)\n"
    "--\n"
    "\n"
    "The set of the given distinct points ((n, rank) int64 table), checked\n"
    "exactly: a dict with 'coordinates', 'points' (the plane points, in the\n"
    "lattice's fixed float order), 'edges' (every pair differing by a unit\n"
    "vector), 'unit_distances' and 'verified'.";

const char kUnitLatticeSearchTablesDoc[] =
    "unit_lattice_search_tables(kernel)\n"
    "--\n"
    "\n"
    "The tables a beam search in the lattice (rank at most 4) runs on, as\n"
    "bytes of little-endian int64 rows of 4 (unused coordinates 0): the unit\n"
    "vectors in increasing coordinate order, then for each symmetry the\n"
    "images of the four coordinate vectors. The symmetries are the rotations,\n"
    "then the reflections, each by the angle of its factor in [0, 2 pi) (the\n"
    "rotations alone when there are more than 12); the first is the\n"
    "identity. ValueError for a lattice the search cannot run in.";

const char kUnitLatticeVerifyDoc[] =
    "unit_lattice_verify(kernel, coordinates, points, edges)\n"
    "--\n"
    "\n"
    "Re-check a set of the lattice exactly: every point its coordinates'\n"
    "plane point bit for bit, the points distinct, every edge (i, j) with\n"
    "i < j < n in sorted order and of modulus exactly 1 (exact norm test),\n"
    "and no unit pair missing. True, or ValueError naming the first fault.";

namespace {

constexpr char kCapsuleName[] = "vantor_tools._lattice.UnitLattice";

constexpr const char* kLatticeNames[] = {"generators", "units", "reduce"};
constexpr ParameterTable kLatticeTable{"unit_lattice()", kLatticeNames, 2};
constexpr const char* kTablesNames[] = {"kernel"};
constexpr ParameterTable kTablesTable{"unit_lattice_search_tables()", kTablesNames, 1};
constexpr const char* kPatchNames[] = {"kernel", "n"};
constexpr ParameterTable kPatchTable{"unit_lattice_patch()", kPatchNames, 2};
constexpr const char* kSetNames[] = {"kernel", "coordinates"};
constexpr ParameterTable kSetTable{"unit_lattice_set()", kSetNames, 2};
constexpr const char* kVerifyNames[] = {"kernel", "coordinates", "points", "edges"};
constexpr ParameterTable kVerifyTable{"unit_lattice_verify()", kVerifyNames, 4};

constexpr std::uint64_t kLongWorkPoints = 4096;

void raise_value_error(const ul::UnitLatticeError& error) {
    const std::string message = error.message();
    PyErr_SetString(PyExc_ValueError, message.c_str());
}

const ul::UnitLattice* lattice_of(PyObject* object) {
    if (!PyCapsule_IsValid(object, kCapsuleName)) {
        PyErr_Format(PyExc_TypeError, "argument 'kernel': expected a unit lattice kernel, not %.100s",
                     Py_TYPE(object)->tp_name);
        return nullptr;
    }
    return static_cast<const ul::UnitLattice*>(PyCapsule_GetPointer(object, kCapsuleName));
}

PyRef text(const std::string& value) {
    return PyRef(PyUnicode_FromStringAndSize(value.data(), static_cast<Py_ssize_t>(value.size())));
}

PyRef element_to_python(const std::vector<Rational>& coefficients) {
    PyRef tuple(PyTuple_New(static_cast<Py_ssize_t>(coefficients.size())));
    if (!tuple) return {};
    for (std::size_t m = 0; m < coefficients.size(); ++m) {
        PyRef item = text(format_rational(coefficients[m]));
        if (!item) return {};
        PyTuple_SET_ITEM(tuple.get(), static_cast<Py_ssize_t>(m), item.release());
    }
    return tuple;
}

bool set_item(PyObject* dict, const char* key, PyRef value) {
    return value && PyDict_SetItemString(dict, key, value.get()) == 0;
}

// units: a sequence of sequences of rational texts.
bool read_units(PyObject* object, std::vector<std::vector<Rational>>& out) {
    PyRef outer(PySequence_Fast(object, "argument 'units': expected a sequence of elements"));
    if (!outer) return false;
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(outer.get());
    for (Py_ssize_t k = 0; k < count; ++k) {
        PyObject* unit = PySequence_Fast_GET_ITEM(outer.get(), k);
        if (PyUnicode_Check(unit)) {
            PyErr_Format(PyExc_TypeError, "units[%zd]: expected a sequence of rational texts", k);
            return false;
        }
        PyRef inner(PySequence_Fast(unit, "units: each element must be a sequence of rational texts"));
        if (!inner) return false;
        std::vector<Rational> coefficients;
        for (Py_ssize_t m = 0; m < PySequence_Fast_GET_SIZE(inner.get()); ++m) {
            PyObject* item = PySequence_Fast_GET_ITEM(inner.get(), m);
            if (!PyUnicode_Check(item)) {
                PyErr_Format(PyExc_TypeError, "units[%zd][%zd]: expected str, not %.100s", k, m,
                             Py_TYPE(item)->tp_name);
                return false;
            }
            Py_ssize_t length = 0;
            const char* chars = PyUnicode_AsUTF8AndSize(item, &length);
            if (chars == nullptr) return false;
            auto parsed = parse_rational(std::string_view(chars, static_cast<std::size_t>(length)));
            if (!parsed) {
                const std::string message = parsed.error().message();
                PyErr_Format(PyExc_ValueError, "units[%zd][%zd]: %s", k, m, message.c_str());
                return false;
            }
            coefficients.push_back(std::move(*parsed));
        }
        out.push_back(std::move(coefficients));
    }
    return true;
}

PyRef describe(const ul::UnitLattice& lattice) {
    PyRef dict(PyDict_New());
    if (!dict) return {};
    PyObject* d = dict.get();
    PyRef generators(PyList_New(0));
    if (!generators) return {};
    for (std::int64_t g : lattice.field().generators()) {
        PyRef value(PyLong_FromLongLong(g));
        if (!value || PyList_Append(generators.get(), value.get()) != 0) return {};
    }
    const std::uint64_t rank = lattice.rank();
    PyRef basis(PyList_New(0));
    if (!basis) return {};
    for (std::uint64_t j = 0; j < rank; ++j) {
        std::vector<std::int64_t> c(rank, 0);
        c[j] = 1;
        PyRef element = element_to_python(lattice.element(c));
        if (!element || PyList_Append(basis.get(), element.get()) != 0) return {};
    }
    PyRef generating(PyList_New(0));
    if (!generating) return {};
    for (const std::vector<Rational>& unit : lattice.generating_units()) {
        PyRef element = element_to_python(unit);
        if (!element || PyList_Append(generating.get(), element.get()) != 0) return {};
    }
    PyRef units(PyList_New(0));
    if (!units) return {};
    const auto coordinates = lattice.unit_coordinates();
    for (std::uint64_t k = 0; k < lattice.unit_count(); ++k) {
        PyRef element = element_to_python(lattice.element(coordinates.subspan(k * rank, rank)));
        if (!element || PyList_Append(units.get(), element.get()) != 0) return {};
    }
    PyRef symmetries(PyList_New(0));
    if (!symmetries) return {};
    for (const ul::Symmetry& s : lattice.symmetries()) {
        PyRef permutation(PyTuple_New(static_cast<Py_ssize_t>(s.permutation.size())));
        if (!permutation) return {};
        for (std::size_t k = 0; k < s.permutation.size(); ++k) {
            PyObject* index = PyLong_FromUnsignedLong(s.permutation[k]);
            if (index == nullptr) return {};
            PyTuple_SET_ITEM(permutation.get(), static_cast<Py_ssize_t>(k), index);
        }
        PyRef factor = element_to_python(s.factor);
        if (!factor) return {};
        PyRef entry(PyTuple_Pack(3, s.reflection ? Py_True : Py_False, factor.get(),
                                 permutation.get()));
        if (!entry || PyList_Append(symmetries.get(), entry.get()) != 0) return {};
    }
    const std::string denominator = lattice.denominator().get_str();
    std::vector<std::int64_t> unit_rows(coordinates.begin(), coordinates.end());
    const bool complete =
        set_item(d, "generators", std::move(generators)) &&
        set_item(d, "generating_units", std::move(generating)) &&
        set_item(d, "rank", count_to_python(rank)) &&
        set_item(d, "denominator", PyRef(PyLong_FromString(denominator.c_str(), nullptr, 10))) &&
        set_item(d, "basis", std::move(basis)) && set_item(d, "units", std::move(units)) &&
        set_item(d, "unit_coordinates", flat_table_to_python(std::move(unit_rows), rank)) &&
        set_item(d, "symmetries", std::move(symmetries));
    if (!complete) return {};
    return dict;
}

PyRef kernel_and_description(PyRef capsule, const ul::UnitLattice& lattice) {
    PyRef description = describe(lattice);
    if (!description) return {};
    return PyRef(PyTuple_Pack(2, capsule.get(), description.get()));
}

PyRef set_dict(ul::UnitLatticeSet set, std::uint64_t rank) {
    PyRef dict(PyDict_New());
    if (!dict) return {};
    PyObject* d = dict.get();
    const std::uint64_t edge_count = set.edges.size();
    const bool complete = set_item(d, "points", point_list_to_python(set.points)) &&
                          set_item(d, "coordinates", flat_table_to_python(std::move(set.coordinates), rank)) &&
                          set_item(d, "edges", table_to_python(std::move(set.edges))) &&
                          set_item(d, "unit_distances", count_to_python(edge_count)) &&
                          set_item(d, "verified", PyRef(Py_NewRef(Py_True)));
    if (!complete) return {};
    return dict;
}

}  // namespace

PyObject* unit_lattice(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[3];
        std::vector<std::int64_t> generators;
        std::vector<std::vector<Rational>> units;
        if (!bind_arguments(kLatticeTable, args, nargs, kwnames, slots) ||
            !extract_argument("generators", slots[0], generators) || !read_units(slots[1], units)) {
            return {};
        }
        bool reduce = true;
        if (slots[2] != nullptr) {
            if (!PyBool_Check(slots[2])) {
                PyErr_Format(PyExc_TypeError, "argument 'reduce': expected bool, not %.100s",
                             Py_TYPE(slots[2])->tp_name);
                return {};
            }
            reduce = slots[2] == Py_True;
        }
        auto built = run_released([&] {
            return reduce ? ul::UnitLattice::from_units(generators, units)
                          : ul::UnitLattice::from_basis(generators, units);
        });
        if (!built) return {};
        if (!*built) {
            raise_value_error(built->error());
            return {};
        }
        auto* owned = new ul::UnitLattice(std::move(**built));
        PyRef capsule(PyCapsule_New(owned, kCapsuleName, [](PyObject* object) {
            delete static_cast<ul::UnitLattice*>(PyCapsule_GetPointer(object, kCapsuleName));
        }));
        if (!capsule) {
            delete owned;
            return {};
        }
        return kernel_and_description(std::move(capsule), *owned);
    });
}

PyObject* moser_unit_lattice(PyObject*, PyObject*) {
    return run_translated([&]() -> PyRef {
        auto built = run_released([]() -> const ul::UnitLattice* { return &ul::moser_lattice(); });
        if (!built) return {};
        // The lattice lives as long as the process: the capsule only points.
        PyRef capsule(
            PyCapsule_New(const_cast<ul::UnitLattice*>(*built), kCapsuleName, nullptr));
        if (!capsule) return {};
        return kernel_and_description(std::move(capsule), **built);
    });
}

PyObject* unit_lattice_search_tables(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                                     PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[1];
        if (!bind_arguments(kTablesTable, args, nargs, kwnames, slots)) return {};
        const ul::UnitLattice* lattice = lattice_of(slots[0]);
        if (lattice == nullptr) return {};
        auto tables = run_released([&] { return records::SearchLattice::from_unit_lattice(*lattice); });
        if (!tables) return {};
        if (!*tables) {
            PyErr_SetString(PyExc_ValueError, (*tables).error().c_str());
            return {};
        }
        std::vector<records::SearchCoordinate> columns;
        for (const auto& matrix : (*tables)->columns()) {
            columns.insert(columns.end(), matrix.begin(), matrix.end());
        }
        PyRef steps = int64_bytes(records::flat_rows((*tables)->steps()));
        PyRef symmetries = int64_bytes(records::flat_rows(columns));
        if (!steps || !symmetries) return {};
        return pair_to_python(std::move(steps), std::move(symmetries));
    });
}

PyObject* unit_lattice_patch(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2];
        std::uint64_t n = 0;
        if (!bind_arguments(kPatchTable, args, nargs, kwnames, slots)) return {};
        const ul::UnitLattice* lattice = lattice_of(slots[0]);
        if (lattice == nullptr || !extract_argument("n", slots[1], n)) return {};
        if (n < 1 || n > ul::kMaxPatchPoints) {
            PyErr_Format(PyExc_ValueError, "n must be between 1 and %llu, got %llu",
                         static_cast<unsigned long long>(ul::kMaxPatchPoints),
                         static_cast<unsigned long long>(n));
            return {};
        }
        auto rows = run_released([&] { return ul::densest_patch(*lattice, n); });
        if (!rows) return {};
        return flat_table_to_python(std::move(*rows), lattice->rank());
    });
}

PyObject* unit_lattice_set(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2];
        if (!bind_arguments(kSetTable, args, nargs, kwnames, slots)) return {};
        const ul::UnitLattice* lattice = lattice_of(slots[0]);
        std::vector<std::int64_t> coordinates;
        if (lattice == nullptr || !flat_table_from_python(slots[1], "argument 'coordinates'",
                                                          lattice->rank(), coordinates)) {
            return {};
        }
        const std::uint64_t count = coordinates.size() / lattice->rank();
        ensure_points_fit(count);
        auto built = run_released(
            [&] { return ul::checked_unit_lattice_set(*lattice, std::move(coordinates)); },
            count >= kLongWorkPoints);
        if (!built) return {};
        if (!*built) {
            raise_value_error(built->error());
            return {};
        }
        return set_dict(std::move(**built), lattice->rank());
    });
}

PyObject* unit_lattice_verify(PyObject*, PyObject* const* args, Py_ssize_t nargs,
                              PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[4];
        if (!bind_arguments(kVerifyTable, args, nargs, kwnames, slots)) return {};
        const ul::UnitLattice* lattice = lattice_of(slots[0]);
        std::vector<std::int64_t> coordinates;
        PointList points;
        EdgeList edges;
        if (lattice == nullptr ||
            !flat_table_from_python(slots[1], "argument 'coordinates'", lattice->rank(),
                                    coordinates) ||
            !extract_argument("points", slots[2], points) ||
            !table_from_python(slots[3], "argument 'edges'", edges)) {
            return {};
        }
        auto checked = run_released(
            [&] {
                return ul::verify_unit_lattice_set(*lattice, lattice->rank(), coordinates, points,
                                                   edges);
            },
            points.size() >= kLongWorkPoints);
        if (!checked) return {};
        if (!*checked) {
            raise_value_error(checked->error());
            return {};
        }
        return PyRef(Py_NewRef(Py_True));
    });
}

}  // namespace vantor::python
