#pragma once
// The norms m worth trying for a lattice construction. A norm with many
// lattice vectors gives each point many partners at distance sqrt(m), and
// a small norm keeps those partners inside the patch; the candidates are
// the norms that no smaller norm beats on the number of vectors.

#include <cstdint>
#include <vector>

#include "lattice_sets/plane_lattice.hpp"

namespace vantor::lattice_sets {

struct CandidateNorm {
    std::uint64_t m;
    // The number of lattice vectors of norm m (both signs).
    std::uint64_t vector_count;
};

// Increasing, without repeats: every m <= max_norm that is a product of
// the lattice's split primes (1 mod split_modulus: 1 mod 4 for the square
// lattice, 1 mod 3 for the Eisenstein integers; powers and the empty
// product 1 included) and has at least as many vectors as every smaller
// such product; then each of those times the ramified prime (2, resp. 3),
// which turns the vectors by 45, resp. 30 degrees without adding any.
// Vector counts: unit_count * prod(e + 1) (4, resp. 6, times it), over the
// exponents e of the split primes.
std::vector<CandidateNorm> candidate_norms(const PlaneLattice& lattice, std::uint64_t max_norm);

}  // namespace vantor::lattice_sets
