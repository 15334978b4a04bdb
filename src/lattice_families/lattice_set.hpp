#pragma once
// A finished lattice point set: n points of one lattice, cut in one shape,
// joined where their difference has norm m, scaled by 1/sqrt(m) so that the
// joined pairs are exactly the unit distances of the lattice's norm m.

#include <cstdint>
#include <vector>

#include "lattice_families/family.hpp"
#include "lattice_families/patch_shapes.hpp"
#include "point.hpp"

namespace vantor::lattice {

struct LatticePointSet {
    LatticeFamily family = LatticeFamily::Square;
    PatchShape shape = PatchShape::Disk;
    std::uint64_t m = 1;
    // Row-major (b, then a); point k is plane_point(family, coordinates[k], sqrt(m)).
    std::vector<LatticeCoordinate> coordinates;
    PointList points;
    // Every pair at norm m, (i, j) with i < j, sorted.
    EdgeList edges;
};

}  // namespace vantor::lattice
