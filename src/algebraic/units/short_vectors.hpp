#pragma once
// Integer lattices in Z^D measured by a diagonal quadratic form
// Q(x) = sum over m of w_m * x_m^2 with positive weights w_m: basis
// reduction, and the exact list of every lattice vector up to a bound.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vantor {

// Basis vectors as rows; every entry is an integer.
using LatticeBasis = std::vector<std::vector<__int128>>;

// Reduces a basis of full rank in place (Lenstra-Lenstra-Lovasz with
// parameter 0.99). Every change is an exact integer row operation, so the
// rows always span the same lattice; floating point only guides which
// operation to take. Returns false, leaving a basis of the same lattice,
// when an entry would leave the 128-bit range or the reduction does not
// settle within its step budget; the result is then merely less reduced.
bool reduce_basis(LatticeBasis& basis, std::span<const std::int64_t> weights);

// Calls visit(x) once for every non-zero lattice vector x with Q(x) <= bound,
// in an unspecified order. Exact: the Gram-Schmidt data are rationals and
// every bound is decided by rational comparison. A reduced basis keeps the
// search small; any basis gives the same vectors. Returns false (after
// visiting some of them) when a vector's entries do not fit 64 bits, which
// cannot happen when bound / w_m fits for every m.
bool for_each_short_vector(const LatticeBasis& basis, std::span<const std::int64_t> weights,
                           std::int64_t bound,
                           const std::function<void(std::span<const std::int64_t>)>& visit);

}  // namespace vantor
