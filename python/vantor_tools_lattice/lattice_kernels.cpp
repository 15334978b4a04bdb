// The lattice kernels that vantor_tools.records composes: patches, the
// steps of a lattice, peeling and growing by those steps, and the exact
// check of a set given by its coordinates.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/arguments.hpp"
#include "common/exceptions.hpp"
#include "common/int64_table.hpp"
#include "common/released.hpp"
#include "common/results.hpp"
#include "lattice_sets/lattice_construction.hpp"
#include "lattice_sets/norm_vectors.hpp"
#include "lattice_sets/shape_patch.hpp"
#include "lattice_sets/step_graph.hpp"
#include "record_search/search_lattice.hpp"
#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice_set.hpp"
#include "vantor_tools_lattice/lattice_dict.hpp"
#include "vantor_tools_lattice/kernels.hpp"

namespace vantor::python {
namespace {

// Work on this many points runs on a worker thread that Ctrl-C can stop.
constexpr std::uint64_t kLongWorkPoints = 4096;
// Patches and growth beyond this many points are refused: the records go
// nowhere near it, and it keeps every request small enough to answer fast.
constexpr std::uint64_t kMaxKernelPoints = std::uint64_t{1} << 24;

// A lattice named by its family and norm: 'square' or 'eisenstein' with the
// norm m of the differences that are unit distances, or 'moser' (m = 1).
struct NamedLattice {
    bool moser = false;
    const lattice_sets::PlaneLattice* plane = &lattice_sets::kSquareLattice;
    std::uint64_t m = 1;

    std::size_t dimension() const { return moser ? 4 : 2; }
};

bool read_family(PyObject* object, NamedLattice& out) {
    if (PyUnicode_Check(object)) {
        for (const lattice_sets::PlaneLattice* plane : lattice_sets::kPlaneLattices) {
            if (PyUnicode_CompareWithASCIIString(object, std::string(plane->name).c_str()) == 0) {
                out.plane = plane;
                return true;
            }
        }
        if (PyUnicode_CompareWithASCIIString(object, "moser") == 0) {
            out.moser = true;
            return true;
        }
    }
    PyErr_Format(PyExc_ValueError, "family must be 'square', 'eisenstein' or 'moser', not %R",
                 object);
    return false;
}

bool read_lattice(PyObject* family, PyObject* m, NamedLattice& out) {
    if (!read_family(family, out) || !extract_argument("m", m, out.m)) return false;
    if (out.moser ? out.m != 1 : (out.m < 1 || out.m > lattice_sets::kMaxNorm)) {
        PyErr_Format(PyExc_ValueError, "m = %llu is not a norm of this lattice",
                     static_cast<unsigned long long>(out.m));
        return false;
    }
    return true;
}

// Every step of the lattice (both signs) as rows of its coordinates; the
// Moser lattice's unit vectors in increasing coordinate order.
std::vector<std::int64_t> steps_of(const NamedLattice& lattice) {
    std::vector<std::int64_t> rows;
    if (lattice.moser) {
        rows = records::flat_rows(records::moser_search_lattice().steps());
    } else {
        for (const lattice_sets::LatticeCoordinate& s :
             lattice_sets::norm_vectors(*lattice.plane, lattice.m)) {
            rows.insert(rows.end(), {s.a, s.b});
        }
    }
    return rows;
}

PyRef count_list(const std::vector<std::uint64_t>& values) {
    PyRef list(PyList_New(static_cast<Py_ssize_t>(values.size())));
    if (!list) return {};
    for (std::size_t k = 0; k < values.size(); ++k) {
        PyObject* item = PyLong_FromUnsignedLongLong(values[k]);
        if (item == nullptr) return {};
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(k), item);
    }
    return list;
}

void raise_lattice_error(const lattice_sets::LatticeError& error) {
    const std::string message = error.message();
    PyErr_SetString(PyExc_ValueError, message.c_str());
}

constexpr const char* kPatchNames[] = {"family", "shape", "size"};
constexpr ParameterTable kPatchTable{"lattice_patch()", kPatchNames, 3};
constexpr const char* kStepsNames[] = {"family", "m"};
constexpr ParameterTable kStepsTable{"unit_steps()", kStepsNames, 2};
constexpr const char* kPeelNames[] = {"family", "m", "coordinates"};
constexpr ParameterTable kPeelTable{"peel_order()", kPeelNames, 3};
constexpr const char* kGrowNames[] = {"family", "m", "coordinates", "count"};
constexpr ParameterTable kGrowTable{"grow()", kGrowNames, 4};
constexpr const char* kSetNames[] = {"family", "m", "coordinates", "shape"};
constexpr ParameterTable kSetTable{"lattice_set()", kSetNames, 4};

}  // namespace

