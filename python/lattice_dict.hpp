#pragma once
// The dictionary form of a lattice point set, both ways: built from a
// finished set, and read back from a dictionary (possibly edited, or
// rebuilt by the caller) for an exact re-check.

#include <Python.h>

#include <cstdint>
#include <vector>

#include "lattice_families/family.hpp"
#include "lattice_families/lattice_set.hpp"
#include "point.hpp"
#include "py_ref.hpp"

namespace vantor::python {

// A new dict with, in this order: "family" and "shape" (names), "m",
// "points" (list of (x, y) floats), "coordinates" and "edges" (memoryviews
// of shape (rows, 2), int64), "unit_distances" (the number of edges) and
// "verified" (True: only sets that passed the exact check get here).
PyRef lattice_set_to_python(lattice::LatticePointSet set);

// What the exact check reads from a result dictionary.
struct LatticeSetInput {
    lattice::LatticeFamily family = lattice::LatticeFamily::Square;
    std::uint64_t m = 0;
    std::vector<lattice::LatticeCoordinate> coordinates;
    PointList points;
    EdgeList edges;
};

// Reads "family", "m", "coordinates", "points" and "edges" from a mapping.
// On failure returns false with the exception set: KeyError for a missing
// key, TypeError or ValueError for a value of the wrong kind.
bool lattice_set_from_python(PyObject* mapping, LatticeSetInput& out);

}  // namespace vantor::python
