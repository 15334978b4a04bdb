// Exact verdicts on pairs of multiquadratic points, the exact result of a
// request, and the re-check of its claims: genuine results pass, every kind
// of edit is named.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "algebraic/field/field_element.hpp"
#include "algebraic/field/multiquadratic_field.hpp"
#include "exact_proofs/claims_check.hpp"
#include "exact_proofs/exact_result.hpp"
#include "exact_proofs/unit_pair_proof.hpp"
#include "grids.hpp"
#include "utils/memory_budget.hpp"
#include "utils/unit_distance.hpp"

namespace vantor::exact {
namespace {

ExactMultiquadraticResult build(std::vector<std::int64_t> generators, std::int64_t p,
                                std::uint64_t k, std::uint64_t n) {
    auto result = exact_multiquadratic(std::move(generators), p, k, n);
    EXPECT_TRUE(result.has_value());
    return std::move(*result);
}

// The verdict straight from the field arithmetic.
bool reference_unit(const FieldElement& a, const FieldElement& b, const MultiquadraticField& f) {
    const FieldElement d = sub(b, a);
    return mul(d, complex_conjugate(d, f), f) == FieldElement::one(f);
}

// Every integer route against the field arithmetic: small numerators take
// the 64-bit differences, numerators near 2^40 the 128-bit ones, and a
// coefficient with a huge numerator and denominator in every element forces
// the GMP route. A lone element's modulus is judged the same way.
TEST(UnitPairProof, EveryIntegerRouteAgreesWithTheFieldArithmetic) {
    const std::vector<std::int64_t> generators = {2, -1};
    auto field = MultiquadraticField::from_generators(generators);
    ASSERT_TRUE(field);
    std::mt19937_64 rng(3);
    // Points a + t for unit translations t and random a: many exact unit
    // pairs, and many that are not.
    const FieldElement t1 = *FieldElement::from_integers(*field, std::vector<std::int64_t>{0, 0, 1, 0});
    FieldElement t2 = FieldElement::zero(*field);  // (3 + 4i) / 5
    t2.coefficients[0] = Rational(3, 5);
    t2.coefficients[2] = Rational(4, 5);
    for (const int size : {0, 1, 2}) {
        const bool huge = size == 2;
        std::vector<FieldElement> elements = {t1, t2};
        for (int k = 0; k < 40; ++k) {
            FieldElement a = FieldElement::zero(*field);
            for (auto& c : a.coefficients) c = Rational(static_cast<long>(rng() % 7) - 3, 5);
            if (size == 1) a.coefficients[3] += Rational(mpz_class("1099511627776"), 1);
            if (huge) a.coefficients[1] += Rational(mpz_class("123456789012345678901234567"),
                                                    mpz_class("98765432109876543210987"));
            elements.push_back(a);
            elements.push_back(add(a, t1));
            elements.push_back(add(a, t2));
        }
        const UnitPairProver prover(*field, elements);
        EXPECT_EQ(prover.table().wide(), huge);
        EXPECT_EQ(prover.table().numerator_bits() > 30, size > 0);
        const FieldElement zero = FieldElement::zero(*field);
        for (std::uint64_t k = 0; k < 8; ++k) {
            EXPECT_EQ(prover.has_unit_modulus(k), reference_unit(zero, elements[k], *field));
        }
        EXPECT_TRUE(prover.has_unit_modulus(0) && prover.has_unit_modulus(1));
        EdgeList pairs;
        for (std::uint64_t i = 0; i < elements.size(); ++i) {
            for (std::uint64_t j = i + 1; j < elements.size(); ++j) pairs.push_back({i, j});
        }
        const PairVerdicts verdicts = prove_unit_pairs(prover, pairs);
        EXPECT_GE(verdicts.unit.size(), 80u) << huge;
        for (const Edge& e : verdicts.unit) {
            EXPECT_TRUE(reference_unit(elements[e.i], elements[e.j], *field)) << huge;
        }
        for (const Edge& e : verdicts.not_unit) {
            EXPECT_FALSE(reference_unit(elements[e.i], elements[e.j], *field)) << huge;
        }
        EXPECT_EQ(verdicts.unit.size() + verdicts.not_unit.size(), pairs.size());
    }
}

// The proven pairs contain the certified edges, the two lists together are
// the audit edges, and the result passes its own re-check, for every thread
// count with the same lists.
TEST(ExactResult, ProvenPairsContainTheCertifiedEdgesAndPassTheCheck) {
    for (const auto& [generators, p, k, n] :
         std::vector<std::tuple<std::vector<std::int64_t>, std::int64_t, std::uint64_t,
                                std::uint64_t>>{{{2}, 17, 2, 500}, {{2, 3}, 73, 1, 400},
                                                {{}, 5, 2, 300}}) {
        setenv("VANTOR_NUM_THREADS", "1", 1);
        const ExactMultiquadraticResult one = build(generators, p, k, n);
        setenv("VANTOR_NUM_THREADS", "2", 1);
        const ExactMultiquadraticResult result = build(generators, p, k, n);
        unsetenv("VANTOR_NUM_THREADS");
        EXPECT_EQ(one.proven_unit_edges, result.proven_unit_edges);
        EXPECT_EQ(one.near_misses, result.near_misses);
        for (const ConstructionEdge& e : result.certified_edges) {
            EXPECT_TRUE(std::binary_search(result.proven_unit_edges.begin(),
                                           result.proven_unit_edges.end(), Edge{e.i, e.j}));
        }
        EdgeList judged = result.proven_unit_edges;
        judged.insert(judged.end(), result.near_misses.begin(), result.near_misses.end());
        std::sort(judged.begin(), judged.end());
        EXPECT_EQ(judged, find_unit_edges(result.points, unit_distance_bounds(1e-4)));
        EXPECT_EQ(first_false_claim(result, result.proven_unit_edges.size()), std::nullopt);
    }
}

// Each edit is caught, and named by the claim it breaks.
TEST(ClaimsCheck, EveryEditIsNamed) {
    const ExactMultiquadraticResult genuine = build({2, 3}, 73, 1, 900);
    ASSERT_FALSE(genuine.near_misses.empty());
    const std::uint64_t count = genuine.proven_unit_edges.size();
    auto fault = [&](auto edit, std::uint64_t stated) {
        ExactMultiquadraticResult claims = genuine;
        edit(claims);
        return first_false_claim(claims, stated).value_or("(accepted)");
    };
    auto starts = [](const std::string& text, const std::string& prefix) {
        return text.rfind(prefix, 0) == 0;
    };
    EXPECT_TRUE(starts(fault([](auto& c) { c.elements[5].coefficients[0] = "7/3"; }, count),
                       "points[5]: not the principal embedding"));
    EXPECT_TRUE(starts(fault([](auto& c) { c.points[9].x = std::nextafter(c.points[9].x, 9.0); },
                             count),
                       "points[9]"));
    EXPECT_TRUE(starts(fault([](auto& c) { c.translations[1].coefficients[0] = "1/2"; }, count),
                       "translations[1]: the modulus is not exactly 1"));
    EXPECT_TRUE(starts(fault([](auto& c) { c.certified_edges[3].sign *= -1; }, count),
                       "certified_edges[3] ("));
    EXPECT_TRUE(starts(fault([](auto& c) { c.near_misses.insert(c.near_misses.begin(),
                                                                c.proven_unit_edges.front()); },
                             count),
                       "near_misses[0]"));
    EXPECT_TRUE(starts(fault([](auto& c) { c.proven_unit_edges.push_back(c.near_misses.back()); },
                             count + 1),
                       "proven_unit_edges["));
    EXPECT_TRUE(starts(fault([](auto& c) { c.proven_unit_edges.pop_back(); }, count - 1),
                       "certified_edges[") ||
                starts(fault([](auto& c) { c.proven_unit_edges.pop_back(); }, count - 1),
                       "the pair ("));
    EXPECT_TRUE(starts(fault([](auto& c) { c.near_misses.pop_back(); }, count), "the pair ("));
    EXPECT_TRUE(starts(fault([](auto&) {}, count + 1), "exact_unit_distances: "));
    EXPECT_TRUE(starts(fault([](auto& c) { c.generators = {2, 3}; }, count),
                       "generators_completed: -1 is missing"));
    EXPECT_TRUE(starts(fault([](auto& c) { c.elements[0].coefficients[1] = "1/0"; }, count),
                       "elements[0]: "));
    EXPECT_TRUE(starts(fault([](auto& c) { c.audit_tolerance = 2.0; }, count),
                       "audit_tolerance: "));
}

// Claims sized to make the check allocate or compute without bound are
// refused before that work: a field beyond kMaxCheckedDegree, a coefficient
// longer than a finite float can justify, elements whose common
// denominator outgrows kMaxCommonDenominatorBits.
TEST(ClaimsCheck, HostileSizesAreRefusedBeforeTheWork) {
    ExactMultiquadraticResult wide;
    wide.generators = {2, 3, 5, 7, 11, 13, 17, 19, -1};
    wide.translations = {AlgebraicKey{std::vector<std::string>(512, "0")}};
    EXPECT_EQ(first_false_claim(wide, 0).value_or("(accepted)"),
              "generators_completed: a field of degree 512, beyond the largest the check "
              "takes (256)");

    const ExactMultiquadraticResult genuine = build({2}, 17, 2, 40);
    ExactMultiquadraticResult huge = genuine;
    huge.elements[3].coefficients[1] = "1/1" + std::string(4'000'000, '0');
    EXPECT_EQ(first_false_claim(huge, 0).value_or("(accepted)"),
              "elements[3][1]: more digits than a finite float carries");

    // Denominators 10^300 + 1, 10^300 + 2, ...: pairwise almost coprime, so
    // their lcm passes 4096 bits within a few dozen elements.
    ExactMultiquadraticResult coprime = genuine;
    for (std::size_t k = 0; k < coprime.elements.size(); ++k) {
        coprime.elements[k].coefficients[0] =
            "1/1" + std::string(299, '0') + std::to_string(k + 1);
    }
    const std::string fault = first_false_claim(coprime, 0).value_or("(accepted)");
    EXPECT_EQ(fault.rfind("elements: the common denominator of elements[0..", 0), 0u) << fault;
}

// Edge lists over many buckets of points come out as the sorted set of
// pairs, and pairs whose number is known in advance are sized first.
TEST(UnitEdges, SortedOverManyBucketsAndSizedBeforeCollecting) {
    const PointList grid = triangular_grid(30000);
    const auto bounds = unit_distance_bounds(1e-5);
    std::vector<std::uint64_t> keys = find_unit_pairs_packed(grid, bounds);
    std::sort(keys.begin(), keys.end());
    EdgeList expected;
    for (std::uint64_t key : keys) expected.push_back({key >> 32, key & 0xffffffffu});
    EXPECT_EQ(find_unit_edges(grid, bounds), expected);

    const PointList same(100000, Point{0.0, 0.0});
    EXPECT_THROW(find_unit_edges(same, UnitDistanceBounds{0.0, INFINITY}, std::uint64_t{1} << 30),
                 RequestTooLarge);
    const PointList far = {{INFINITY, 0.0}, {0.0, 0.0}, {1.0, 0.0}, {-INFINITY, 2.0}};
    EXPECT_EQ(find_unit_edges(far, unit_distance_bounds(INFINITY), 32),
              find_unit_edges_all_pairs(far, unit_distance_bounds(INFINITY)));
}

}  // namespace
}  // namespace vantor::exact
