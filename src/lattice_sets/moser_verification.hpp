#pragma once
// The exact check of a point set of the Moser lattice, independent of how
// it was found: it trusts nothing but the coordinates, the floats and the
// edge list it is given.

#include <cstdint>
#include <expected>
#include <span>

#include "lattice_sets/lattice_error.hpp"
#include "lattice_sets/moser_lattice.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

// Succeeds only when all of these hold, and otherwise names the first fault:
// - one point per coordinate vector, coordinates within kMaxMoserCoordinate;
// - every point is bit for bit moser_point(coordinate);
// - every edge (i, j) has i < j < n, the edges are sorted without repeats,
//   and the two points differ by an element of modulus exactly 1 (decided
//   in integers by moser_norm);
// - the points are distinct lattice points, and there are no unit pairs
//   beyond the edges: every pair whose floats lie within 1.25 of each other
//   in both directions is tested exactly (rounding moves a point by less
//   than 0.01, so no unit pair lies outside that window), and the count
//   must equal the number of edges. No list of unit steps is assumed.
std::expected<void, LatticeError> verify_moser_set(std::span<const MoserCoordinate> coordinates,
                                                   std::span<const Point> points,
                                                   std::span<const Edge> edges);

}  // namespace vantor::lattice_sets
