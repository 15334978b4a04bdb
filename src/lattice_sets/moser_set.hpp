#pragma once
// A finished point set of the Moser lattice: its coordinates, its points in
// the plane and all its unit distances, checked exactly.

#include <expected>
#include <vector>

#include "lattice_sets/lattice_error.hpp"
#include "lattice_sets/moser_lattice.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

struct MoserPointSet {
    std::vector<MoserCoordinate> coordinates;
    // Point k is moser_point(coordinates[k]).
    PointList points;
    // Every pair (i, j), i < j, at distance exactly 1, sorted.
    EdgeList edges;
};

// The set of the given coordinates, in their order, with its points and
// edges (found through the unit steps), returned only after
// verify_moser_set accepted it; otherwise the fault it found (repeated or
// out-of-range coordinates).
std::expected<MoserPointSet, LatticeError> moser_point_set(
    std::vector<MoserCoordinate> coordinates);

}  // namespace vantor::lattice_sets
