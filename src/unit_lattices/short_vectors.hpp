#pragma once
// Every lattice vector inside an ellipsoid, found by exact enumeration.

#include <cstdint>
#include <expected>
#include <vector>

#include "unit_lattices/lll_reduction.hpp"
#include "unit_lattices/unit_lattice_error.hpp"

namespace vantor::unit_lattices {

// The enumeration gives up beyond this many nodes of its search tree (a few
// minutes of exact arithmetic); the known rings need a few thousand.
inline constexpr std::uint64_t kMaxEnumerationNodes = 100'000'000;

// Every integer vector c (one entry per basis vector) with
//   Q(c) = sum_i squared[i] * (c_i + sum_{j > i} mu[j][i] * c_j)^2 <= bound,
// in increasing lexicographic order of (c_(n-1), ..., c_0) reversed into
// c. Every comparison is exact (GMP rationals): at depth i, with the outer
// coordinates fixed, the admissible c_i form one interval around the centre
// -sum_{j > i} mu[j][i] c_j, and the walk leaves that interval only after an
// exact test has failed on each side, so no vector within the bound is
// skipped. Coordinates beyond 2**40 are refused (DescriptionTooLarge).
std::expected<std::vector<std::vector<std::int64_t>>, UnitLatticeError> vectors_within(
    const GramSchmidt& form, const mpq_class& bound,
    std::uint64_t node_limit = kMaxEnumerationNodes);

}  // namespace vantor::unit_lattices
