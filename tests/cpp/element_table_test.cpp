// Elements over one common denominator: both widths hold the same values,
// every conversion equals the one of the exact rational, the width follows
// the bound, and differences are judged exactly.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "algebraic/field/element_table.hpp"
#include "algebraic/field/embeddings.hpp"

namespace vantor {
namespace {

MultiquadraticField field_of(std::vector<std::int64_t> generators) {
    auto field = MultiquadraticField::from_generators(generators);
    EXPECT_TRUE(field);
    return std::move(*field);
}

// Random elements with small denominators; `big` adds to coefficient 1 of
// each a rational far beyond 128 bits.
std::vector<FieldElement> random_elements(const MultiquadraticField& field, int count, bool big,
                                          std::uint64_t seed) {
    std::mt19937_64 rng(seed);
    const long denominators[] = {1, 2, 3, 5, 7, 12, 17 * 17};
    std::vector<FieldElement> elements;
    for (int k = 0; k < count; ++k) {
        FieldElement a = FieldElement::zero(field);
        for (auto& c : a.coefficients) {
            c = Rational(static_cast<long>(rng() % 2001) - 1000, denominators[rng() % 7]);
            c.canonicalize();
        }
        if (big) {
            a.coefficients[1] += Rational(mpz_class("-31415926535897932384626433832795028841971"),
                                          mpz_class("2718281828459045235360287471"));
        }
        elements.push_back(std::move(a));
    }
    return elements;
}

// Every conversion of every coefficient of `table` against the rationals.
void expect_conversions(const ElementTable& table, const std::vector<FieldElement>& elements,
                        const MultiquadraticField& field) {
    ASSERT_EQ(table.size(), elements.size());
    std::vector<double> values(field.degree());
    std::vector<Complex> weights(field.degree());
    for (std::uint64_t k = 0; k < elements.size(); ++k) {
        EXPECT_EQ(table.element(k), elements[k]) << k;
        for (std::uint64_t m = 0; m < field.degree(); ++m) {
            const Rational& q = elements[k].coefficients[m];
            EXPECT_EQ(table.coefficient_text(k, m), format_rational(q)) << k << " " << m;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(table.coefficient_f64(k, m)),
                      std::bit_cast<std::uint64_t>(coefficient_to_f64(q)))
                << k << " " << m;
        }
        table.embed(k, field, values, weights);
        const std::vector<Complex> exact = embeddings(elements[k], field);
        for (std::uint64_t s = 0; s < field.degree(); ++s) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(weights[s].re), std::bit_cast<std::uint64_t>(exact[s].re));
            EXPECT_EQ(std::bit_cast<std::uint64_t>(weights[s].im), std::bit_cast<std::uint64_t>(exact[s].im));
        }
    }
}

TEST(ElementTable, BothWidthsConvertExactlyAsTheRationals) {
    const MultiquadraticField field = field_of({2, 3, -1});
    const std::vector<FieldElement> small = random_elements(field, 60, false, 1);
    const ElementTable narrow = ElementTable::from_elements(field, small, 2);
    ASSERT_FALSE(narrow.wide());
    EXPECT_EQ(narrow.denominator(), 121380);  // lcm(2, 3, 5, 7, 12, 289)
    expect_conversions(narrow, small, field);
    const ElementTable widened = narrow.widened();
    ASSERT_TRUE(widened.wide());
    EXPECT_EQ(widened.wide_denominator(), 121380);
    expect_conversions(widened, small, field);

    const std::vector<FieldElement> big = random_elements(field, 20, true, 2);
    const ElementTable wide = ElementTable::from_elements(field, big, 2);
    ASSERT_TRUE(wide.wide());
    expect_conversions(wide, big, field);
}

