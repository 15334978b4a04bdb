// The multiquadratic construction against its plain reference rendering, and
// the invariants of its results.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <set>

#include "algebraic/section2/assembly.hpp"
#include "algebraic/section2/candidates.hpp"
#include "construction.hpp"
#include "grids.hpp"
#include "reference_section2.hpp"
#include "utils/unit_distance.hpp"

namespace vantor {
namespace {

struct Request {
    std::vector<std::int64_t> generators;
    std::int64_t p;
    std::uint64_t k;
    std::uint64_t n_target;
};

void PrintTo(const Request& r, std::ostream* os) {
    *os << "generators=[";
    for (auto g : r.generators) *os << g << ",";
    *os << "] p=" << r.p << " k=" << r.k << " n=" << r.n_target;
}

Section2Params params_of(const Request& r) {
    auto params = prepare_section2_params(r.generators, r.p, r.k);
    EXPECT_TRUE(params.has_value()) << params.error().message();
    return *params;
}

bool same_bits(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

void expect_same_points(const PointList& a, const PointList& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_TRUE(same_bits(a[i].x, b[i].x) && same_bits(a[i].y, b[i].y)) << "point " << i;
    }
}

void expect_same_result(const Section2Result& fast, const Section2Result& slow) {
    expect_same_points(fast.points, slow.points);
    ASSERT_EQ(fast.elements, slow.elements);
    ASSERT_EQ(fast.construction_edges, slow.construction_edges);
    const Section2Evidence& a = fast.evidence;
    const Section2Evidence& b = slow.evidence;
    EXPECT_EQ(a.generators, b.generators);
    EXPECT_EQ(a.label, b.label);
    ASSERT_EQ(a.translations.size(), b.translations.size());
    for (std::size_t t = 0; t < a.translations.size(); ++t) {
        EXPECT_EQ(a.translations[t].key, b.translations[t].key);
        EXPECT_EQ(a.translations[t].norm_key, b.translations[t].norm_key);
        EXPECT_TRUE(same_bits(a.translations[t].max_modulus_error, b.translations[t].max_modulus_error));
    }
    ASSERT_EQ(a.candidates.size(), b.candidates.size());
    for (std::size_t c = 0; c < a.candidates.size(); ++c) {
        const CandidateRecord& x = a.candidates[c];
        const CandidateRecord& y = b.candidates[c];
        ASSERT_EQ(x.key, y.key) << "candidate " << c;
        ASSERT_EQ(x.path, y.path) << "candidate " << c;
        ASSERT_TRUE(same_bits(x.max_embedding_norm, y.max_embedding_norm)) << "candidate " << c;
        ASSERT_TRUE(x.projection_key == y.projection_key && x.dedup_key == y.dedup_key);
    }
    EXPECT_EQ(a.construction_edges, b.construction_edges);
    EXPECT_EQ(a.unit_edges, b.unit_edges);
    EXPECT_TRUE(same_bits(a.polydisk_radius, b.polydisk_radius));
    EXPECT_EQ(a.n_target, b.n_target);
    EXPECT_EQ(a.split_prime, b.split_prime);
    EXPECT_EQ(a.k, b.k);
}

class AgainstReference : public ::testing::TestWithParam<Request> {};

TEST_P(AgainstReference, SameResultBitForBit) {
    const Request& r = GetParam();
    const Section2Params params = params_of(r);
    auto fast = build_section2(params, r.n_target);
    auto slow = reference::build_section2(params, r.n_target);
    ASSERT_EQ(fast.has_value(), slow.has_value());
    if (!fast) {
        EXPECT_EQ(fast.error().message(), slow.error().message());
        return;
    }
    expect_same_result(*fast, *slow);
}

INSTANTIATE_TEST_SUITE_P(
    SmallFields, AgainstReference,
    ::testing::Values(Request{{2}, 17, 1, 20}, Request{{2}, 17, 1, 0}, Request{{2}, 17, 1, 1},
                      Request{{2}, 17, 1, 150}, Request{{2}, 17, 2, 120}, Request{{}, 5, 2, 60},
                      Request{{}, 13, 2, 80}, Request{{}, 5, 0, 9}, Request{{2, 3}, 73, 1, 60},
                      Request{{-1, 2}, 17, 1, 40}, Request{{2, -1, 3}, 73, 1, 30},
                      Request{{5}, 29, 2, 50}, Request{{2}, 41, 1, 90}, Request{{}, 5, 1, 10}));

TEST(Section2, TranslationListMatchesReference) {
    for (const Request& r : {Request{{2}, 17, 2, 0}, Request{{2, 3}, 73, 1, 0}, Request{{}, 5, 4, 0},
                             Request{{}, 5, 3, 0}, Request{{5}, 29, 2, 0}, Request{{2, 3}, 73, 2, 0}}) {
        auto field = MultiquadraticField::from_generators(params_of(r).generators);
        auto fast = translation_list(*field, r.p, r.k, 3);
        auto slow = reference::translation_list(*field, r.p, r.k, 3);
        ASSERT_EQ(fast.has_value(), slow.has_value());
        if (!fast) {
            EXPECT_EQ(fast.error().message(), slow.error().message());
            continue;
        }
        EXPECT_EQ(fast->elements, *slow);
        for (std::size_t t = 0; t < fast->elements.size(); ++t) {
            for (std::size_t m = 0; m < field->degree(); ++m) {
                Rational q(mpz_class(static_cast<long>(fast->numerators[t][m])),
                           mpz_class(static_cast<long>(fast->denominator)));
                q.canonicalize();
                EXPECT_EQ(q, fast->elements[t].coefficients[m]);
            }
        }
    }
}

class Invariants : public ::testing::TestWithParam<Request> {};

TEST_P(Invariants, EveryPointDistinctAndEveryEdgeExplained) {
    const Request& r = GetParam();
    auto result = build_section2(params_of(r), r.n_target);
    ASSERT_TRUE(result) << result.error().message();
    ASSERT_EQ(result->points.size(), r.n_target);

    std::set<std::pair<std::uint64_t, std::uint64_t>> bits;
    for (const Point& p : result->points) {
        bits.emplace(std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y));
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
    }
    EXPECT_EQ(bits.size(), r.n_target);

