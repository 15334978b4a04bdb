// The construction's keys: quantisation, projection to the plane, and exact text keys.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "algebraic/keys/algebraic_key.hpp"
#include "algebraic/keys/projection.hpp"
#include "algebraic/keys/quantize.hpp"

namespace vantor {
namespace {

TEST(Quantize, HalfAwayFromZeroWithinTheSignedRange) {
    EXPECT_EQ(quantize_f64(2.5), 3);
    EXPECT_EQ(quantize_f64(-2.5), -3);
    EXPECT_EQ(quantize_f64(0.49999999999999994), 0);
    EXPECT_EQ(quantize_f64(-0.5), -1);
    EXPECT_EQ(quantize_f64(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(quantize_f64(9223372036854774784.0), 9223372036854774784);
    EXPECT_EQ(quantize_f64(9223372036854775808.0).error(), "quantized f64 is outside i64 range");
    EXPECT_EQ(quantize_f64(-9223372036854777856.0).error(), "quantized f64 is outside i64 range");
    EXPECT_EQ(quantize_f64(NAN).error(), "cannot quantize a non-finite f64");
    EXPECT_EQ(quantize_f64(INFINITY).error(), "cannot quantize a non-finite f64");
    EXPECT_EQ(quantize_f64(-INFINITY).error(), "cannot quantize a non-finite f64");
}

TEST(Quantize, PointKeys) {
    EXPECT_EQ(*projection_key({0.3, -0.7}), (ProjectionKey{300000000, -700000000}));
    EXPECT_EQ(*dedup_key({0.3, -0.7}, 1e-7), (DedupKey{3000000, -7000000}));
    EXPECT_EQ(scaled_key({0.12345678, -0.00000005}, 1e7)->x, 1234568);
    EXPECT_EQ(scaled_key({0.12345678, -0.00000005}, 1e7)->y, -1);
    EXPECT_EQ(scaled_key({0.1, 0}, 1e7)->x, scaled_key({0.10000004, 0}, 1e7)->x);
    // The x coordinate is quantised first.
    EXPECT_EQ(projection_key({NAN, 1e300}).error(), "cannot quantize a non-finite f64");
    EXPECT_EQ(projection_key({1e290, NAN}).error(), "quantized f64 is outside i64 range");
}

MultiquadraticField field_of(std::vector<std::int64_t> generators) {
    return *MultiquadraticField::from_generators(generators);
}

TEST(Projection, EmbeddingDividedByTheRootOfTheScale) {
    const auto field = field_of({2, -1});
    const FieldElement x = *FieldElement::from_integers(field, std::vector<std::int64_t>{1, 1, 3, 0});
    auto point = project_element(field, x, FieldElement::one(field), 0);
    ASSERT_TRUE(point);
    EXPECT_EQ(point->x, 1.0 + std::sqrt(2.0));
    EXPECT_EQ(point->y, 3.0);
    auto conjugate = project_element(field, x, FieldElement::one(field), 3);
    EXPECT_EQ(conjugate->x, 1.0 - std::sqrt(2.0));
    EXPECT_EQ(conjugate->y, -3.0);

    FieldElement four = FieldElement::zero(field);
    four.coefficients[0] = -4;
    EXPECT_EQ(project_element(field, x, four, 0)->y, 1.5);
    FieldElement tiny = FieldElement::zero(field);
    tiny.coefficients[0] = Rational(1, 10);
    tiny.coefficients[0] *= Rational(mpz_class(1), mpz_class("10000000000000000"));
    EXPECT_EQ(project_element(field, x, tiny, 0)->y, 3.0);

    auto out_of_range = project_element(field, x, FieldElement::one(field), 4);
    EXPECT_EQ(out_of_range.error().message(),
              "invalid search parameter projection_index: expected an embedding index within the "
              "field degree");
    const auto real = field_of({2});
    auto missing = project_element(real, FieldElement::one(real), FieldElement::one(real), 0);
    EXPECT_EQ(missing.error().message(),
              "field is missing the imaginary generator -1 required by the construction");
}

TEST(AlgebraicKey, CanonicalTextAndArithmetic) {
    const auto field = field_of({2, -1});
    FieldElement x = FieldElement::zero(field);
    x.coefficients[0] = Rational(1, 2);
    x.coefficients[1] = 3;
    EXPECT_EQ(key_of(x).coefficients, (std::vector<std::string>{"1/2", "3", "0", "0"}));
    EXPECT_EQ(zero_key(8).coefficients, std::vector<std::string>(8, "0"));
    EXPECT_EQ(one_key(4).coefficients, (std::vector<std::string>{"1", "0", "0", "0"}));

    const AlgebraicKey a{{"1/2", "3", "-1", "0"}};
    const AlgebraicKey b{{"1/2", "-3", "1/3", "2"}};
    EXPECT_EQ(key_sum(a, b, field)->coefficients, (std::vector<std::string>{"1", "0", "-2/3", "2"}));
    EXPECT_EQ(key_difference(a, b, field)->coefficients,
              (std::vector<std::string>{"0", "6", "-4/3", "-2"}));
    EXPECT_EQ(key_conjugate(a, field)->coefficients,
              (std::vector<std::string>{"1/2", "3", "1", "0"}));
    // (1 + i)(1 - i) = 2
    EXPECT_EQ(key_product(AlgebraicKey{{"1", "0", "1", "0"}}, AlgebraicKey{{"1", "0", "-1", "0"}}, field)
                  ->coefficients,
              (std::vector<std::string>{"2", "0", "0", "0"}));
    // Non-canonical spellings read fine, but the result is canonical.
    EXPECT_EQ(key_sum(AlgebraicKey{{"2/4", "+1", "1_0", "0/7"}}, zero_key(4), field)->coefficients,
              (std::vector<std::string>{"1/2", "1", "10", "0"}));
    EXPECT_FALSE(AlgebraicKey{{"2/4"}} == AlgebraicKey{{"1/2"}});
    EXPECT_EQ(AlgebraicKeyHash{}(a), AlgebraicKeyHash{}(AlgebraicKey{{"1/2", "3", "-1", "0"}}));
}

TEST(AlgebraicKey, ReadingFailures) {
    const auto field = field_of({2, -1});
    auto short_key = element_of_key(AlgebraicKey{{"1", "2", "3"}}, field);
    EXPECT_EQ(short_key.error().message(), "algebraic key has 3 coefficients, but field degree is 4");
    auto bad = key_sum(AlgebraicKey{{"1", "x", "0", "0"}}, zero_key(4), field);
    EXPECT_EQ(bad.error().message(), "certificate schema mismatch: invalid rational x");
    auto second = key_difference(zero_key(4), AlgebraicKey{{"1/0", "0", "0", "0"}}, field);
    EXPECT_EQ(second.error().message(), "certificate schema mismatch: rational denominator must be nonzero");
}

}  // namespace
}  // namespace vantor
