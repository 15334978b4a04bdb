#pragma once
// A finite set of points of a unit lattice, joined where they differ by a
// unit vector, and its exact check.

#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "point.hpp"
#include "unit_lattices/unit_lattice.hpp"
#include "unit_lattices/unit_lattice_error.hpp"

namespace vantor::unit_lattices {

struct UnitLatticeSet {
    // Point k has coordinates coordinates[k * rank .. k * rank + rank).
    std::vector<std::int64_t> coordinates;
    // points[k] is lattice.plane_point of those coordinates.
    PointList points;
    // Every pair (i, j), i < j, whose difference is a unit vector, sorted.
    EdgeList edges;
};

// The set of the given distinct points (flat rows of rank coordinates):
// its plane points and its unit pairs, found by looking up every point plus
// every unit vector. Fails for coordinates out of range or repeated, so a
// returned set is one that verify_unit_lattice_set accepts.
std::expected<UnitLatticeSet, UnitLatticeError> unit_lattice_set(
    const UnitLattice& lattice, std::vector<std::int64_t> coordinates);

// The same set, returned only after verify_unit_lattice_set accepted it:
// what every set handed out is.
std::expected<UnitLatticeSet, UnitLatticeError> checked_unit_lattice_set(
    const UnitLattice& lattice, std::vector<std::int64_t> coordinates);

// The exact check of a set as a caller states it: `columns` must be the
// rank; every row within range and distinct; every point the plane point
// of its row bit for bit; every edge (i, j) with i < j < n, in strictly
// increasing order, joining points whose difference has modulus exactly 1
// (the exact norm test, not the unit list); and as many edges as there are
// pairs differing by a unit vector (counted through the complete unit list),
// so none is missing. The first fault found is the error, as a plain loop
// over the points, then the edges, would meet it; the work runs on several
// threads with the same result for every thread count.
std::expected<void, UnitLatticeError> verify_unit_lattice_set(
    const UnitLattice& lattice, std::uint64_t columns, std::span<const std::int64_t> coordinates,
    std::span<const Point> points, std::span<const Edge> edges);

}  // namespace vantor::unit_lattices
