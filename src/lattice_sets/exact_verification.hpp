#pragma once
// The exact check of a lattice point set, independent of how it was built:
// it trusts nothing but the lattice, m, the integer coordinates, the floats
// and the edge list it is given.

#include <cstdint>
#include <expected>
#include <span>

#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/lattice_error.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

// Succeeds only when all of these hold, and otherwise names the first fault:
// - 1 <= m <= 2**53, one point per coordinate pair, coordinates within
//   kMaxCoordinate;
// - every point is bit for bit plane_point(lattice, coordinate, sqrt(m));
// - every edge (i, j) has i < j < n, the edges are sorted without repeats,
//   and coordinates j - i have norm exactly m (128-bit integer arithmetic);
// - the points are distinct lattice points, and no pair at norm m is
//   missing from the edges (the pairs are recounted vector by vector).
std::expected<void, LatticeError> verify_lattice_set(const PlaneLattice& lattice, std::uint64_t m,
                                                     std::span<const LatticeCoordinate> coordinates,
                                                     std::span<const Point> points,
                                                     std::span<const Edge> edges);

}  // namespace vantor::lattice_sets
