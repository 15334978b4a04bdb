#pragma once
// The form every edge list of a finished point set has: pairs (i, j) with
// i < j < n, sorted, without repeats. The exact checks of every lattice
// test it before they test what an edge joins.

#include <cstdint>
#include <optional>
#include <span>

#include "lattice_sets/lattice_error.hpp"
#include "point.hpp"

namespace vantor::lattice_sets {

// The fault of edge e of a list for n points (EdgeIndexOutOfRange or
// EdgeOutOfOrder), or nothing when edge e is in place.
inline std::optional<LatticeError> edge_place_fault(std::span<const Edge> edges, std::uint64_t e,
                                                    std::uint64_t n) {
    const Edge edge = edges[e];
    if (edge.i >= n || edge.j >= n) return LatticeError{EdgeIndexOutOfRange{e, edge.i, edge.j, n}};
    if (edge.i >= edge.j || (e > 0 && !(edges[e - 1] < edge))) {
        return LatticeError{EdgeOutOfOrder{e}};
    }
    return std::nullopt;
}

}  // namespace vantor::lattice_sets
