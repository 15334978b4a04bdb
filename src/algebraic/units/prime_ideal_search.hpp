#pragma once
// The prime element of a split prime found through the prime ideals above
// it, for fields of small degree and primes of any size.

#include <cstdint>
#include <optional>
#include <vector>

#include "../field/multiquadratic_field.hpp"

namespace vantor {

// For an imaginary field and an odd prime p that splits completely (every
// generator a non-zero square modulo p): the lexicographically first integer
// vector theta that is not rational with theta * conj(theta) = p, found
// among the ideals that take one prime above p from each complex-conjugate
// pair. Nothing when the lattice work leaves the 128-bit range (the caller
// then searches another way). Its cost grows with 2^(degree/2) ideals, so
// it suits degrees up to 16.
std::optional<std::vector<std::int64_t>> first_solution_by_prime_ideals(
    const MultiquadraticField& field, std::int64_t p);

}  // namespace vantor
