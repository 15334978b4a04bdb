#pragma once
// The prime element found through its real part, for fields of large degree
// and small primes.

#include <cstdint>
#include <optional>
#include <vector>

#include "../field/multiquadratic_field.hpp"

namespace vantor {

// For an imaginary field and target T > 0: the lexicographically first
// integer vector theta that is not rational with theta * conj(theta) = T,
// or nothing when there is none. theta = alpha + beta * i with alpha and
// beta in the real subfield, and alpha^2 + beta^2 = T there, so every real
// embedding of alpha lies in [-sqrt T, sqrt T]. The coefficient 0 of theta
// is that of alpha; for c = -floor(sqrt T), ... upwards, every alpha of
// coefficient 0 equal to c in that box is listed, and T - alpha^2 is tested
// exactly for being a square beta^2. The first c with a solution ends the
// search. The cost follows the number of lattice points in the box near its
// most negative corner: small for large fields and small primes. With a
// non-zero node_budget the search gives up (nothing, and *cut_short set when
// given) once it has visited that many nodes of the box enumeration.
std::optional<std::vector<std::int64_t>> first_solution_by_real_part(
    const MultiquadraticField& field, std::int64_t target, std::uint64_t node_budget = 0,
    bool* cut_short = nullptr);

}  // namespace vantor
