#pragma once
// Elements met by the construction are sums of translations, so they are
// kept as integer numerators over the one shared translation denominator
// (p^a for the construction; any positive 64-bit value for a certificate's
// translations). These are the conversions of that form at its edges: to the
// double and the text of each reduced coefficient, to an exact rational, and
// to the embedding vector.

#include <cstdint>
#include <span>
#include <string>

#include "algebraic/field/complex.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "algebraic/field/rational.hpp"

namespace vantor {

using Numerator = __int128;

// The fraction numerator / denominator (denominator > 0) in lowest terms.
struct ReducedFraction {
    Numerator numerator;
    std::int64_t denominator;
};
ReducedFraction reduce_fraction(Numerator numerator, std::int64_t denominator);

// coefficient_to_f64 of the reduced fraction, bit for bit.
double fraction_to_f64(Numerator numerator, std::int64_t denominator);

// format_rational of the reduced fraction: "n", or "n/d".
std::string fraction_text(Numerator numerator, std::int64_t denominator);

// The exact rational numerator / denominator, in lowest terms.
Rational fraction_rational(Numerator numerator, std::int64_t denominator);

// The embedding vector of the element with these numerators, exactly as
// `embeddings` computes it for the exact element; `values` and `weights`
// have one entry per basis element, and `weights` receives the result.
void embed_numerators(const Numerator* numerators, std::int64_t denominator,
                      const MultiquadraticField& field, std::span<double> values,
                      std::span<Complex> weights);

}  // namespace vantor
