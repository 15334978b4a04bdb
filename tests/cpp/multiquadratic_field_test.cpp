// Building multiquadratic fields: validation order and messages, product
// rule factors and basis values.

#include <gtest/gtest.h>

#include <cmath>

#include "algebraic/field/multiquadratic_field.hpp"

namespace vantor {
namespace {

struct Rejection {
    std::vector<std::int64_t> generators;
    std::string message;
};

void PrintTo(const Rejection& r, std::ostream* os) { *os << r.message; }

class FieldRejections : public ::testing::TestWithParam<Rejection> {};

TEST_P(FieldRejections, FirstBadGeneratorInListOrder) {
    auto field = MultiquadraticField::from_generators(GetParam().generators);
    ASSERT_FALSE(field);
    EXPECT_EQ(field.error().message(), GetParam().message);
}

const std::string kOutOfRange = ": expected a positive squarefree integer greater than 1, or -1";
const std::string kSquare = ": positive generators must be squarefree";

INSTANTIATE_TEST_SUITE_P(
    Validation, FieldRejections,
    ::testing::Values(
        Rejection{{2, 2}, "duplicate generator 2"}, Rejection{{-1, -1}, "duplicate generator -1"},
        Rejection{{4, 4}, "invalid generator 4" + kSquare},
        Rejection{{0}, "invalid generator 0" + kOutOfRange},
        Rejection{{1}, "invalid generator 1" + kOutOfRange},
        Rejection{{-2}, "invalid generator -2" + kOutOfRange},
        Rejection{{-5}, "invalid generator -5" + kOutOfRange},
        Rejection{{12}, "invalid generator 12" + kSquare},
        Rejection{{2, 0, 12}, "invalid generator 0" + kOutOfRange},
        Rejection{{INT64_MIN}, "invalid generator -9223372036854775808" + kOutOfRange},
        // 3037000493^2, the square of the largest prime below 2^31.5.
        Rejection{{9223371994482243049}, "invalid generator 9223371994482243049" + kSquare},
        Rejection{{2 * 2147483647LL * 2147483647LL},
                  "invalid generator 9223372028264841218" + kSquare},
        // Every generator valid, but their product leaves the signed 64-bit
        // range; eighteen small ones, and two large ones.
        Rejection{{2, 3, 5, 6, 7, 10, 11, 13, 14, 15, 17, 19, 21, 22, 23, 26, 29, 30},
                  "invalid search parameter field_scale_matrix: basis scale factor overflowed i64"},
        Rejection{{4294967311, 4294967291, -1},
                  "invalid search parameter field_scale_matrix: basis scale factor overflowed i64"},
        // A valid large generator with a product in range fails on float
        // exactness instead; the bound 2^53 itself is allowed.
        Rejection{{9007199254740993},
                  "invalid search parameter field_generator: integer is too large to represent "
                  "exactly as f64"},
        // A bad generator anywhere wins over the product overflow.
        Rejection{{2, 3, 5, 6, 7, 10, 11, 13, 14, 15, 17, 19, 21, 22, 23, 26, 29, 30, 8},
                  "invalid generator 8" + kSquare}));

// Square-freeness by trial division over every k with k*k <= g.
bool squarefree_by_trial(std::uint64_t g) {
    for (std::uint64_t k = 2; k * k <= g; ++k) {
        if (g % (k * k) == 0) return false;
    }
    return true;
}

TEST(Field, SquarefreeTestAgreesWithTrialDivision) {
    for (std::uint64_t g = 2; g < 200000; ++g) ASSERT_EQ(is_squarefree(g), squarefree_by_trial(g)) << g;
    // Products of two large primes, with and without repetition.
    EXPECT_TRUE(is_squarefree(1000003ULL * 1000033ULL));
    EXPECT_FALSE(is_squarefree(1000003ULL * 1000003ULL));
    EXPECT_FALSE(is_squarefree(7ULL * 1000003ULL * 1000003ULL));
    EXPECT_TRUE(is_squarefree(9223372036854775783ULL));  // prime
    EXPECT_FALSE(is_squarefree(9007199254740992ULL));   // 2^53
    EXPECT_TRUE(is_squarefree(9007199254740881ULL));    // prime below 2^53
}

TEST(Field, ScaleFactorsAndBasis) {
    auto field = MultiquadraticField::from_generators(std::vector<std::int64_t>{2, 3, -1});
    ASSERT_TRUE(field);
    EXPECT_EQ(field->degree(), 8u);
    EXPECT_EQ(field->generator_count(), 3u);
    EXPECT_EQ(field->imaginary_index(), std::optional<std::uint64_t>{2});
    EXPECT_EQ(field->scale(3, 3), 6);
    EXPECT_EQ(field->scale(1, 3), 2);
    EXPECT_EQ(field->scale(5, 5), -2);
    EXPECT_EQ(field->scale(1, 2), 1);
    EXPECT_EQ(field->scale(7, 7), -6);
    EXPECT_EQ(field->scale(0, 7), 1);
    // Basis element 4 is i; basis element 7 is sqrt 2 * sqrt 3 * i.
    EXPECT_EQ(field->basis_value(4).re, 0.0);
    EXPECT_EQ(field->basis_value(4).im, 1.0);
    EXPECT_EQ(field->basis_value(7).re, 0.0);
    EXPECT_EQ(field->basis_value(7).im, std::sqrt(3.0) * std::sqrt(2.0));

    auto two = MultiquadraticField::from_generators(std::vector<std::int64_t>{2, -1});
    const double r2 = std::sqrt(2.0);
    const Complex expected[4] = {{1, 0}, {r2, 0}, {0, 1}, {0, r2}};
    for (std::uint64_t m = 0; m < 4; ++m) {
        EXPECT_EQ(two->basis_value(m).re, expected[m].re);
        EXPECT_EQ(two->basis_value(m).im, expected[m].im);
    }

    auto first = MultiquadraticField::from_generators(std::vector<std::int64_t>{-1, 5});
    EXPECT_EQ(first->imaginary_index(), std::optional<std::uint64_t>{0});
    EXPECT_EQ(first->basis_value(1).im, 1.0);
    EXPECT_EQ(first->basis_value(2).re, std::sqrt(5.0));

    auto rationals = MultiquadraticField::from_generators(std::vector<std::int64_t>{});
    ASSERT_TRUE(rationals);
    EXPECT_EQ(rationals->degree(), 1u);
    EXPECT_FALSE(rationals->imaginary_index());

    auto bound = MultiquadraticField::from_generators(std::vector<std::int64_t>{9007199254740881});
    EXPECT_TRUE(bound);
}

TEST(Field, CompletionAppendsMinusOneOnlyWhenAbsent) {
    EXPECT_EQ(complete_generators({2, 3}), (std::vector<std::int64_t>{2, 3, -1}));
    EXPECT_EQ(complete_generators({-1, 5}), (std::vector<std::int64_t>{-1, 5}));
    EXPECT_EQ(complete_generators({}), (std::vector<std::int64_t>{-1}));
    EXPECT_EQ(complete_generators({2, -1, 3}), (std::vector<std::int64_t>{2, -1, 3}));
}

}  // namespace
}  // namespace vantor
