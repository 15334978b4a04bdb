#pragma once
// The Hermite normal form of a list of integer vectors: a basis of the
// group they span.

#include <vector>

#include "unit_lattices/integer_vector.hpp"

namespace vantor::unit_lattices {

// The nonzero rows of the row Hermite normal form of `rows` (all of one
// length): a basis of their integer span, in echelon form with positive
// pivots and every entry above a pivot reduced into 0 .. pivot - 1. The
// number of rows returned is the rank of the span. Exact (GMP).
std::vector<IntegerVector> hermite_basis(std::vector<IntegerVector> rows);

}  // namespace vantor::unit_lattices
