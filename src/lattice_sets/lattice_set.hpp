#pragma once
// A finished lattice point set: n points of one lattice, cut in one shape,
// joined where their difference has norm m, scaled by 1/sqrt(m) so that the
// joined pairs are exactly the unit distances of the lattice's norm m.

#include <cstdint>
#include <vector>

#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/shape_patch.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

struct LatticePointSet {
    const PlaneLattice* lattice = &kSquareLattice;
    PatchShape shape = PatchShape::Disk;
    std::uint64_t m = 1;
    // Row-major (b, then a); point k is plane_point(*lattice, coordinates[k], sqrt(m)).
    std::vector<LatticeCoordinate> coordinates;
    PointList points;
    // Every pair at norm m, (i, j) with i < j, sorted.
    EdgeList edges;
};

}  // namespace vantor::lattice_sets
