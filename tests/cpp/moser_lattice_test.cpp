// The Moser lattice: its exact unit test against rounding, its plane points
// against an independent evaluation, its symmetries, and the exact check of
// its point sets against every kind of edit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>

#include "lattice_sets/moser_set.hpp"
#include "lattice_sets/moser_verification.hpp"

namespace vantor::lattice_sets {
namespace {

long double exact_modulus(MoserCoordinate z) {
    // a + b w1 + c w3 + d w1 w3 in long double, from the definition.
    const long double s3 = std::sqrt(3.0L);
    const long double s11 = std::sqrt(11.0L);
    const long double w1x = 0.5L, w1y = s3 / 2;
    const long double w3x = 5.0L / 6, w3y = s11 / 6;
    const long double x = z.a + z.b * w1x + z.c * w3x + z.d * (w1x * w3x - w1y * w3y);
    const long double y = z.b * w1y + z.c * w3y + z.d * (w1x * w3y + w1y * w3x);
    return std::sqrt(x * x + y * y);
}

TEST(MoserLattice, UnitStepsAreExactlyTheEighteenUnitsAndCloseUnderTheSymmetries) {
    const auto steps = moser_unit_steps();
    ASSERT_EQ(steps.size(), 18u);
    const std::set<MoserCoordinate> units(steps.begin(), steps.end());
    for (const MoserCoordinate& u : steps) {
        EXPECT_NEAR(static_cast<double>(exact_modulus(u)), 1.0, 1e-15);
        EXPECT_TRUE(units.contains(MoserCoordinate{} - u));
        for (int g = 0; g < kMoserSymmetries; ++g) {
            EXPECT_TRUE(units.contains(moser_symmetry(g, u)));
        }
    }
}

TEST(MoserLattice, ExactTestAgreesWithTheModulusAndRejectsNearMisses) {
    // Over a box of small elements, exact units are the ones within
    // rounding of modulus 1.
    for (std::int64_t a = -6; a <= 6; ++a) {
        for (std::int64_t b = -6; b <= 6; ++b) {
            for (std::int64_t c = -6; c <= 6; ++c) {
                for (std::int64_t d = -6; d <= 6; ++d) {
                    const MoserCoordinate z{a, b, c, d};
                    const long double gap = std::fabs(exact_modulus(z) - 1.0L);
                    EXPECT_EQ(is_moser_unit(z), gap < 1e-15L)
                        << a << " " << b << " " << c << " " << d;
                }
            }
        }
    }
    // The nearest misses with coordinates up to 45, found by a scan of
    // that box: within 1e-4 of modulus 1, and not units.
    const MoserCoordinate near_misses[] = {
        {-20, -6, 28, -10}, {-28, 18, 20, -26}, {-31, -6, 40, -16}};
    for (const MoserCoordinate& z : near_misses) {
        EXPECT_LT(std::fabs(exact_modulus(z) - 1.0L), 2e-4L);
        EXPECT_FALSE(is_moser_unit(z));
        const Point p = moser_point(z);
        EXPECT_FALSE(std::fabs(std::hypot(p.x, p.y) - 1.0) < 1e-5);
    }
}

TEST(MoserLattice, SymmetriesKeepTheNormAndPointsMatchTheDefinition) {
    const MoserCoordinate samples[] = {{3, -7, 2, 5}, {-11, 4, 9, -2}, {1, 1, 1, 1}, {0, 0, 0, 0}};
    for (const MoserCoordinate& z : samples) {
        const MoserNorm norm = moser_norm(z);
        for (int g = 0; g < kMoserSymmetries; ++g) {
            const MoserNorm turned = moser_norm(moser_symmetry(g, z));
            EXPECT_TRUE(turned.r == norm.r && turned.s == norm.s) << g;
        }
        const Point p = moser_point(z);
        EXPECT_NEAR(std::hypot(p.x, p.y), static_cast<double>(exact_modulus(z)), 1e-13);
    }
    // The reflection is an involution and the rotation has order six.
    const MoserCoordinate z = samples[0];
    EXPECT_EQ(moser_symmetry(6, moser_symmetry(6, z)), z);
    EXPECT_EQ(moser_symmetry(3, moser_symmetry(3, z)), z);
}

// A dense set to edit: the Minkowski sum of three unit triangles, one from
// each class of unit steps (27 points, 81 unit pairs).
MoserPointSet genuine() {
    const MoserCoordinate triangles[3][3] = {{{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}},
                                             {{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
                                             {{0, 0, 0, 0}, {-1, -1, 1, 1}, {1, -2, -1, 2}}};
    std::vector<MoserCoordinate> points;
    for (const auto& x : triangles[0]) {
        for (const auto& y : triangles[1]) {
            for (const auto& z : triangles[2]) points.push_back(x + y + z);
        }
    }
    auto set = moser_point_set(points);
    EXPECT_TRUE(set.has_value());
    return std::move(*set);
}

std::string verdict(const MoserPointSet& set) {
    const auto checked = verify_moser_set(set.coordinates, set.points, set.edges);
    return checked ? "ok" : checked.error().message();
}

struct Edit {
    const char* name;
    std::function<void(MoserPointSet&)> apply;
    const char* message_start;  // empty: the set must still pass
};

class MoserEdit : public ::testing::TestWithParam<Edit> {};

TEST_P(MoserEdit, IsCaughtAndNamed) {
    MoserPointSet set = genuine();
    ASSERT_EQ(set.edges.size(), 81u);
    ASSERT_EQ(verdict(set), "ok");
    GetParam().apply(set);
    const std::string result = verdict(set);
    const std::string expected = GetParam().message_start;
    if (expected.empty()) {
        EXPECT_EQ(result, "ok");
    } else {
        EXPECT_EQ(result.rfind(expected, 0), 0u) << result;
    }
}

// Moves point k and recomputes its float, so only the edges can tell.
void move_point(MoserPointSet& s, std::size_t k, MoserCoordinate to) {
    s.coordinates[k] = to;
    s.points[k] = moser_point(to);
}

const Edit kEdits[] = {
    {"none", [](MoserPointSet&) {}, ""},
    {"float_one_ulp_off",
     [](MoserPointSet& s) { s.points[5].y = std::nextafter(s.points[5].y, 10.0); },
     "point 5 is not the plane point"},
    {"moved_point", [](MoserPointSet& s) { move_point(s, 26, {40, 0, 0, 0}); }, "edge "},
    {"coincident_points",
     [](MoserPointSet& s) {
         move_point(s, 3, s.coordinates[0]);
         std::erase_if(s.edges, [](const Edge& e) { return e.i == 3 || e.j == 3; });
     },
     "points 0 and 3 are the same lattice point"},
    {"extra_edge",
     [](MoserPointSet& s) {
         // A pair that is not a unit pair, put in its sorted place.
         for (std::uint64_t j = 1; j < s.coordinates.size(); ++j) {
             const Edge e{0, j};
             if (!std::binary_search(s.edges.begin(), s.edges.end(), e)) {
                 s.edges.insert(std::lower_bound(s.edges.begin(), s.edges.end(), e), e);
                 return;
             }
         }
     },
     "edge "},
    {"missing_edge", [](MoserPointSet& s) { s.edges.pop_back(); },
     "the edges list 80 of the 81 pairs at distance exactly 1"},
    {"edges_out_of_order", [](MoserPointSet& s) { std::swap(s.edges[3], s.edges[4]); },
     "edge 4 is out of order"},
    {"coordinate_out_of_range",
     [](MoserPointSet& s) { s.coordinates[2].c = kMaxMoserCoordinate + 1; },
     "lattice coordinates of point 2 exceed 2**40"},
    {"most_negative_coordinate",
     [](MoserPointSet& s) { s.coordinates[6].d = std::numeric_limits<std::int64_t>::min(); },
     "lattice coordinates of point 6 exceed 2**40"},
};

INSTANTIATE_TEST_SUITE_P(Edits, MoserEdit, ::testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MoserLattice, BuildingRefusesCoordinatesOutOfRangeBeforeAnyArithmetic) {
    std::vector<MoserCoordinate> points = genuine().coordinates;
    points[9] = {std::numeric_limits<std::int64_t>::max(), 0, 0, 0};
    const auto built = moser_point_set(points);
    ASSERT_FALSE(built.has_value());
    EXPECT_EQ(built.error().message(), "lattice coordinates of point 9 exceed 2**40 in magnitude");
}

TEST(MoserLattice, FarApartCopiesOfASetKeepTheirUnitPairsOnly) {
    // Two copies far apart: the recount must find exactly twice the pairs,
    // whatever the order of the points.
    MoserPointSet one = genuine();
    std::vector<MoserCoordinate> two = one.coordinates;
    for (const MoserCoordinate& c : one.coordinates) {
        two.push_back(c + MoserCoordinate{1000, 7, -300, 2});
    }
    std::reverse(two.begin(), two.end());
    const auto built = moser_point_set(two);
    ASSERT_TRUE(built.has_value());
    EXPECT_EQ(built->edges.size(), 162u);
}

TEST(MoserLattice, EdgesAndRecountAgreeWithEveryPairTestedExactly) {
    // Random sets, small and with coordinates near the largest accepted, so
    // that the float window of the recount is exercised where rounding is
    // worst: the edges found through the unit steps are exactly the pairs
    // that the exact test accepts among all pairs.
    std::uint64_t state = 12345;
    const auto next = [&state](std::int64_t range) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::int64_t>((state >> 33) % static_cast<std::uint64_t>(range));
    };
    for (const std::int64_t offset : {std::int64_t{0}, kMaxMoserCoordinate - 8}) {
        for (int round = 0; round < 20; ++round) {
            std::set<MoserCoordinate> chosen;
            while (chosen.size() < 60) {
                chosen.insert({offset - next(5), next(5) - 2, next(5) - 2, next(5) - 2});
            }
            const std::vector<MoserCoordinate> points(chosen.begin(), chosen.end());
            std::uint64_t pairs = 0;
            for (std::size_t i = 0; i < points.size(); ++i) {
                for (std::size_t j = i + 1; j < points.size(); ++j) {
                    pairs += is_moser_unit(points[j] - points[i]);
                }
            }
            const auto set = moser_point_set(points);
            ASSERT_TRUE(set.has_value()) << set.error().message();
            EXPECT_EQ(set->edges.size(), pairs);
        }
    }
}

}  // namespace
}  // namespace vantor::lattice_sets
