#include "unit_lattices/unit_lattice_error.hpp"

#include <type_traits>

namespace vantor::unit_lattices {

namespace {

template <class>
inline constexpr bool kAlwaysFalse = false;

std::string decimal(std::uint64_t value) { return std::to_string(value); }

std::string pair_text(std::uint64_t i, std::uint64_t j) {
    std::string text = "(";
    text += decimal(i);
    text += ", ";
    text += decimal(j);
    text += ")";
    return text;
}

}  // namespace

std::string UnitLatticeError::message() const {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, FieldRejected>) {
                return "generators: " + e.reason;
            } else if constexpr (std::is_same_v<E, NoUnits>) {
                return "units: at least one element of modulus 1 is needed";
            } else if constexpr (std::is_same_v<E, UnitLengthMismatch>) {
                return "units[" + decimal(e.unit) + "]: expected " + decimal(e.degree) +
                       " coefficients (the field's degree), got " + decimal(e.actual);
            } else if constexpr (std::is_same_v<E, NotAUnit>) {
                return "units[" + decimal(e.unit) + "]: the element does not have modulus 1";
            } else if constexpr (std::is_same_v<E, UnitsDependent>) {
                return "units: the units of a given basis must be linearly independent";
            } else if constexpr (std::is_same_v<E, DescriptionTooLarge>) {
                return std::string("the lattice's ") + e.what + " exceeds 2**" +
                       decimal(e.limit_log2);
            } else if constexpr (std::is_same_v<E, EnumerationTooLarge>) {
                return "the unit vectors of this lattice need more than " + decimal(e.nodes) +
                       " enumeration steps";
            } else if constexpr (std::is_same_v<E, WrongColumns>) {
                return "coordinates: expected " + decimal(e.rank) +
                       " columns (the lattice's rank), got " + decimal(e.columns);
            } else if constexpr (std::is_same_v<E, PointCountMismatch>) {
                return "coordinates has " + decimal(e.coordinates) + " rows but points has " +
                       decimal(e.points);
            } else if constexpr (std::is_same_v<E, CoordinateTooLarge>) {
                return "coordinates[" + decimal(e.point) + "] exceeds 2**" +
                       decimal(e.limit_log2) + " in magnitude";
            } else if constexpr (std::is_same_v<E, PointMismatch>) {
                return "points[" + decimal(e.point) +
                       "] is not the plane point of its coordinates";
            } else if constexpr (std::is_same_v<E, RepeatedLatticePoint>) {
                return "points " + decimal(e.first) + " and " + decimal(e.second) +
                       " have the same coordinates";
            } else if constexpr (std::is_same_v<E, EdgeOutOfRange>) {
                return "edge " + decimal(e.edge) + " " + pair_text(e.i, e.j) +
                       " needs i < j < " + decimal(e.point_count);
            } else if constexpr (std::is_same_v<E, EdgesNotSorted>) {
                return "edge " + decimal(e.edge) + " is out of sorted order";
            } else if constexpr (std::is_same_v<E, EdgeNotUnit>) {
                return "edge " + decimal(e.edge) + " " + pair_text(e.i, e.j) +
                       " does not join points at distance exactly 1";
            } else if constexpr (std::is_same_v<E, UnitPairsMissing>) {
                return "the edges list " + decimal(e.listed) + " unit pairs, the set has " +
                       decimal(e.present);
            } else {
                static_assert(kAlwaysFalse<E>, "every error kind needs a message");
            }
        },
        kind);
}

}  // namespace vantor::unit_lattices
