// Norm-one translations, the unit denominator check, and translation
// certificates.

#include <gtest/gtest.h>

#include <cmath>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/section2/translations.hpp"

namespace vantor {
namespace {

MultiquadraticField field_of(std::vector<std::int64_t> generators) {
    return *MultiquadraticField::from_generators(generators);
}

TEST(Translations, KZeroGivesTheSingleTranslationOne) {
    const auto field = field_of({2, -1});
    auto list = translation_list(field, 17, 0, 3);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->elements.size(), 1u);
    EXPECT_EQ(list->elements[0], FieldElement::one(field));
    EXPECT_EQ(list->denominator, 1);
}

TEST(Translations, RootTwoWithSeventeen) {
    // theta = -4 - i, conjugates (theta, theta): the combinations give
    // conj(theta)^2 / 17, 1 (twice) and theta^2 / 17.
    const auto field = field_of({2, -1});
    auto list = translation_list(field, 17, 1, 3);
    ASSERT_TRUE(list);
    ASSERT_EQ(list->elements.size(), 3u);
    EXPECT_EQ(key_of(list->elements[0]).coefficients,
              (std::vector<std::string>{"15/17", "0", "-8/17", "0"}));
    EXPECT_EQ(list->elements[1], FieldElement::one(field));
    EXPECT_EQ(key_of(list->elements[2]).coefficients,
              (std::vector<std::string>{"15/17", "0", "8/17", "0"}));
    EXPECT_EQ(list->denominator, 17);
    EXPECT_EQ(list->prime_exponent, 1u);
}

TEST(Translations, EveryTranslationHasModulusOneEverywhere) {
    struct Case {
        std::vector<std::int64_t> generators;
        std::int64_t p;
        std::uint64_t k;
    };
    for (const Case& c : {Case{{2, -1}, 17, 2}, Case{{2, 3, -1}, 73, 1}, Case{{-1}, 5, 4},
                          Case{{5, -1}, 29, 2}, Case{{-1, 2}, 41, 1}}) {
        const auto field = field_of(c.generators);
        auto list = translation_list(field, c.p, c.k, 3);
        ASSERT_TRUE(list) << list.error().message();
        auto certificates = translation_certificates(list->elements, field);
        ASSERT_TRUE(certificates);
        ASSERT_EQ(certificates->size(), list->elements.size());
        for (std::size_t t = 0; t < list->elements.size(); ++t) {
            const FieldElement& T = list->elements[t];
            EXPECT_EQ(mul(T, complex_conjugate(T, field), field), FieldElement::one(field));
            EXPECT_EQ((*certificates)[t].key, key_of(T));
            EXPECT_EQ((*certificates)[t].norm_key, one_key(field.degree()));
            EXPECT_LT((*certificates)[t].max_modulus_error, 1e-14);
            for (std::size_t u = 0; u < t; ++u) EXPECT_FALSE(list->elements[u] == T);
            for (const Complex& v : embeddings(T, field)) EXPECT_NEAR(std::hypot(v.re, v.im), 1.0, 1e-14);
        }
    }
}

TEST(Translations, FailuresInTheOrderTheyArise) {
    struct Case {
        std::vector<std::int64_t> generators;
        std::int64_t p;
        std::uint64_t k;
        std::uint64_t bound;
        std::string message;
    };
    for (const Case& c : std::vector<Case>{
             Case{{2}, 17, 1, 3, "field is missing the imaginary generator -1 required by the construction"},
             Case{{2, -1}, 17, 1, 0, "could not find a suitable prime element theta for p = 17 up to exponent 0"},
             Case{{-1}, 5, 1, 3, "invalid search parameter unit_scale_exponent: expected even scaling exponent"},
             // theta = -3i has exponent 2, so e * k overflows while (k + 1)^1 fits.
             Case{{-1}, 3, std::uint64_t{1} << 63, 3,
              "invalid search parameter unit_scale_exponent: integer exponentiation overflowed"},
             Case{{2, -1}, 17, std::uint64_t{1} << 32, 3,
              "invalid search parameter unit_modulus_combination_count: integer exponentiation overflowed"},
             Case{{2, -1}, 17, 20, 3,
              "invalid search parameter unit_scale_denominator: integer exponentiation overflowed"},
             Case{{-1}, 5, std::uint64_t{1} << 40, 3,
              "invalid search parameter unit_scale_denominator: integer exponentiation overflowed"}}) {
        auto list = translation_list(field_of(c.generators), c.p, c.k, c.bound);
        ASSERT_FALSE(list) << c.message;
        EXPECT_EQ(list.error().message(), c.message);
    }
    // The largest k wraps the base k + 1 to zero: no combination at all.
    auto empty = translation_list(field_of({2, -1}), 17, ~std::uint64_t{0}, 3);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->elements.empty());
}

TEST(Translations, UnitDenominatorCheck) {
    const auto two = field_of({2, -1});
    EXPECT_TRUE(unit_denominator_check(two, 17, 1, 3));
    EXPECT_EQ(unit_denominator_check(field_of({-1}), 5, 1, 3).error().message(),
              "invalid search parameter unit_denominator: expected an even unit scaling exponent");
    EXPECT_EQ(unit_denominator_check(two, 17, 100, 3).error().message(),
              "invalid search parameter unit_denominator: unit denominator overflowed i64");
    EXPECT_EQ(unit_denominator_check(two, 17, 1, 0).error().message(),
              "could not find a suitable prime element theta for p = 17 up to exponent 0");
    // e * k and the shift wrap: k = 2^63 with two generators gives S = 0.
    EXPECT_TRUE(unit_denominator_check(two, 17, std::uint64_t{1} << 63, 3));
}

TEST(Translations, CertificatesOfWrongLengthFail) {
    const auto field = field_of({2, -1});
    FieldElement wrong{{Rational(1)}};
    auto certificates = translation_certificates({wrong}, field);
    EXPECT_EQ(certificates.error().message(),
              "invalid search parameter translation_certificate: could not build exact translation "
              "norm certificate");
}

}  // namespace
}  // namespace vantor
