#pragma once
// The dictionary form of a lattice point set, both ways: built from a
// finished set, and read back from a dictionary (possibly edited, or
// rebuilt by the caller) for an exact re-check.

#include <Python.h>

#include <cstdint>
#include <vector>

#include <string_view>

#include "common/py_ref.hpp"
#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/lattice_set.hpp"
#include "point.hpp"
#include "unit_lattices/unit_lattice_set.hpp"

namespace vantor::python {

// A new dict with, in this order: "family" and "shape" (names), "m",
// "points" (list of (x, y) floats), "coordinates" and "edges" (tables of
// shape (rows, 2), int64; common/int64_table.hpp), "unit_distances" (the number of edges) and
// "verified" (True: only sets that passed the exact check get here).
PyRef lattice_set_to_python(lattice_sets::LatticePointSet set);

// The same for a set of the Moser lattice (unit_lattices/moser_lattice.hpp):
// "family" is 'moser', "shape" says where it comes from ('atlas' or
// 'search'), "m" is 1 (the unit distances are the pairs at distance 1
// itself) and "coordinates" has four columns (a, b, c, d).
PyRef moser_set_to_python(unit_lattices::UnitLatticeSet set, std::string_view shape);

// What the exact check reads from a result dictionary: the lattice
// plane lattices' fields, or the Moser lattice's when `moser` is set.
struct LatticeSetInput {
    bool moser = false;
    std::vector<std::int64_t> moser_coordinates;  // rows of four
    const lattice_sets::PlaneLattice* plane = &lattice_sets::kSquareLattice;
    std::uint64_t m = 0;
    std::vector<lattice_sets::LatticeCoordinate> coordinates;
    PointList points;
    EdgeList edges;
};

// Reads "family", "m" (not for 'moser'), "coordinates", "points" and
// "edges" from a mapping. On failure returns false with the exception set:
// KeyError for a missing key, TypeError or ValueError for a value of the
// wrong kind.
bool lattice_set_from_python(PyObject* mapping, LatticeSetInput& out);

}  // namespace vantor::python
