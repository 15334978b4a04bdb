#pragma once
// Patches cut in a shape (patch_shape.hpp). Each shape orders the lattice
// points around the origin by an integer key (a norm of the plane evaluated
// exactly on the coordinates; the disk's key is the lattice norm); a patch
// of N points is the first N points of that order, equal keys ordered by
// the lattice norm, then by b, then by a, so every N gives one well-defined
// patch.

#include <cstdint>

#include "lattice_sets/lattice_patch.hpp"
#include "lattice_sets/patch_shape.hpp"
#include "lattice_sets/plane_lattice.hpp"

namespace vantor::lattice_sets {

// True when the shape is one of the lattice's shapes.
bool shape_fits(const PlaneLattice& lattice, PatchShape shape);

// The first `count` lattice points of the shape's order, as a patch with
// one run per row. The shape must fit the lattice (std::invalid_argument
// otherwise).
LatticePatch shape_patch(const PlaneLattice& lattice, PatchShape shape, std::uint64_t count);

}  // namespace vantor::lattice_sets
