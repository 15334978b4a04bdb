#pragma once
// The norm equation theta * conj(theta) = T over the integer elements of a
// field, and the modular arithmetic its searches share. An integer element
// is its coefficient vector in the field's basis numbering; vectors compare
// lexicographically (coefficient 0 first, each coefficient ordered as a
// signed integer), which is the order in which the prime element is chosen.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "../field/multiquadratic_field.hpp"

namespace vantor {

// True when x is not rational (some coefficient at index 1 or more is not 0)
// and x times its complex conjugate is exactly `target`: constant term
// `target`, every other coefficient 0. Exact (big-integer products).
bool solves_norm_equation(std::span<const std::int64_t> x, const MultiquadraticField& field,
                          std::int64_t target);

// sum over m of weight_m * x_m^2, or nothing when it leaves the signed
// 64-bit range.
std::optional<std::int64_t> weighted_square_sum(std::span<const std::int64_t> x,
                                                std::span<const std::int64_t> weights);

// x with the square root of generator k negated for every bit k of `flips`:
// coefficient m changes sign when m and `flips` share an odd number of bits.
std::vector<std::int64_t> apply_sign_flips(std::span<const std::int64_t> x, std::uint64_t flips);

// a * b mod m for m < 2^63, with an exact 128-bit product.
inline std::uint64_t mul_mod(std::uint64_t a, std::uint64_t b, std::uint64_t m) {
    return static_cast<std::uint64_t>(static_cast<unsigned __int128>(a) * b % m);
}

// A square root of a modulo the odd prime q, for a a non-zero square modulo
// q (Tonelli-Shanks); the smaller of the two roots, so the result does not
// depend on the path taken.
std::uint64_t sqrt_mod(std::uint64_t a, std::uint64_t q);

// True when a is 0 or a square modulo the odd prime q.
bool is_square_mod(std::uint64_t a, std::uint64_t q);

}  // namespace vantor
