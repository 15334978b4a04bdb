#include "lattice_sets/lattice_error.hpp"

#include <type_traits>

namespace vantor::lattice_sets {

namespace {

template <class>
inline constexpr bool kAlwaysFalse = false;

std::string decimal(std::uint64_t value) { return std::to_string(value); }

std::string decimal(__int128 value) {
    if (value == 0) return "0";
    const bool negative = value < 0;
    unsigned __int128 magnitude =
        negative ? -static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
    std::string digits;
    while (magnitude > 0) {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    }
    return negative ? "-" + digits : digits;
}

std::string pair_text(std::uint64_t i, std::uint64_t j) {
    std::string text = "(";
    text += decimal(i);
    text += ", ";
    text += decimal(j);
    text += ")";
    return text;
}

std::string shape_list(const PlaneLattice& lattice) {
    std::string list;
    for (PatchShape shape : lattice.shapes) {
        if (!list.empty()) list += ", ";
        list += '\'';
        list += shape_name(shape);
        list += '\'';
    }
    return list;
}

}  // namespace

bool LatticeError::is_request_error() const {
    return std::holds_alternative<NormOutOfRange>(kind) || std::holds_alternative<NotANorm>(kind) ||
           std::holds_alternative<ShapeNotInLattice>(kind) ||
           std::holds_alternative<ParameterOutOfRange>(kind);
}

std::string LatticeError::message() const {
    return std::visit(
        [](const auto& e) -> std::string {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, NormOutOfRange>) {
                return "m must be between 1 and 2**53, got " + decimal(e.m);
            } else if constexpr (std::is_same_v<E, NotANorm>) {
                return decimal(e.m) + " is not a norm of the " +
                       std::string(e.lattice->name) +
                       " lattice: no two of its points are sqrt(" + decimal(e.m) + ") apart";
            } else if constexpr (std::is_same_v<E, ShapeNotInLattice>) {
                return "shape '" + std::string(shape_name(e.shape)) + "' does not fit the " +
                       std::string(e.lattice->name) + " lattice; its shapes are " +
                       shape_list(*e.lattice);
            } else if constexpr (std::is_same_v<E, ParameterOutOfRange>) {
                return std::string(e.name) + " must be between " + decimal(e.low) + " and " +
                       decimal(e.high) + ", got " + decimal(e.value);
            } else if constexpr (std::is_same_v<E, CountMismatch>) {
                return decimal(e.points) + " points for " + decimal(e.coordinates) +
                       " lattice coordinates";
            } else if constexpr (std::is_same_v<E, CoordinateOutOfRange>) {
                return "lattice coordinates of point " + decimal(e.point) + " exceed 2**" +
                       decimal(std::uint64_t{e.limit_log2}) + " in magnitude";
            } else if constexpr (std::is_same_v<E, PointNotScaledLatticePoint>) {
                return "point " + decimal(e.point) +
                       " is not its lattice point scaled by 1/sqrt(m)";
            } else if constexpr (std::is_same_v<E, RepeatedPoint>) {
                return "points " + decimal(e.first) + " and " + decimal(e.second) +
                       " are the same lattice point";
            } else if constexpr (std::is_same_v<E, EdgeIndexOutOfRange>) {
                return "edge " + decimal(e.edge) + " " + pair_text(e.i, e.j) +
                       " names a point outside 0.." + decimal(e.point_count) + " (exclusive)";
            } else if constexpr (std::is_same_v<E, EdgeOutOfOrder>) {
                return "edge " + decimal(e.edge) +
                       " is out of order: edges must be (i, j) with i < j, sorted, without "
                       "repeats";
            } else if constexpr (std::is_same_v<E, EdgeWrongNorm>) {
                return "edge " + decimal(e.edge) + " " + pair_text(e.i, e.j) +
                       ": the points differ by a vector of norm " + decimal(e.norm) +
                       ", not " + decimal(e.m);
            } else if constexpr (std::is_same_v<E, MissingEdges>) {
                return "the edges list " + decimal(e.listed) + " of the " + decimal(e.present) +
                       " pairs at norm m";
            } else {
                static_assert(kAlwaysFalse<E>, "unhandled LatticeError kind");
            }
        },
        kind);
}

}  // namespace vantor::lattice_sets
