#pragma once
// Exact rationals (GMP, always in lowest terms with a positive denominator),
// their conversion to 64-bit floats and their canonical text form.

#include <gmpxx.h>

#include <string>
#include <string_view>

#include "../../error.hpp"

namespace vantor {

using Rational = mpq_class;

// The double nearest to n, ties to even; an infinity of n's sign when |n|
// lies beyond the double range.
double integer_to_f64(const mpz_class& n);
// The same for a 128-bit integer.
double integer_to_f64(__int128 n);

// Numerator and denominator each rounded to the nearest double (ties to
// even, or an infinity), then one IEEE division. So huge/huge is NaN and
// small/huge is 0; the points of the construction depend on exactly this.
double coefficient_to_f64(const Rational& q);

// "n" when the denominator is 1, else "n/d"; the sign is on the numerator.
std::string format_rational(const Rational& q);

// Reads "n" or "n/d". Each integer is an optional sign followed by digits
// and underscores, the first of them a digit. Failures are schema
// mismatches carrying the parser's text.
CertResult<Rational> parse_rational(std::string_view text);

}  // namespace vantor
