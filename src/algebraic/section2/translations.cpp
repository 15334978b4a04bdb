#include "translations.hpp"

#include <cmath>
#include <stdexcept>
#include <unordered_set>

#include "../../utils/checked_math.hpp"
#include "../field/embeddings.hpp"
#include "../units/prime_element.hpp"

namespace vantor {
namespace {

using IntegerVector = std::vector<std::int64_t>;

struct IntegerVectorHash {
    std::size_t operator()(const IntegerVector& v) const noexcept {
        std::uint64_t seed = v.size();
        for (std::int64_t c : v) {
            seed ^= static_cast<std::uint64_t>(c) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        }
        return static_cast<std::size_t>(seed);
    }
};

// The product of two elements with integer coefficients, in integers. Every
// factor met while building the translations has modulus p^(e j / 2) <= the
// unit denominator under every embedding, and a coefficient is bounded by
// that modulus (basis values have modulus at least 1), so inputs, single
// terms and results fit in 64 bits and the sums of terms in 128. The checks
// only guard that reasoning.
IntegerVector integer_product(const IntegerVector& a, const IntegerVector& b,
                              const MultiquadraticField& field) {
    const std::uint64_t degree = field.degree();
    std::vector<__int128> sums(degree, 0);
    for (std::uint64_t i = 0; i < degree; ++i) {
        if (a[i] == 0) continue;
        for (std::uint64_t j = 0; j < degree; ++j) {
            if (b[j] == 0) continue;
            __int128 term = static_cast<__int128>(a[i]) * b[j];
            if (__builtin_mul_overflow(term, static_cast<__int128>(field.scale(i, j)), &term) ||
                __builtin_add_overflow(sums[i ^ j], term, &sums[i ^ j])) {
                throw std::logic_error("translation product left 128-bit range");
            }
        }
    }
    IntegerVector result(degree);
    for (std::uint64_t m = 0; m < degree; ++m) {
        if (sums[m] > INT64_MAX || sums[m] < INT64_MIN) {
            throw std::logic_error("translation coefficient left 64-bit range");
        }
        result[m] = static_cast<std::int64_t>(sums[m]);
    }
    return result;
}

IntegerVector integer_coefficients(const FieldElement& element) {
    IntegerVector values;
    values.reserve(element.coefficients.size());
    for (const Rational& q : element.coefficients) {
        if (q.get_den() != 1 || !q.get_num().fits_slong_p()) {
            throw std::logic_error("prime element is not a small integral element");
        }
        values.push_back(q.get_num().get_si());
    }
    return values;
}

IntegerVector integer_one(std::uint64_t degree) {
    IntegerVector one(degree, 0);
    one[0] = 1;
    return one;
}

}  // namespace

Result<Translations> translation_list(const MultiquadraticField& field, std::int64_t p,
                                      std::uint64_t k, std::uint64_t max_prime_exponent) {
    if (!field.imaginary_index()) return fail(MissingImaginaryGenerator{});
    auto prime = find_prime_element(field, p, max_prime_exponent);
    if (!prime) return std::unexpected(prime.error());
    const std::uint64_t e = prime->exponent;
    const std::vector<FieldElement> conjugates = conjugate_list(prime->theta, field);
    const std::uint64_t L = conjugates.size();

    // The base k + 1 wraps to 0 for the largest k, leaving no combination.
    const std::uint64_t base = k + 1;
    std::uint64_t combinations = 1;
    for (std::uint64_t j = 0; j < L; ++j) {
        auto next = checked_mul(combinations, base);
        if (!next) return fail(search_parameter::kUnitModulusCombinationCount);
        combinations = *next;
        if (combinations == 0) break;
    }

    Translations result;
    result.prime_exponent = e;
    if (combinations == 0) return result;

    // The total exponent E = e k L and the denominator p^(E/2) are the same
    // for every combination; checking them before any product is formed
    // keeps a huge k from multiplying for ever before it fails.
    auto ek = checked_mul(e, k);
    if (!ek) return fail(search_parameter::kUnitScaleExponentOverflow);
    auto total = checked_mul(*ek, L);
    if (!total) return fail(search_parameter::kUnitScaleExponentOverflow);
    if (*total % 2 != 0) return fail(search_parameter::kUnitScaleExponentOdd);
    auto denominator = checked_pow(p, *total / 2);
    if (!denominator) return fail(search_parameter::kUnitScaleDenominator);
    result.denominator = *denominator;

    // factors[j][h] = c_j^h * conj(c_j)^(k - h): conjugate j's part of every
    // combination whose digit j is h. Products are exact and commute, so the
    // combination's product may be assembled from these in any grouping.
    const std::uint64_t degree = field.degree();
    std::vector<std::vector<IntegerVector>> factors(L);
    for (std::uint64_t j = 0; j < L; ++j) {
        const IntegerVector c = integer_coefficients(conjugates[j]);
        const IntegerVector c_bar = integer_coefficients(complex_conjugate(conjugates[j], field));
        std::vector<IntegerVector> powers{integer_one(degree)};
        std::vector<IntegerVector> bar_powers{integer_one(degree)};
        for (std::uint64_t h = 1; h <= k; ++h) {
            powers.push_back(integer_product(powers.back(), c, field));
            bar_powers.push_back(integer_product(bar_powers.back(), c_bar, field));
        }
        for (std::uint64_t h = 0; h <= k; ++h) {
            factors[j].push_back(integer_product(powers[h], bar_powers[k - h], field));
        }
    }

    // Walk the combinations in order with their digits; suffix[j] is the
    // product of the factors of digits j .. L-1, so a step that changes only
    // the low digits recomputes only the low suffixes.
    std::vector<std::uint64_t> digits(L, 0);
    std::vector<IntegerVector> suffix(L + 1);
    suffix[L] = integer_one(degree);
    for (std::uint64_t j = L; j-- > 0;) suffix[j] = integer_product(factors[j][0], suffix[j + 1], field);

    std::unordered_set<IntegerVector, IntegerVectorHash> seen;
    const mpz_class common(static_cast<long>(result.denominator));
    for (std::uint64_t t = 0; t < combinations; ++t) {
        if (t > 0) {
            std::uint64_t changed = 0;
            while (digits[changed] == k) {
                digits[changed] = 0;
                ++changed;
            }
            ++digits[changed];
            for (std::uint64_t j = changed + 1; j-- > 0;) {
                suffix[j] = integer_product(factors[j][digits[j]], suffix[j + 1], field);
            }
        }
        const IntegerVector& product = suffix[0];
        if (!seen.insert(product).second) continue;
        FieldElement element;
        element.coefficients.reserve(degree);
        for (std::int64_t c : product) {
            Rational q(mpz_class(static_cast<long>(c)), common);
            q.canonicalize();
            element.coefficients.push_back(std::move(q));
        }
        result.elements.push_back(std::move(element));
        result.numerators.push_back(product);
    }
    return result;
}

Result<void> unit_denominator_check_for_exponent(const MultiquadraticField& field, std::int64_t p,
                                                 std::uint64_t k, std::uint64_t exponent) {
    // Wrapping arithmetic, as the scaling exponent has always been formed.
    const std::uint64_t shift = (field.generator_count() - 1) & 63;
    const std::uint64_t s = (exponent * k) << shift;
    if (s % 2 != 0) return fail(search_parameter::kUnitDenominatorOdd);
    if (!checked_pow(p, s / 2)) return fail(search_parameter::kUnitDenominatorOverflow);
    return {};
}

Result<void> unit_denominator_check(const MultiquadraticField& field, std::int64_t p,
                                    std::uint64_t k, std::uint64_t max_prime_exponent) {
    auto prime = find_prime_element(field, p, max_prime_exponent);
    if (!prime) return std::unexpected(prime.error());
    return unit_denominator_check_for_exponent(field, p, k, prime->exponent);
}

Result<std::vector<TranslationCertificate>> translation_certificates(
    const std::vector<FieldElement>& translations, const MultiquadraticField& field) {
    std::vector<TranslationCertificate> certificates;
    certificates.reserve(translations.size());
    for (const FieldElement& t : translations) {
        if (t.coefficients.size() != field.degree()) {
            return fail(search_parameter::kTranslationCertificate);
        }
        // Keys printed from exact elements are canonical, so reading them back
        // cannot fail and the key product equals the key of the product.
        TranslationCertificate certificate;
        certificate.key = key_of(t);
        certificate.norm_key = key_of(mul(t, complex_conjugate(t, field), field));
        double largest = 0.0;
        for (const Complex& v : embeddings(t, field)) {
            const double error = std::fabs(std::hypot(v.re, v.im) - 1.0);
            if (error > largest) largest = error;
        }
        certificate.max_modulus_error = largest;
        certificates.push_back(std::move(certificate));
    }
    return certificates;
}

}  // namespace vantor
