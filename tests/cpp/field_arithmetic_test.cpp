// Exact element arithmetic, the float conversion of coefficients, and the
// text form of rationals.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "algebraic/field/embeddings.hpp"
#include "algebraic/field/field_element.hpp"

namespace vantor {
namespace {

MultiquadraticField field_of(std::vector<std::int64_t> generators) {
    return *MultiquadraticField::from_generators(generators);
}

FieldElement ints(const MultiquadraticField& field, std::vector<std::int64_t> values) {
    return *FieldElement::from_integers(field, values);
}

TEST(FieldArithmetic, ProductRuleInTheFieldOfRootTwoAndI) {
    const auto field = field_of({2, -1});
    auto product = [&](std::vector<std::int64_t> a, std::vector<std::int64_t> b) {
        return mul(ints(field, a), ints(field, b), field);
    };
    EXPECT_EQ(product({1, 0, 1, 0}, {1, 0, -1, 0}), ints(field, {2, 0, 0, 0}));
    EXPECT_EQ(product({0, 1, 0, 0}, {0, 1, 0, 0}), ints(field, {2, 0, 0, 0}));
    EXPECT_EQ(product({0, 0, 1, 0}, {0, 0, 1, 0}), ints(field, {-1, 0, 0, 0}));
    EXPECT_EQ(product({0, 0, 0, 1}, {0, 0, 0, 1}), ints(field, {-2, 0, 0, 0}));
    const FieldElement x = ints(field, {3, -1, 4, 1});
    EXPECT_EQ(mul(x, FieldElement::one(field), field), x);
    EXPECT_EQ(FieldElement::one(field), ints(field, {1, 0, 0, 0}));
    EXPECT_EQ(FieldElement::zero(field), ints(field, {0, 0, 0, 0}));
}

TEST(FieldArithmetic, ProductsAreCommutativeAndAssociative) {
    const auto field = field_of({2, 3, -1});
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<std::int64_t> coefficient(-9, 9);
    auto random_element = [&] {
        std::vector<std::int64_t> v(8);
        for (auto& c : v) c = coefficient(rng);
        return scale(ints(field, v), Rational(2, 7));
    };
    for (int trial = 0; trial < 20; ++trial) {
        const FieldElement a = random_element(), b = random_element(), c = random_element();
        EXPECT_EQ(mul(a, b, field), mul(b, a, field));
        EXPECT_EQ(mul(mul(a, b, field), c, field), mul(a, mul(b, c, field), field));
        EXPECT_EQ(sub(add(a, b), b), a);
        // Conjugation and the real automorphisms are field automorphisms.
        EXPECT_EQ(complex_conjugate(mul(a, b, field), field),
                  mul(complex_conjugate(a, field), complex_conjugate(b, field), field));
        EXPECT_EQ(flip_generator(mul(a, b, field), 1),
                  mul(flip_generator(a, 1), flip_generator(b, 1), field));
        EXPECT_EQ(flip_generator(flip_generator(a, 0), 0), a);
    }
}

TEST(FieldArithmetic, ConjugatesAndFlips) {
    const auto field = field_of({2, -1});
    const FieldElement x = ints(field, {1, 2, 3, 4});
    EXPECT_EQ(complex_conjugate(x, field), ints(field, {1, 2, -3, -4}));
    EXPECT_EQ(flip_generator(x, 0), ints(field, {1, -2, 3, -4}));
    const auto real = field_of({2});
    EXPECT_EQ(complex_conjugate(ints(real, {1, 2}), real), ints(real, {1, 2}));
}

TEST(FieldArithmetic, FromIntegersChecksTheLength) {
    const auto field = field_of({2, -1});
    auto short_list = FieldElement::from_integers(field, std::vector<std::int64_t>{1, 2, 3});
    ASSERT_FALSE(short_list);
    EXPECT_EQ(short_list.error().message(), "field element has 3 coefficients, but field degree is 4");
}

Rational q(const char* text) {
    Rational value(text);
    value.canonicalize();
    return value;
}

TEST(CoefficientToDouble, RoundsNumeratorAndDenominatorSeparately) {
    EXPECT_EQ(coefficient_to_f64(q("1/3")), 1.0 / 3.0);
    const mpz_class big = mpz_class(1) << 1100;
    Rational near_one(big + 1, big);
    near_one.canonicalize();
    EXPECT_TRUE(std::isnan(coefficient_to_f64(near_one)));
    Rational tiny(mpz_class(1), big);
    EXPECT_EQ(coefficient_to_f64(tiny), 0.0);
    Rational huge(-big, mpz_class(3));
    EXPECT_EQ(coefficient_to_f64(huge), -INFINITY);
    EXPECT_EQ(coefficient_to_f64(q("0")), 0.0);
    EXPECT_FALSE(std::signbit(coefficient_to_f64(q("0"))));
    EXPECT_EQ(coefficient_to_f64(q("-7/2")), -3.5);
}

// d is the correctly rounded double of n (ties to even) exactly when no
// neighbouring double is closer and, on a tie, d has an even significand.
void expect_correctly_rounded(const mpz_class& n, double d) {
    const mpz_class overflow = (mpz_class(1) << 1024) - (mpz_class(1) << 970);
    if (!std::isfinite(d)) {
        ASSERT_GE(abs(n), overflow) << n.get_str();
        ASSERT_EQ(d < 0, n < 0);
        return;
    }
    ASSERT_LT(abs(n), overflow);
    auto exact = [](double v) {
        mpz_class z;
        mpz_set_d(z.get_mpz_t(), v);  // exact for integral doubles
        return z;
    };
    const mpz_class here = abs(n - exact(d));
    for (double neighbour : {std::nextafter(d, INFINITY), std::nextafter(d, -INFINITY)}) {
        if (!std::isfinite(neighbour)) continue;
        const mpz_class there = abs(n - exact(neighbour));
        ASSERT_LE(here, there) << n.get_str();
        if (here == there) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(d) & 1, 0u) << n.get_str();
        }
    }
}

