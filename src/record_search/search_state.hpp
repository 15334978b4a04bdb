#pragma once
// A set of points of a search lattice as the searches hold it: packed
// points, sorted, with their number of unit pairs and their fingerprint.

#include <cstdint>
#include <span>
#include <vector>

#include "record_search/packed_point.hpp"
#include "record_search/search_lattice.hpp"
#include "record_search/set_fingerprint.hpp"

namespace vantor::records {

struct SearchSet {
    std::vector<PackedPoint> points;  // increasing
    std::uint64_t edges = 0;          // pairs that differ by a unit step
    SetFingerprint fingerprint;
};

// The sets a search keeps of one size, best first.
using SetPool = std::vector<SearchSet>;

// The order of sets with equal counts in a search under `seed`: a hash of
// the fingerprint value and the seed (lower first), so that different seeds
// break ties differently and congruent sets always sit side by side.
std::uint64_t tie_order(std::uint64_t fingerprint, std::uint64_t seed);

// True when set x (count, fingerprint value) goes before set y in a pool:
// more edges, then the lower tie order, then the lower fingerprint.
inline bool goes_before(std::uint64_t x_edges, std::uint64_t x_order, std::uint64_t x_fingerprint,
                        std::uint64_t y_edges, std::uint64_t y_order,
                        std::uint64_t y_fingerprint) {
    if (x_edges != y_edges) return x_edges > y_edges;
    if (x_order != y_order) return x_order < y_order;
    return x_fingerprint < y_fingerprint;
}

// A search set of the given distinct packable points, its edges counted by
// looking up every point plus every unit step.
SearchSet search_set_of(std::vector<PackedPoint> points,
                        const SearchLattice& lattice = moser_search_lattice());

// The degree of every point (in the order of set.points): the number of
// unit steps that lead to another point of the set.
std::vector<std::uint32_t> degrees(const SearchSet& set,
                                   const SearchLattice& lattice = moser_search_lattice());

// The set in its standard position: turned by the symmetry its fingerprint
// names, moved so that its lowest point (in the order of packed words) is 0,
// and sorted. Congruent sets come out equal unless their fingerprints
// collide.
std::vector<SearchCoordinate> standard_position(
    const SearchSet& set, const SearchLattice& lattice = moser_search_lattice());

}  // namespace vantor::records
