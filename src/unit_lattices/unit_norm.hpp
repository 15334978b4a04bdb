#pragma once
// The exact test "z has modulus 1" for a field element z given by integer
// numerators x over a denominator d.
//
// With c the automorphism that is complex conjugation under the principal
// embedding (the flip at the generator -1), |z|^2 = 1 is the statement
// z * c(z) = 1 in the field. By the product rule e_r e_s = s(r, s) e_(r^s),
//
//   d^2 * (z c(z))_m = sum_r x_r x_(r^m) s(r, r^m) sign(r^m),
//
// where sign(k) is -1 when k holds the imaginary generator. Its entry m = 0
// is sum_r |g_r| x_r^2 with g_r the product of the generators in r: a
// positive definite form in the numerators, the one the enumeration of unit
// vectors is bounded by. z has modulus 1 exactly when entry 0 is d^2 and
// every other entry is 0.

#include <gmpxx.h>

#include <cstdint>
#include <span>

#include "algebraic/field/multiquadratic_field.hpp"
#include "unit_lattices/integer_vector.hpp"

namespace vantor::unit_lattices {

// The weights |g_m| of the form above, one per basis element.
std::vector<std::int64_t> norm_weights(const MultiquadraticField& field);

// The exact test for numerators that fit 64 bits: in 128-bit arithmetic
// when degree * max|x|^2 * max|g| is below 2**126 (then no sum can
// overflow), in GMP otherwise.
bool has_modulus_one(std::span<const std::int64_t> x, const mpz_class& d,
                     const MultiquadraticField& field);

// The same test for numerators of any size, in GMP.
bool has_modulus_one(const IntegerVector& x, const mpz_class& d, const MultiquadraticField& field);

// The product of two elements given by numerators (over any denominators:
// the product's is their product), by the rule e_r e_s = s(r, s) e_(r^s).
IntegerVector multiply(const IntegerVector& x, const IntegerVector& y,
                       const MultiquadraticField& field);

// The image of x under c (complex conjugation in the principal embedding).
IntegerVector conjugate(const IntegerVector& x, const MultiquadraticField& field);

}  // namespace vantor::unit_lattices