TEST(CoefficientToDouble, BigIntegersRoundToNearestTiesToEven) {
    std::mt19937_64 rng(11);
    gmp_randclass random(gmp_randinit_default);
    random.seed(12);
    for (int trial = 0; trial < 20000; ++trial) {
        const unsigned long bits = 1 + rng() % 1030;
        mpz_class n = random.get_z_bits(bits);
        // Plant ties and near-ties: a 53-bit head followed by 100...0 or 0...01.
        if (trial % 3 == 0 && bits > 60) {
            n >>= (bits - 54);
            n <<= (bits - 54);
            n += mpz_class(1) << (bits - 55);
            if (trial % 2 == 0) n += 1;
        }
        if (rng() % 2) n = -n;
        const double d = integer_to_f64(n);
        expect_correctly_rounded(n, d);
        if (n.fits_slong_p()) {
            EXPECT_EQ(d, static_cast<double>(n.get_si()));
        }
        if (bits < 120) {
            __int128 wide = 0;
            mpz_class a = abs(n);
            wide = static_cast<__int128>(mpz_class(a >> 64).get_ui()) << 64;
            wide += static_cast<__int128>(mpz_class(a & mpz_class("18446744073709551615")).get_ui());
            if (n < 0) wide = -wide;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(integer_to_f64(wide)), std::bit_cast<std::uint64_t>(d));
        }
    }
    const mpz_class above_range = (mpz_class(1) << 1024) - (mpz_class(1) << 970);
    EXPECT_EQ(integer_to_f64(above_range), INFINITY);
    EXPECT_EQ(integer_to_f64(above_range - 1), std::numeric_limits<double>::max());
}

TEST(RationalText, FormatAndParse) {
    EXPECT_EQ(format_rational(q("6/3")), "2");
    EXPECT_EQ(format_rational(q("-1/2")), "-1/2");
    EXPECT_EQ(format_rational(q("0")), "0");
    struct Read {
        const char* text;
        const char* value;
    };
    for (const Read& r : {Read{"3", "3"}, Read{"4/6", "2/3"}, Read{"-4/6", "-2/3"}, Read{"+5", "5"},
                          Read{"1_000", "1000"}, Read{"2/-4", "-1/2"}, Read{"-0", "0"},
                          Read{"1__2/0_3", "4"}}) {
        auto value = parse_rational(r.text);
        ASSERT_TRUE(value) << r.text;
        EXPECT_EQ(format_rational(*value), r.value) << r.text;
    }
    struct Bad {
        const char* text;
        const char* message;
    };
    for (const Bad& b :
         {Bad{"1/0", "certificate schema mismatch: rational denominator must be nonzero"},
          Bad{"a/2", "certificate schema mismatch: invalid rational numerator a/2"},
          Bad{"1x/2", "certificate schema mismatch: invalid rational numerator 1x/2"},
          Bad{"1/2/3", "certificate schema mismatch: invalid rational denominator 1/2/3"},
          Bad{"", "certificate schema mismatch: invalid rational "},
          Bad{" 1", "certificate schema mismatch: invalid rational  1"},
          Bad{"_1", "certificate schema mismatch: invalid rational _1"},
          Bad{"--1", "certificate schema mismatch: invalid rational --1"},
          Bad{"1e3", "certificate schema mismatch: invalid rational 1e3"},
          Bad{"/2", "certificate schema mismatch: invalid rational numerator /2"},
          Bad{"2/", "certificate schema mismatch: invalid rational denominator 2/"}}) {
        auto value = parse_rational(b.text);
        ASSERT_FALSE(value) << b.text;
        EXPECT_EQ(value.error().message(), b.message);
    }
}