const char kPlaneLatticesDoc[] =
    "plane_lattices()\n"
    "--\n"
    "\n"
    "The plane lattices of the 'square' and 'eisenstein' families, in the\n"
    "order ties between them are broken: a tuple of dicts with 'name',\n"
    "'trace' and 'discriminant' (the lattice is Z[tau], tau = (trace +\n"
    "i sqrt(discriminant)) / 2) and 'shapes' (the patch shapes, the disk\n"
    "first).";

const char kLatticePatchDoc[] =
    "lattice_patch(family, shape, size)\n"
    "--\n"
    "\n"
    "The first `size` points of the shape's order in the 'square' or\n"
    "'eisenstein' lattice, as an (size, 2) int64 table in row-major order.";

const char kUnitStepsDoc[] =
    "unit_steps(family, m)\n"
    "--\n"
    "\n"
    "Every lattice vector that is a unit distance: for 'square' and\n"
    "'eisenstein' the vectors of norm m, for 'moser' (m = 1) its 18 unit\n"
    "vectors; an int64 table of 2 or 4 columns.";

const char kPeelOrderDoc[] =
    "peel_order(family, m, coordinates)\n"
    "--\n"
    "\n"
    "Removes the points one at a time, each time one with the fewest unit\n"
    "neighbours left (the lowest index among equals). Returns (removed,\n"
    "edges_left): the indices in the order removed, and the number of unit\n"
    "pairs left after 0, 1, ... removals. ValueError for repeated points.";

const char kGrowDoc[] =
    "grow(family, m, coordinates, count)\n"
    "--\n"
    "\n"
    "Adds up to `count` lattice points, each time the point outside the set\n"
    "with the most unit neighbours in it (the smallest coordinates among\n"
    "equals). Returns (added, edges): the points added as a table, and the\n"
    "number of unit pairs after 0, 1, ... additions.";

const char kLatticeSetDoc[] =
    "lattice_set(family, m, coordinates, shape)\n"
    "--\n"
    "\n"
    "The result dictionary of exactly these points, checked exactly: for\n"
    "'square' and 'eisenstein' put in row-major order and joined at norm m\n"
    "(`shape` names a patch shape of the family), for 'moser' in the given\n"
    "order (`shape` is any label). ValueError when the check fails.";

PyObject* plane_lattices(PyObject*, PyObject*) {
    return run_translated([&]() -> PyRef {
        PyRef all(PyTuple_New(std::ssize(lattice_sets::kPlaneLattices)));
        if (!all) return {};
        Py_ssize_t index = 0;
        for (const lattice_sets::PlaneLattice* plane : lattice_sets::kPlaneLattices) {
            PyRef shapes(PyTuple_New(std::ssize(plane->shapes)));
            if (!shapes) return {};
            Py_ssize_t k = 0;
            for (const lattice_sets::PatchShape shape : plane->shapes) {
                const std::string_view name = lattice_sets::shape_name(shape);
                PyObject* text =
                    PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
                if (text == nullptr) return {};
                PyTuple_SET_ITEM(shapes.get(), k++, text);
            }
            const std::string name(plane->name);
            PyRef entry(Py_BuildValue("{s:s,s:L,s:L,s:O}", "name", name.c_str(), "trace",
                                      static_cast<long long>(plane->trace), "discriminant",
                                      static_cast<long long>(plane->discriminant), "shapes",
                                      shapes.get()));
            if (!entry) return {};
            PyTuple_SET_ITEM(all.get(), index++, entry.release());
        }
        return all;
    });
}

PyObject* lattice_patch(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[3];
        NamedLattice named;
        std::uint64_t size = 0;
        if (!bind_arguments(kPatchTable, args, nargs, kwnames, slots) ||
            !read_family(slots[0], named) || !extract_argument("size", slots[2], size)) {
            return {};
        }
        std::optional<lattice_sets::PatchShape> shape;
        if (PyUnicode_Check(slots[1])) {
            Py_ssize_t length = 0;
            const char* text = PyUnicode_AsUTF8AndSize(slots[1], &length);
            if (text == nullptr) return {};
            shape = lattice_sets::shape_from_name(
                std::string_view(text, static_cast<std::size_t>(length)));
        }
        if (named.moser || !shape || !lattice_sets::shape_fits(*named.plane, *shape)) {
            PyErr_Format(PyExc_ValueError, "no patch shape %R in this family", slots[1]);
            return {};
        }
        if (size > kMaxKernelPoints) {
            PyErr_Format(PyExc_ValueError, "size must be at most %llu",
                         static_cast<unsigned long long>(kMaxKernelPoints));
            return {};
        }
        auto points = run_released(
            [&] {
                const lattice_sets::LatticePatch patch =
                    lattice_sets::shape_patch(*named.plane, *shape, size);
                return std::vector<lattice_sets::LatticeCoordinate>(patch.points().begin(),
                                                                    patch.points().end());
            },
            size >= kLongWorkPoints);
        if (!points) return {};
        return table_to_python(std::move(*points));
    });
}

