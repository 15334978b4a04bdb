#pragma once
// Norm-one translations: exact field elements of modulus 1 under every
// complex embedding, built from the prime element theta of the split prime.
// Two points whose elements differ by a translation are exactly one unit
// apart in the plane.

#include <cstdint>
#include <vector>

#include "../../error.hpp"
#include "../field/field_element.hpp"
#include "../field/multiquadratic_field.hpp"
#include "../keys/algebraic_key.hpp"

namespace vantor {

struct Translations {
    // The translation list: distinct elements, first occurrences in
    // combination order. A translation's index here is its identity in paths,
    // edges and certificates.
    std::vector<FieldElement> elements;
    // elements[t] equals numerators[t] / denominator exactly: every
    // translation has integer coefficients over the common denominator
    // p^(e k L / 2).
    std::vector<std::vector<std::int64_t>> numerators;
    std::int64_t denominator = 1;
    // The exponent e of theta * conj(theta) = p^e.
    std::uint64_t prime_exponent = 0;
};

struct TranslationCertificate {
    AlgebraicKey key;        // key of T
    AlgebraicKey norm_key;   // key of T * conj(T)
    double max_modulus_error;  // largest |hypot(re, im) - 1| over the embeddings of T
};

// For every combination index t < (k + 1)^L, in order, with base-(k+1)
// digits h_j (least significant first): the product over the conjugates c_j
// of c_j^(h_j) * conj(c_j)^(k - h_j), divided by p^(e k L / 2); repeats are
// removed keeping first occurrences. Failures, in the order they can arise:
// missing -1, the prime element search, the combination count, the total
// exponent (overflow, then odd), the denominator.
Result<Translations> translation_list(const MultiquadraticField& field, std::int64_t p,
                                      std::uint64_t k, std::uint64_t max_prime_exponent);

// Runs the prime element search for e, then checks that
// S = e * k * 2^(n-1) (wrapping arithmetic) is even and that p^(S/2) fits a
// signed 64-bit integer.
Result<void> unit_denominator_check(const MultiquadraticField& field, std::int64_t p,
                                    std::uint64_t k, std::uint64_t max_prime_exponent);
// The arithmetic part of the check for an exponent e already found.
Result<void> unit_denominator_check_for_exponent(const MultiquadraticField& field, std::int64_t p,
                                                 std::uint64_t k, std::uint64_t exponent);

// One certificate per translation, in order: its key, the key of its product
// with its complex conjugate, and its largest modulus error.
Result<std::vector<TranslationCertificate>> translation_certificates(
    const std::vector<FieldElement>& translations, const MultiquadraticField& field);

}  // namespace vantor
