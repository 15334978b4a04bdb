#pragma once
// The split prime of the construction: an odd prime p modulo which every
// generator (including -1) is a non-zero square, so that p splits
// completely in the field.

#include <cstdint>
#include <span>

#include "../../error.hpp"

namespace vantor {

// Primality first ("split prime {} is not an odd prime"), then each
// generator in list order ("prime {} is not split by generator {}").
Result<void> check_split_prime(std::span<const std::int64_t> generators, std::int64_t p);

// True for the odd primes; decides exactly what trial division by 3 and by
// every odd f >= 5 with f*f <= p decides, without the billions of divisions.
bool is_odd_prime(std::int64_t p);

// a^e mod m with exact 128-bit intermediate products.
std::uint64_t power_mod(std::uint64_t a, std::uint64_t e, std::uint64_t m);

}  // namespace vantor
