#pragma once
// The lattice constructions: n points of a lattice patch, joined at norm m
// and scaled to unit distances, with the norm and the shape either given
// or chosen to give the most unit distances. Every result has passed the
// exact check of exact_verification.hpp before it is returned.

#include <cstdint>
#include <expected>
#include <optional>
#include <vector>

#include "lattice_sets/plane_lattice.hpp"
#include "lattice_sets/lattice_error.hpp"
#include "lattice_sets/lattice_set.hpp"
#include "lattice_sets/shape_patch.hpp"

namespace vantor::lattice_sets {

// Exactly n points of the lattice. With m given, the pairs at norm
// m are the edges (m must be a norm of the lattice); with the shape given,
// the points come from that shape. Whatever is not given is chosen among
// the candidate norms and the lattice's shapes for the most edges; the patch
// may be cut a little larger and trimmed back to n by removing its least
// connected points. The same arguments give the same set, bit for bit.
std::expected<LatticePointSet, LatticeError> lattice_point_set(const PlaneLattice& lattice,
                                                               std::uint64_t n,
                                                               std::optional<std::uint64_t> m,
                                                               std::optional<PatchShape> shape);

// The set of exactly the given points (any order, distinct, coordinates
// within kMaxCoordinate), put in row-major order and joined at norm m,
// after the exact check; `shape` only labels it.
std::expected<LatticePointSet, LatticeError> lattice_point_set_of(
    const PlaneLattice& lattice, std::uint64_t m, PatchShape shape,
    std::vector<LatticeCoordinate> coordinates);

// The set with the most edges over every plane lattice, all their shapes
// and candidate norms; equal counts go to the lattice listed first in
// kPlaneLattices (the square lattice), then to the shape listed first,
// then to the smaller m.
std::expected<LatticePointSet, LatticeError> best_lattice_point_set(std::uint64_t n);

}  // namespace vantor::lattice_sets