    auto field = MultiquadraticField::from_generators(result->evidence.generators);
    auto translations = translation_list(*field, r.p, r.k, 3);
    for (const ConstructionEdge& e : result->construction_edges) {
        ASSERT_LT(e.i, e.j);
        EXPECT_EQ(e.sign, 1);
        EXPECT_EQ(result->elements[e.j], add(result->elements[e.i], translations->elements[e.translation]));
        const Point& a = result->points[e.i];
        const Point& b = result->points[e.j];
        EXPECT_NEAR(std::hypot(a.x - b.x, a.y - b.y), 1.0, 1e-12);
    }
    EXPECT_GE(result->evidence.unit_edges.size(), result->construction_edges.size());
    EXPECT_EQ(result->evidence.unit_edges,
              find_unit_edges_all_pairs(result->points, unit_distance_bounds(1e-4)));

    // The origin, when it survives, is point 0 with an empty path.
    for (std::size_t i = 0; i < result->elements.size(); ++i) {
        if (result->elements[i] == FieldElement::zero(*field)) {
            EXPECT_EQ(i, 0u);
            const CandidateRecord& origin = result->evidence.candidates[0];
            EXPECT_TRUE(origin.path.empty());
            EXPECT_EQ(origin.projection_key, (ProjectionKey{0, 0}));
            EXPECT_EQ(origin.max_embedding_norm, 0.0);
        }
    }