PyObject* unit_steps(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[2];
        NamedLattice named;
        if (!bind_arguments(kStepsTable, args, nargs, kwnames, slots) ||
            !read_lattice(slots[0], slots[1], named)) {
            return {};
        }
        auto steps = run_released([&] { return steps_of(named); });
        if (!steps) return {};
        return flat_table_to_python(std::move(*steps), named.dimension());
    });
}

PyObject* peel_order(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[3];
        NamedLattice named;
        std::vector<std::int64_t> coordinates;
        if (!bind_arguments(kPeelTable, args, nargs, kwnames, slots) ||
            !read_lattice(slots[0], slots[1], named) ||
            !flat_table_from_python(slots[2], "argument 'coordinates'", named.dimension(),
                                    coordinates)) {
            return {};
        }
        const std::uint64_t n = coordinates.size() / named.dimension();
        auto peeled = run_released(
            [&] {
                const std::vector<std::int64_t> steps = steps_of(named);
                return lattice_sets::peel_order({named.dimension(), coordinates, steps});
            },
            n >= kLongWorkPoints);
        if (!peeled) return {};
        if (!*peeled) {
            raise_lattice_error(peeled->error());
            return {};
        }
        PyRef removed = count_list((*peeled)->removed);
        PyRef left = count_list((*peeled)->edges_left);
        if (!removed || !left) return {};
        return pair_to_python(std::move(removed), std::move(left));
    });
}

PyObject* grow(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[4];
        NamedLattice named;
        std::vector<std::int64_t> coordinates;
        std::uint64_t count = 0;
        if (!bind_arguments(kGrowTable, args, nargs, kwnames, slots) ||
            !read_lattice(slots[0], slots[1], named) ||
            !flat_table_from_python(slots[2], "argument 'coordinates'", named.dimension(),
                                    coordinates) ||
            !extract_argument("count", slots[3], count)) {
            return {};
        }
        const std::uint64_t n = coordinates.size() / named.dimension();
        if (count > kMaxKernelPoints) {
            PyErr_Format(PyExc_ValueError, "count must be at most %llu",
                         static_cast<unsigned long long>(kMaxKernelPoints));
            return {};
        }
        auto grown = run_released(
            [&] {
                const std::vector<std::int64_t> steps = steps_of(named);
                return lattice_sets::grow_most_connected({named.dimension(), coordinates, steps},
                                                         count);
            },
            n + count >= kLongWorkPoints);
        if (!grown) return {};
        if (!*grown) {
            raise_lattice_error(grown->error());
            return {};
        }
        PyRef added = flat_table_to_python(std::move((*grown)->added), named.dimension());
        PyRef edges = count_list((*grown)->edges);
        if (!added || !edges) return {};
        return pair_to_python(std::move(added), std::move(edges));
    });
}

PyObject* lattice_set(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return run_translated([&]() -> PyRef {
        PyObject* slots[4];
        NamedLattice named;
        if (!bind_arguments(kSetTable, args, nargs, kwnames, slots) ||
            !read_lattice(slots[0], slots[1], named)) {
            return {};
        }
        if (!PyUnicode_Check(slots[3])) {
            PyErr_Format(PyExc_TypeError, "argument 'shape': expected str, not %.100s",
                         Py_TYPE(slots[3])->tp_name);
            return {};
        }
        Py_ssize_t length = 0;
        const char* text = PyUnicode_AsUTF8AndSize(slots[3], &length);
        if (text == nullptr) return {};
        const std::string label(text, static_cast<std::size_t>(length));
        if (named.moser) {
            std::vector<std::int64_t> coordinates;
            if (!flat_table_from_python(slots[2], "argument 'coordinates'", 4, coordinates)) {
                return {};
            }
            const std::uint64_t n = coordinates.size() / 4;
            auto built = run_released(
                [&] {
                    return unit_lattices::checked_unit_lattice_set(unit_lattices::moser_lattice(),
                                                                   std::move(coordinates));
                },
                n >= kLongWorkPoints);
            if (!built) return {};
            if (!*built) {
                const std::string message = built->error().message();
                PyErr_SetString(PyExc_ValueError, message.c_str());
                return {};
            }
            return moser_set_to_python(std::move(**built), label);
        }
        const std::optional<lattice_sets::PatchShape> shape = lattice_sets::shape_from_name(label);
        if (!shape || !lattice_sets::shape_fits(*named.plane, *shape)) {
            PyErr_Format(PyExc_ValueError, "no patch shape %R in this family", slots[3]);
            return {};
        }
        std::vector<lattice_sets::LatticeCoordinate> coordinates;
        if (!table_from_python(slots[2], "argument 'coordinates'", coordinates)) return {};
        const std::uint64_t n = coordinates.size();
        auto built = run_released(
            [&] {
                return lattice_sets::lattice_point_set_of(*named.plane, named.m, *shape,
                                                          std::move(coordinates));
            },
            n >= kLongWorkPoints);
        if (!built) return {};
        if (!*built) {
            raise_lattice_error(built->error());
            return {};
        }
        return lattice_set_to_python(std::move(**built));
    });
}

}  // namespace vantor::python
