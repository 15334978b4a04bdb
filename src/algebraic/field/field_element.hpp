#pragma once
// Exact elements of a multiquadratic field: one rational coefficient per
// basis element, in the field's bit-mask numbering. Elements are values:
// every operation returns a new element and leaves its operands alone. An
// element does not hold its field; operations that need the field's tables
// take it as an argument. Binary operations expect operands of the field's
// degree.

#include <cstdint>
#include <span>
#include <vector>

#include "multiquadratic_field.hpp"
#include "rational.hpp"

namespace vantor {

struct FieldElement {
    std::vector<Rational> coefficients;

    // Every coefficient 0.
    static FieldElement zero(const MultiquadraticField& field);
    // Coefficient 0 is 1, all others 0.
    static FieldElement one(const MultiquadraticField& field);
    // Each integer n becomes the coefficient n/1; the list must hold exactly
    // degree entries.
    static Result<FieldElement> from_integers(const MultiquadraticField& field,
                                              std::span<const std::int64_t> values);

    friend bool operator==(const FieldElement&, const FieldElement&) = default;
};

FieldElement add(const FieldElement& a, const FieldElement& b);
FieldElement sub(const FieldElement& a, const FieldElement& b);
// The product by the rule e_i * e_j = s(i, j) * e_(i XOR j).
FieldElement mul(const FieldElement& a, const FieldElement& b, const MultiquadraticField& field);
// The automorphism sqrt(g_b) -> -sqrt(g_b): negates every coefficient whose
// index has bit b.
FieldElement flip_generator(const FieldElement& a, std::uint64_t b);
// Complex conjugation under the principal embedding: the flip at the
// imaginary generator, or a plain copy in a real field.
FieldElement complex_conjugate(const FieldElement& a, const MultiquadraticField& field);
// Every coefficient times q.
FieldElement scale(const FieldElement& a, const Rational& q);

}  // namespace vantor