// A 128-bit numerator beyond 2^53 over a denominator that divides it
// reduces before it rounds: (2^53 + 1) * 3 / 3 is the tie 2^53 + 1, which
// rounds to even (2^53), whereas dividing the rounded numerator by 3 would
// not give that double.
TEST(ElementTable, LargeNumeratorsReduceBeforeRounding) {
    const Numerator tie = (Numerator{1} << 53) + 1;
    const Rational q(numerator_mpz(tie * 3), mpz_class(3));
    EXPECT_EQ(fraction_to_f64(tie * 3, 3), 9007199254740992.0);
    EXPECT_EQ(fraction_to_f64(tie * 3, 3), coefficient_to_f64(Rational(numerator_mpz(tie), 1)));
    EXPECT_EQ(fraction_to_f64(numerator_mpz(tie * 3), mpz_class(3)), 9007199254740992.0);
    EXPECT_EQ(fraction_text(tie * -6, 4), "-27021597764222979/2");
    EXPECT_EQ(fraction_text(numerator_mpz(tie * -6), mpz_class(4)), "-27021597764222979/2");
    EXPECT_EQ(fraction_rational(tie * -6, 4), Rational(numerator_mpz(tie * -3), mpz_class(2)));
    EXPECT_EQ(numerator_mpz(-(Numerator{1} << 126)), -(mpz_class(1) << 126));
}

// The narrow width holds exactly while numerator bits plus headroom stay
// at 126 and the denominator in 63 bits.
TEST(ElementTable, WidthFollowsTheBound) {
    const MultiquadraticField field = field_of({-1});
    auto table_of = [&](const mpz_class& numerator, const mpz_class& denominator, unsigned headroom) {
        FieldElement a = FieldElement::zero(field);
        a.coefficients[1] = Rational(numerator, denominator);
        a.coefficients[1].canonicalize();
        return ElementTable::from_elements(field, std::vector<FieldElement>{a}, headroom);
    };
    const mpz_class bits100 = (mpz_class(1) << 99) + 1;  // 100 bits
    EXPECT_FALSE(table_of(bits100, 1, 26).wide());
    EXPECT_TRUE(table_of(bits100, 1, 27).wide());
    EXPECT_EQ(table_of(bits100, 1, 26).numerator_bits(), 100u);
    EXPECT_EQ(table_of(-bits100, 1, 26).row(0)[1], -((Numerator{1} << 99) + 1));
    EXPECT_FALSE(table_of(1, (mpz_class(1) << 62) + 1, 2).wide());
    EXPECT_TRUE(table_of(1, (mpz_class(1) << 63) + 1, 2).wide());
    EXPECT_EQ(table_of(1, (mpz_class(1) << 63) + 1, 2).element(0).coefficients[1],
              Rational(1, (mpz_class(1) << 63) + 1));
}

// difference_is against the field arithmetic, in both widths and with
// either sign, on exact differences and on ones off by the least amount.
TEST(ElementTable, DifferencesAreJudgedExactly) {
    const MultiquadraticField field = field_of({5, -1});
    for (const bool big : {false, true}) {
        std::vector<FieldElement> elements = random_elements(field, 12, big, 3);
        const FieldElement t = elements[0];
        const std::size_t base = elements.size();
        for (std::size_t k = 1; k < base; ++k) {
            elements.push_back(add(elements[k], t));
            FieldElement off = sub(elements[k], t);
            off.coefficients[2] += Rational(1, 7140);
            elements.push_back(std::move(off));
        }
        const ElementTable table = ElementTable::from_elements(field, elements, 2);
        EXPECT_EQ(table.wide(), big);
        const ElementTable widened = table.widened();
        for (const ElementTable* w : {&table, &widened}) {
            for (std::uint64_t k = 1; k < base; ++k) {
                const std::uint64_t plus = base + 2 * (k - 1);
                EXPECT_TRUE(w->difference_is(k, plus, 0, 1));
                EXPECT_TRUE(w->difference_is(plus, k, 0, -1));
                EXPECT_FALSE(w->difference_is(k, plus, 0, -1));
                EXPECT_FALSE(w->difference_is(plus + 1, k, 0, 1));
                EXPECT_FALSE(w->difference_is(k, plus + 1, 0, -1));
            }
        }
    }
}

}  // namespace
}  // namespace vantor
