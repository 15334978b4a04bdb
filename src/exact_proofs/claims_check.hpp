#pragma once
// The re-check of an exact multiquadratic result, as a file states it:
// nothing in it is taken on faith, and the first claim that does not hold
// is named.

#include <cstdint>
#include <optional>
#include <string>

#include "exact_proofs/exact_result.hpp"

namespace vantor::exact {

// Checks, in this order, and returns the first failure as a sentence, or
// nothing when every claim holds:
// - the generators make a field that contains -1;
// - every element and translation reads as an element of that field;
// - every point is the principal embedding of its element, bit for bit;
// - every translation has modulus exactly 1;
// - every certified edge (i, j, t, s) has i < j < n, a listed translation,
//   s = +1 or -1, and element j - element i = s * translation t exactly;
// - the proven unit edges and the near misses are each sorted and without
//   repeats, with i < j < n; each proven edge is exactly one unit long and
//   no near miss is;
// - every certified edge is a proven unit edge;
// - the audit tolerance lies in [0, 1) and the two lists together are
//   exactly the pairs within it of distance 1 (the pair test of
//   count_unit_distances), so that no unit pair in that window is left out;
// - `exact_unit_distances` equals the number of proven unit edges.
// Polls for interruption.
std::optional<std::string> first_false_claim(const ExactMultiquadraticResult& claims,
                                             std::uint64_t exact_unit_distances);

}  // namespace vantor::exact
