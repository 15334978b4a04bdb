#include "vantor_tools_lattice/lattice_dict.hpp"

#include <span>
#include <string_view>
#include <utility>

#include "common/arguments.hpp"
#include "common/results.hpp"
#include "common/int64_table.hpp"

namespace vantor::python {

namespace {

PyRef text_to_python(std::string_view text) {
    return PyRef(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

// Stores a new value under `key`; an empty value means its construction
// failed and the exception is already set.
bool set_item(PyObject* dict, const char* key, PyRef value) {
    if (!value) return false;
    return PyDict_SetItemString(dict, key, value.get()) == 0;
}

// A new reference to mapping[key], or empty with KeyError (or whatever the
// lookup raised) set.
PyRef item(PyObject* mapping, const char* key) {
    return PyRef(PyMapping_GetItemString(mapping, key));
}

// Prefixes the pending TypeError or ValueError with the key it concerns.
bool fail_for_key(const char* key) {
    PyRef raised(PyErr_GetRaisedException());
    if (!raised) return false;
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(raised.get()));
    if (type != PyExc_TypeError && type != PyExc_ValueError && type != PyExc_OverflowError) {
        PyErr_SetRaisedException(raised.release());
        return false;
    }
    PyErr_Format(type, "result['%s']: %S", key, raised.get());
    return false;
}

constexpr char kMoserFamily[] = "moser";

// The result dictionary, keys in this order; the tables are already built
// (an empty one means its construction failed).
PyRef result_dict(std::string_view family, std::string_view shape, std::uint64_t m,
                  std::span<const Point> points, PyRef coordinates, PyRef edges,
                  std::uint64_t edge_count) {
    if (!coordinates || !edges) return {};
    PyRef dict(PyDict_New());
    if (!dict) return {};
    PyObject* d = dict.get();
    const bool complete = set_item(d, "family", text_to_python(family)) &&
                          set_item(d, "shape", text_to_python(shape)) &&
                          set_item(d, "m", count_to_python(m)) &&
                          set_item(d, "points", point_list_to_python(points)) &&
                          set_item(d, "coordinates", std::move(coordinates)) &&
                          set_item(d, "edges", std::move(edges)) &&
                          set_item(d, "unit_distances", count_to_python(edge_count)) &&
                          set_item(d, "verified", PyRef(Py_NewRef(Py_True)));
    if (!complete) return {};
    return dict;
}

bool read_family(PyObject* mapping, LatticeSetInput& out) {
    PyRef value = item(mapping, "family");
    if (!value) return false;
    if (PyUnicode_Check(value.get())) {
        for (const lattice_sets::PlaneLattice* plane : lattice_sets::kPlaneLattices) {
            if (PyUnicode_CompareWithASCIIString(value.get(), std::string(plane->name).c_str()) ==
                0) {
                out.plane = plane;
                return true;
            }
        }
        if (PyUnicode_CompareWithASCIIString(value.get(), kMoserFamily) == 0) {
            out.moser = true;
            return true;
        }
    }
    PyErr_Format(PyExc_ValueError,
                 "result['family'] must be 'square', 'eisenstein' or 'moser', not %R",
                 value.get());
    return false;
}

bool read_points_and_edges(PyObject* mapping, LatticeSetInput& out) {
    PyRef points = item(mapping, "points");
    if (!points) return false;
    if (!extract(points.get(), out.points)) return fail_for_key("points");
    PyRef edges = item(mapping, "edges");
    if (!edges) return false;
    return table_from_python(edges.get(), "result['edges']", out.edges);
}

}  // namespace

PyRef lattice_set_to_python(lattice_sets::LatticePointSet set) {
    const std::uint64_t edge_count = set.edges.size();
    return result_dict(set.lattice->name, lattice_sets::shape_name(set.shape), set.m,
                       set.points, table_to_python(std::move(set.coordinates)),
                       table_to_python(std::move(set.edges)), edge_count);
}

PyRef moser_set_to_python(unit_lattices::UnitLatticeSet set, std::string_view shape) {
    const std::uint64_t edge_count = set.edges.size();
    return result_dict(kMoserFamily, shape, 1, set.points,
                       flat_table_to_python(std::move(set.coordinates), 4),
                       table_to_python(std::move(set.edges)), edge_count);
}

bool lattice_set_from_python(PyObject* mapping, LatticeSetInput& out) {
    // A numpy scalar supports subscripts too, but holds no keys.
    if (!PyDict_Check(mapping) &&
        (!PyMapping_Check(mapping) || !PyObject_HasAttrString(mapping, "keys"))) {
        PyErr_Format(PyExc_TypeError, "result must be a mapping, not %s",
                     Py_TYPE(mapping)->tp_name);
        return false;
    }
    if (!read_family(mapping, out)) return false;
    if (out.moser) {
        PyRef coordinates = item(mapping, "coordinates");
        if (!coordinates) return false;
        return flat_table_from_python(coordinates.get(), "result['coordinates']", 4,
                                      out.moser_coordinates) &&
               read_points_and_edges(mapping, out);
    }

    PyRef m = item(mapping, "m");
    if (!m) return false;
    if (!extract(m.get(), out.m)) return fail_for_key("m");

    PyRef coordinates = item(mapping, "coordinates");
    if (!coordinates) return false;
    if (!table_from_python(coordinates.get(), "result['coordinates']", out.coordinates)) {
        return false;
    }
    return read_points_and_edges(mapping, out);
}

}  // namespace vantor::python
