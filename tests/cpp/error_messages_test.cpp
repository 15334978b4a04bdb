// Every error kind renders to its one fixed message.

#include <gtest/gtest.h>

#include "error.hpp"

namespace vantor {
namespace {

struct Rendering {
    std::string message;
    std::string expected;
};

void PrintTo(const Rendering& r, std::ostream* os) { *os << r.expected; }

class Messages : public ::testing::TestWithParam<Rendering> {};

TEST_P(Messages, RenderExactly) { EXPECT_EQ(GetParam().message, GetParam().expected); }

std::string text(UnitDistanceError e) { return e.message(); }
std::string text(CertificateError e) { return e.message(); }

INSTANTIATE_TEST_SUITE_P(
    UnitDistanceErrors, Messages,
    ::testing::Values(
        Rendering{text({InvalidGenerator{4, generator_reason::kNotSquarefree}}),
                  "invalid generator 4: positive generators must be squarefree"},
        Rendering{text({InvalidGenerator{-5, generator_reason::kOutOfRange}}),
                  "invalid generator -5: expected a positive squarefree integer greater than 1, or -1"},
        Rendering{text({DuplicateGenerator{2}}), "duplicate generator 2"},
        Rendering{text({SplitPrimeNotOddPrime{-9223372036854775807 - 1}}),
                  "split prime -9223372036854775808 is not an odd prime"},
        Rendering{text({PrimeNotSplit{13, 2}}), "prime 13 is not split by generator 2"},
        Rendering{text({CoefficientCountMismatch{4, 3}}),
                  "field element has 3 coefficients, but field degree is 4"},
        Rendering{text({search_parameter::kFieldScaleMatrix}),
                  "invalid search parameter field_scale_matrix: basis scale factor overflowed i64"},
        Rendering{text({search_parameter::kUnitDenominatorOverflow}),
                  "invalid search parameter unit_denominator: unit denominator overflowed i64"},
        Rendering{text({PrimeElementNotFound{17, 0}}),
                  "could not find a suitable prime element theta for p = 17 up to exponent 0"},
        Rendering{text({MissingImaginaryGenerator{}}),
                  "field is missing the imaginary generator -1 required by the construction"},
        Rendering{text({NotEnoughPoints{18446744073709551615ULL, 0}}),
                  "could not generate enough points: requested 18446744073709551615, found 0"},
        Rendering{text({PrimeElementOutOfReach{1000000009, 32, 5000000}}),
                  "prime element theta for p = 1000000009 in a field of degree 32 is out of "
                  "reach: its search needs more than 5000000 steps"}));

INSTANTIATE_TEST_SUITE_P(
    CertificateErrors, Messages,
    ::testing::Values(
        Rendering{text({PointCountMismatch{7, 6}}), "certificate has 6 points, but expected 7"},
        Rendering{text({EdgeOutOfRange{0, 5, 3}}), "certificate edge (0, 5) is outside point count 3"},
        Rendering{text({SelfEdge{7}}), "certificate contains self-edge at point 7"},
        Rendering{text({EdgeSetMismatch{{{0, 1}}, {{0, 1}, {0, 1}}}}),
                  "certificate edge set mismatch: expected 1 edges, got 2"},
        Rendering{text({PointMismatch{4}}), "certificate point 4 does not match construction"},
        Rendering{text({ProjectionKeyMismatch{{1, -2}, {1, 2}, 3}}),
                  "projection key 3 mismatch: expected [1, -2], got [1, 2]"},
        Rendering{text({KeyCoefficientCountMismatch{4, 3}}),
                  "algebraic key has 3 coefficients, but field degree is 4"},
        Rendering{text({TranslationNotNormOne{2}}), "translation 2 is not certified as norm-one"},
        Rendering{text({CandidateOutsidePolydisk{"2", "2.0000002", 5}}),
                  "candidate 5 is outside polydisk radius 2; max embedding norm is 2.0000002"},
        Rendering{text({ProjectionMismatch{1}}), "projection 1 does not match algebraic candidate"},
        Rendering{text({PathReplayMismatch{9}}), "candidate path 9 does not replay to stored key"},
        Rendering{text({PathTranslationOutOfRange{3, 5, 5}}),
                  "candidate 3 path references translation 5, but only 5 translations exist"},
        Rendering{text({EdgeProvenanceMismatch{0}}),
                  "construction edge 0 is not explained by its translation provenance"},
        Rendering{text({InvalidConstruction{"quantized f64 is outside i64 range"}}),
                  "invalid certificate construction: quantized f64 is outside i64 range"},
        Rendering{text({SchemaMismatch{"rational denominator must be nonzero"}}),
                  "certificate schema mismatch: rational denominator must be nonzero"},
        Rendering{text(invalid_construction({SplitPrimeNotOddPrime{9}})),
                  "invalid certificate construction: split prime 9 is not an odd prime"}));

}  // namespace
}  // namespace vantor
