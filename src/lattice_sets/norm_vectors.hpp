#pragma once
// The lattice vectors of a given norm: the differences that become unit
// distances once the lattice is scaled by 1/sqrt(m).

#include <cstdint>
#include <vector>

#include "lattice_sets/plane_lattice.hpp"

namespace vantor::lattice_sets {

// Every (a, b) with norm exactly m, in row-major order (b, then a). Found by
// testing each row b for an exact square root (4m = (2a + t b)^2 + D b^2), so the cost grows like
// sqrt(m); at most rows with |b| <= max_row are searched, which bounds the
// work when only short differences can occur (a difference inside a point
// set never spans more rows than the set). m = 0 gives the zero vector.
std::vector<LatticeCoordinate> norm_vectors(const PlaneLattice& lattice, std::uint64_t m,
                                            std::uint64_t max_row = UINT64_MAX);

// One vector of each pair +v, -v: those with b > 0, or b = 0 and a > 0. Every
// unordered pair of points at norm m differs by exactly one of them.
std::vector<LatticeCoordinate> half_norm_vectors(const PlaneLattice& lattice, std::uint64_t m,
                                                 std::uint64_t max_row = UINT64_MAX);

}  // namespace vantor::lattice_sets
