#pragma once
// The re-check of an exact multiquadratic result, as a file states it:
// nothing in it is taken on faith, and the first claim that does not hold
// is named.

#include <cstdint>
#include <optional>
#include <string>

#include "exact_proofs/exact_result.hpp"

namespace vantor::exact {

// The largest work the check takes on, so that no claim, however hostile,
// makes it allocate or compute without bound: the field's degree (the
// construction works in far smaller fields), the characters of one
// coefficient (an integer of more than 309 digits rounds to an infinite
// float, so no finite point rests on it) and the bits of the common
// denominator of the elements, on which every pair verdict works.
inline constexpr std::uint64_t kMaxCheckedDegree = 256;
inline constexpr std::uint64_t kMaxCoefficientChars = 2 * 309 + 2;
inline constexpr std::uint64_t kMaxCommonDenominatorBits = 4096;

// Checks, in this order, and returns the first failure as a sentence, or
// nothing when every claim holds:
// - the generators make a field that contains -1, of degree at most
//   kMaxCheckedDegree;
// - every element and translation reads as an element of that field, each
//   coefficient at most kMaxCoefficientChars long, the common denominator
//   of the elements at most kMaxCommonDenominatorBits;
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
// Polls for interruption at least once per element, translation or pair.
// Throws RequestTooLarge (memory_budget.hpp) before any big-number work
// when the elements and translations as exact numbers would not fit in
// memory.
std::optional<std::string> first_false_claim(const ExactMultiquadraticResult& claims,
                                             std::uint64_t exact_unit_distances);

}  // namespace vantor::exact