    auto again = build_section2(params_of(r), r.n_target);
    ASSERT_TRUE(again);
    expect_same_points(result->points, again->points);
}

INSTANTIATE_TEST_SUITE_P(LargerRequests, Invariants,
                         ::testing::Values(Request{{2}, 17, 1, 2000}, Request{{2, 3}, 73, 1, 1500},
                                           Request{{2, 3}, 73, 2, 800}, Request{{}, 5, 2, 3000},
                                           Request{{-1, 2}, 17, 2, 500}));

TEST(Section2, RequestsTooLargeForThePolydisksFailWithTheRequestedCount) {
    // k = 0 leaves the single translation 1: the points 0, +-1, +-2, ... on a line.
    auto result = build_section2(params_of({{}, 5, 0, 0}), 5000);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "could not generate enough points: requested 5000, found 0");
}

TEST(Section2, HugeExponentBoundsFailPromptly) {
    for (std::uint64_t k : {std::uint64_t{1} << 32, std::uint64_t{1} << 62, ~std::uint64_t{0}}) {
        auto result = build_section2(params_of({{2}, 17, k, 10}), 10);
        ASSERT_FALSE(result);
        const std::string message = result.error().message();
        EXPECT_TRUE(message.rfind("invalid search parameter unit", 0) == 0) << message;
    }
    auto odd = build_section2(params_of({{}, 5, 1, 10}), 10);
    EXPECT_EQ(odd.error().message(),
              "invalid search parameter unit_scale_exponent: expected even scaling exponent");
    auto largest = build_section2(params_of({{}, 5, ~std::uint64_t{0}, 10}), 10);
    EXPECT_EQ(largest.error().message(),
              "invalid search parameter unit_denominator: expected an even unit scaling exponent");
}

TEST(Peeling, TiesGoToTheLowestIndexAndDegreesStayNonNegative) {
    // A path 0-1-2 and an isolated point 3: 3 goes first (degree 0), then the
    // ends of the path (degree 1, lowest index first).
    const PointList points{{0, 0}, {1, 0}, {2, 0}, {10, 10}};
    EXPECT_EQ(select_by_degree_peeling(points, 3, 1e-4), (std::vector<std::uint64_t>{0, 1, 2}));
    EXPECT_EQ(select_by_degree_peeling(points, 2, 1e-4), (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(select_by_degree_peeling(points, 1, 1e-4), (std::vector<std::uint64_t>{2}));
    EXPECT_EQ(select_by_degree_peeling(points, 0, 1e-4), (std::vector<std::uint64_t>{}));
    EXPECT_EQ(select_by_degree_peeling(points, 9, 1e-4), (std::vector<std::uint64_t>{0, 1, 2, 3}));
}

TEST(Peeling, MatchesTheLinearScanOnLatticePatches) {
    PointList points;
    for (int i = 0; i < 30; ++i) {
        for (int j = 0; j < 30; ++j) {
            if ((i * 7 + j * 3) % 5 != 0) points.push_back({static_cast<double>(i), static_cast<double>(j)});
        }
    }
    for (std::uint64_t n : {0u, 1u, 100u, 400u, 719u}) {
        EXPECT_EQ(select_by_degree_peeling(points, n, 1e-4),
                  reference::select_by_degree_peeling(points, n, 1e-4));
    }
    // Many equal degrees, and degrees that fall to zero before removal.
    const PointList triangular = triangular_grid(2500);
    for (std::uint64_t n : {3u, 500u, 1250u, 2400u}) {
        EXPECT_EQ(select_by_degree_peeling(triangular, n, 1e-4),
                  reference::select_by_degree_peeling(triangular, n, 1e-4));
    }
}

TEST(Dedup, KeepsTheFirstOfCoincidentPointsInVisitOrder) {
    const PointList points{{0, 0}, {5e-8, 0}, {1, 1}, {1 + 9.9e-8, 1}, {1 + 1e-7, 1},
                           {NAN, 0}, {NAN, 0}, {INFINITY, 0}};
    EXPECT_EQ(deduplicate_points(points, 1e-7), (std::vector<std::uint64_t>{0, 2, 4, 5, 6, 7}));
}

}  // namespace
}  // namespace vantor
