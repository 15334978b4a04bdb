#include "lattice_sets/patch_shape.hpp"

#include <array>
#include <utility>

namespace vantor::lattice_sets {

namespace {

constexpr std::array<std::pair<PatchShape, std::string_view>, 5> kShapeNames{{
    {PatchShape::Disk, "disk"},
    {PatchShape::Square, "square"},
    {PatchShape::Diamond, "diamond"},
    {PatchShape::Hexagon, "hexagon"},
    {PatchShape::TurnedHexagon, "turned_hexagon"},
}};

}  // namespace

std::string_view shape_name(PatchShape shape) {
    for (const auto& [known, name] : kShapeNames) {
        if (known == shape) return name;
    }
    return "disk";
}

std::optional<PatchShape> shape_from_name(std::string_view name) {
    for (const auto& [shape, known] : kShapeNames) {
        if (known == name) return shape;
    }
    return std::nullopt;
}

}  // namespace vantor::lattice_sets
