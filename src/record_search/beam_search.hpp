#pragma once
// A beam search for dense unit-distance sets in a search lattice
// (search_lattice.hpp): the Moser lattice, or any unit lattice of rank at
// most 4.
//
// For every size n it keeps a pool of at most `width` sets of n points,
// one per congruence class (set_fingerprint.hpp), those with the most unit
// pairs first. Three moves feed the pools:
//
// - growth: a set of n points plus one point p + u (p in the set, u a unit
//   step) becomes a candidate for size n + 1; its count is the parent's
//   plus the new point's degree, so a candidate costs a table lookup and a
//   fingerprint update, not a recount;
// - removal: a set of n + 1 points minus one of its least connected points
//   becomes a candidate for size n, which lets dense sets found at one size
//   reach the sizes below it;
// - sums: after the first growth pass, the Minkowski sums A + g(B) and
//   A + g(B) + h(C) of the densest small sets found (g, h symmetries of the
//   lattice) join the pools of their sizes; the densest known sets at sizes
//   such as 27 and 49 are such sums.
//
// The search makes `sweeps` growth passes from size 1 up to n_max, with a
// removal pass from n_max down between two of them. Among sets of equal
// count the order is a hash of the fingerprint and the seed, so different
// seeds explore different ties. The work within a pass runs on all threads;
// every choice depends on the request alone, so the result is the same for
// every thread count.

#include <atomic>
#include <cstdint>
#include <expected>
#include <vector>

#include "lattice_sets/lattice_error.hpp"
#include "record_search/search_lattice.hpp"

namespace vantor::records {

struct BeamSearchOptions {
    std::uint64_t n_max = 100;
    std::uint64_t width = 300;
    std::uint64_t seed = 0;
    std::uint64_t sweeps = 3;
};

inline constexpr std::uint64_t kMaxSearchPoints = 5000;
inline constexpr std::uint64_t kMaxSearchWidth = 1000000;
inline constexpr std::uint64_t kMaxSearchSweeps = 100;

// One set found: coordinates in standard position (search_state.hpp) and
// its number of unit pairs.
struct FoundSet {
    std::vector<SearchCoordinate> coordinates;
    std::uint64_t unit_distances = 0;

    friend bool operator==(const FoundSet&, const FoundSet&) = default;
};

// The request's parameters in range: 1 <= n_max <= kMaxSearchPoints,
// 1 <= width <= kMaxSearchWidth, 1 <= sweeps <= kMaxSearchSweeps.
std::expected<void, lattice_sets::LatticeError> check_search_request(
    const BeamSearchOptions& options);

// The number of passes over a pool the search makes, the unit of progress.
std::uint64_t search_steps(const BeamSearchOptions& options);

// The densest set found of every size 1 .. n_max (entry n - 1). Throws
// std::bad_alloc when the pools cannot fit in memory; `progress`, when
// given, counts the passes done out of search_steps(options). The request
// must have passed check_search_request.
std::vector<FoundSet> beam_search(const BeamSearchOptions& options,
                                  std::atomic<std::uint64_t>* progress = nullptr);
// The same search in `lattice`; with moser_search_lattice() it is the one
// above.
std::vector<FoundSet> beam_search(const BeamSearchOptions& options, const SearchLattice& lattice,
                                  std::atomic<std::uint64_t>* progress = nullptr);

// Every set of the densest count that the pool of each size holds at the
// end of the search (entry n - 1, in pool order, one per congruence class
// up to fingerprint collisions): the same search as beam_search, whose set
// is the first of each entry.
std::vector<std::vector<FoundSet>> beam_search_densest(const BeamSearchOptions& options,
                                                       std::atomic<std::uint64_t>* progress = nullptr);

}  // namespace vantor::records
