#pragma once
// The edges of a lattice point set: the pairs whose difference has norm m.

#include <span>

#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/lattice_patch.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

// Every pair (i, j), i < j, of the patch's points that differ by one of
// +-half_vectors, sorted by i, then j, without repeats. half_vectors must
// be the vectors of one norm after 0 in row-major order, in row-major order
// (as half_norm_vectors gives them): then p_j = p_i + v with j > i, and j
// grows with v. The work is split over threads; the result does not depend
// on their number.
EdgeList norm_edges(const LatticePatch& patch, std::span<const LatticeCoordinate> half_vectors);

}  // namespace vantor::lattice_sets
