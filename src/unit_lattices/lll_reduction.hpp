#pragma once
// LLL reduction of a lattice basis under a positive definite diagonal
// quadratic form, in exact rational arithmetic.

#include <cstdint>
#include <span>
#include <vector>

#include "unit_lattices/integer_vector.hpp"

namespace vantor::unit_lattices {

// Gram-Schmidt data of a basis under the form: Q(sum_j c_j b_j) =
// sum_i squared[i] * (c_i + sum_{j > i} mu[j][i] * c_j)^2, exactly.
struct GramSchmidt {
    std::vector<std::vector<mpq_class>> mu;  // mu[j][i], i < j
    std::vector<mpq_class> squared;          // |b*_i|^2, all positive
};

// The Gram-Schmidt data of linearly independent `basis` rows under the form
// x -> sum_m weights[m] x[m]^2 (weights positive).
GramSchmidt gram_schmidt(const std::vector<IntegerVector>& basis,
                         std::span<const std::int64_t> weights);

// Turns the linearly independent rows of `basis` into an LLL-reduced basis
// (delta = 3/4, every |mu| <= 1/2) of the same lattice under the form
// above. Exact, deterministic; polls for interruption between steps.
void lll_reduce(std::vector<IntegerVector>& basis, std::span<const std::int64_t> weights);

}  // namespace vantor::unit_lattices
