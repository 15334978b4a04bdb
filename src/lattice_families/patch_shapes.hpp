#pragma once
// The shapes a patch of lattice points is cut in. Each shape orders the
// lattice points around the origin by an integer key (a norm of the plane
// evaluated exactly on the coordinates); a patch of N points is the first N
// points of that order, equal keys ordered by the lattice norm, then by b,
// then by a, so every N gives one well-defined patch.
//
//   disk            lattice norm (square: a^2 + b^2; eisenstein: a^2 + ab + b^2)
//   square          max(|a|, |b|)                       square lattice only
//   diamond         |a| + |b|                           square lattice only
//   hexagon         max(|a|, |b|, |a + b|)              eisenstein only
//                   (corners on the six unit vectors, flat top and bottom)
//   turned_hexagon  max(|2a + b|, |a + 2b|, |a - b|)    eisenstein only
//                   (the hexagon turned by 30 degrees: pointed top and bottom)

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "lattice_families/family.hpp"
#include "lattice_families/lattice_patch.hpp"

namespace vantor::lattice {

enum class PatchShape { Disk, Square, Diamond, Hexagon, TurnedHexagon };

// The shape's name as above.
std::string_view shape_name(PatchShape shape);
// The shape called `name`, if any.
std::optional<PatchShape> shape_from_name(std::string_view name);

// The shapes that fit the family, the disk first.
std::span<const PatchShape> family_shapes(LatticeFamily family);
bool shape_fits(LatticeFamily family, PatchShape shape);

// The first `count` lattice points of the shape's order, as a patch with
// one run per row. The shape must fit the family (std::invalid_argument otherwise).
LatticePatch shape_patch(LatticeFamily family, PatchShape shape, std::uint64_t count);

}  // namespace vantor::lattice
