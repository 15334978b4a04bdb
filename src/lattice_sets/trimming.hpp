#pragma once
// Trimming a patch to an exact size by peeling its least connected points.

#include <cstdint>
#include <span>
#include <vector>

#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/lattice_patch.hpp"

namespace vantor::lattice_sets {

struct TrimmedPatch {
    // Indices into the patch of the points kept, increasing.
    std::vector<std::uint64_t> kept;
    // The number of pairs among the kept points that differ by one of the
    // vectors.
    std::uint64_t edge_count = 0;
};

// Removes points one at a time until `keep` remain (keep <= patch size),
// each time a point with the fewest neighbours left, the lowest index
// among equals, so the result is reproducible. Neighbours differ by one
// of +-half_vectors.
TrimmedPatch trim_least_connected(const LatticePatch& patch,
                                  std::span<const LatticeCoordinate> half_vectors,
                                  std::uint64_t keep);

}  // namespace vantor::lattice_sets
