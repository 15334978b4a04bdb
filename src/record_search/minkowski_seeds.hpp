#pragma once
// Minkowski sums of small dense sets as starting points for a search.
// If A and B have a and b points and e(A), e(B) unit pairs, A + B has at
// most a*b points and, when no two sums coincide, at least
// e(A)*b + a*e(B) unit pairs; in the Moser lattice sums often coincide or
// gain pairs between the copies, which makes them denser still.

#include <cstdint>
#include <vector>

#include "record_search/search_state.hpp"

namespace vantor::records {

// From the best sets of 2 to 12 points in `pools` (index = size; three of
// each size): every sum A + g(B) with g one of the lattice's symmetries and
// |A| |B| <= 2 min(n_max, 400), and every A + g(B) + h(C) with C of at most
// five points under the same bound. Entry n of the result holds the sums
// of n <= n_max points that can enter the pool of size n: one per
// congruence class, none congruent to a set of the pools, the best `width`
// in the pools' order under `seed` (search_state.hpp), best first.
std::vector<SetPool> minkowski_seeds(const std::vector<SetPool>& pools, std::uint64_t n_max,
                                     std::uint64_t width, std::uint64_t seed,
                                     const SearchLattice& lattice = moser_search_lattice());

}  // namespace vantor::records
