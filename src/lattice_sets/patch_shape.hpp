#pragma once
// The shapes a patch of lattice points is cut in, and their names. Which
// shapes fit a lattice is part of its description (plane_lattice.hpp);
// shape_patch.hpp cuts them.
//
//   disk            lattice norm (square: a^2 + b^2; eisenstein: a^2 + ab + b^2)
//   square          max(|a|, |b|)                       square lattice only
//   diamond         |a| + |b|                           square lattice only
//   hexagon         max(|a|, |b|, |a + b|)              eisenstein only
//                   (corners on the six unit vectors, flat top and bottom)
//   turned_hexagon  max(|2a + b|, |a + 2b|, |a - b|)    eisenstein only
//                   (the hexagon turned by 30 degrees: pointed top and bottom)

#include <optional>
#include <string_view>

namespace vantor::lattice_sets {

enum class PatchShape { Disk, Square, Diamond, Hexagon, TurnedHexagon };

// The shape's name as above.
std::string_view shape_name(PatchShape shape);
// The shape called `name`, if any.
std::optional<PatchShape> shape_from_name(std::string_view name);

}  // namespace vantor::lattice_sets