TEST(Embeddings, ValuesUnderEveryEmbedding) {
    const auto field = field_of({2, -1});
    const double r2 = std::sqrt(2.0);
    const auto e = embeddings(ints(field, {1, 1, 0, 0}), field);
    const double expected_re[4] = {1 + r2, 1 - r2, 1 + r2, 1 - r2};
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(e[s].re, expected_re[s]);
        EXPECT_EQ(e[s].im, 0.0);
    }
    const auto i = embeddings(ints(field, {0, 0, 1, 0}), field);
    const double expected_im[4] = {1, 1, -1, -1};
    for (int s = 0; s < 4; ++s) EXPECT_EQ(i[s].im, expected_im[s]);
    for (const Complex& v : embeddings(FieldElement::one(field), field)) {
        EXPECT_EQ(v.re, 1.0);
        EXPECT_EQ(v.im, 0.0);
    }
    const auto zero = embeddings(FieldElement::zero(field), field);
    EXPECT_EQ(max_embedding_norm(zero), 0.0);

    const auto gaussian = field_of({-1});
    FieldElement z = FieldElement::zero(gaussian);
    z.coefficients[0] = q("3/5");
    z.coefficients[1] = q("4/5");
    const auto values = embeddings(z, gaussian);
    EXPECT_NEAR(values[0].re, 0.6, 1e-15);
    EXPECT_NEAR(values[0].im, 0.8, 1e-15);
    EXPECT_NEAR(values[1].im, -0.8, 1e-15);
    EXPECT_NEAR(max_embedding_norm(values), 1.0, 1e-15);
}

TEST(Embeddings, ConjugateEmbeddingsAndTheTransformOrder) {
    const auto field = field_of({2, 3, -1});
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<std::int64_t> coefficient(-50, 50);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<std::int64_t> v(8);
        for (auto& c : v) c = coefficient(rng);
        const FieldElement x = scale(ints(field, v), Rational(1, 3));
        const auto values = embeddings(x, field);
        // Flipping the imaginary bit (4) conjugates.
        for (int s = 0; s < 8; ++s) {
            EXPECT_EQ(values[s].re, values[s ^ 4].re);
            EXPECT_EQ(values[s].im, -values[s ^ 4].im);
        }
        // Entry s is the signed sum of the weighted values, within rounding.
        for (int s = 0; s < 8; ++s) {
            double re = 0, im = 0;
            for (int m = 0; m < 8; ++m) {
                const double sign = (std::popcount(static_cast<unsigned>(s & m)) % 2) ? -1.0 : 1.0;
                const double c = coefficient_to_f64(x.coefficients[m]);
                re += sign * field.basis_value(m).re * c;
                im += sign * field.basis_value(m).im * c;
            }
            EXPECT_NEAR(values[s].re, re, 1e-9);
            EXPECT_NEAR(values[s].im, im, 1e-9);
        }
    }
}

TEST(Embeddings, MaxNormSkipsNaN) {
    const std::vector<Complex> values{{NAN, 0}, {3, 4}, {NAN, NAN}, {0, 1}};
    EXPECT_EQ(max_embedding_norm(values), 5.0);
    EXPECT_EQ(max_embedding_norm(std::vector<Complex>{{NAN, 1}}), 0.0);
    EXPECT_EQ(max_embedding_norm(std::vector<Complex>{}), 0.0);
}

}  // namespace
}  // namespace vantor
