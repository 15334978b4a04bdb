// The Moser lattice as a unit lattice: its unit vectors against an
// independent enumeration, its exact unit test against rounding, its plane
// points bit for bit against the closed formula its sets were made with,
// its symmetries, and the exact check of its point sets against every kind
// of edit.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>

#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice_set.hpp"

namespace vantor::unit_lattices {
namespace {

using Moser = std::array<std::int64_t, 4>;  // (a, b, c, d)

Moser operator+(const Moser& p, const Moser& q) {
    return {p[0] + q[0], p[1] + q[1], p[2] + q[2], p[3] + q[3]};
}
Moser operator-(const Moser& p, const Moser& q) {
    return {p[0] - q[0], p[1] - q[1], p[2] - q[2], p[3] - q[3]};
}

long double exact_modulus(const Moser& z) {
    // a + b w1 + c w3 + d w1 w3 in long double, from the definition.
    const long double s3 = std::sqrt(3.0L);
    const long double s11 = std::sqrt(11.0L);
    const long double w1x = 0.5L, w1y = s3 / 2;
    const long double w3x = 5.0L / 6, w3y = s11 / 6;
    const long double x = z[0] + z[1] * w1x + z[2] * w3x + z[3] * (w1x * w3x - w1y * w3y);
    const long double y = z[1] * w1y + z[2] * w3y + z[3] * (w1x * w3y + w1y * w3x);
    return std::sqrt(x * x + y * y);
}

// The closed form of the unit test, derived by hand rather than by the
// lattice: with P = 12a + 6b + 10c + 5d, U = 6b + 5d, V = 2c + d,
// 144 |z|^2 = (P^2 + 33 d^2 + 3 U^2 + 11 V^2) + 2 (U V - P d) sqrt(33).
bool closed_form_unit(const Moser& z) {
    const __int128 a = z[0], b = z[1], c = z[2], d = z[3];
    const __int128 p = 12 * a + 6 * b + 10 * c + 5 * d;
    const __int128 u = 6 * b + 5 * d;
    const __int128 v = 2 * c + d;
    return p * p + 33 * d * d + 3 * u * u + 11 * v * v == 144 && u * v == p * d;
}

// The closed-form plane point the stored sets were computed with.
Point closed_form_point(const Moser& z) {
    const auto p = static_cast<double>(12 * z[0] + 6 * z[1] + 10 * z[2] + 5 * z[3]);
    const auto u = static_cast<double>(6 * z[1] + 5 * z[3]);
    const auto v = static_cast<double>(2 * z[2] + z[3]);
    const auto d = static_cast<double>(z[3]);
    const double x = (p - d * std::sqrt(33.0)) / 12.0;
    const double y = (u * std::sqrt(3.0) + v * std::sqrt(11.0)) / 12.0;
    return {x, y};
}

std::set<Moser> unit_set() {
    const UnitLattice& moser = moser_lattice();
    const auto rows = moser.unit_coordinates();
    std::set<Moser> units;
    for (std::size_t k = 0; k < moser.unit_count(); ++k) {
        units.insert({rows[4 * k], rows[4 * k + 1], rows[4 * k + 2], rows[4 * k + 3]});
    }
    return units;
}

TEST(MoserLattice, KeepsItsBasisAndItsUnitsAreThoseOfAnIndependentScan) {
    const UnitLattice& moser = moser_lattice();
    ASSERT_EQ(moser.rank(), 4u);
    EXPECT_EQ(moser.denominator(), 12);
    EXPECT_EQ(moser.coordinate_limit_log2(), 43u);  // 4 * 12 * 2**43 <= 2**49
    const std::set<Moser> units = unit_set();
    ASSERT_EQ(units.size(), 18u);
    // Both embeddings bound |a| <= 4 and |b|, |c|, |d| <= 2 for a unit; a
    // wider box, tested by the closed form, holds the same 18.
    std::set<Moser> scanned;
    for (std::int64_t a = -6; a <= 6; ++a) {
        for (std::int64_t b = -4; b <= 4; ++b) {
            for (std::int64_t c = -4; c <= 4; ++c) {
                for (std::int64_t d = -4; d <= 4; ++d) {
                    if (closed_form_unit({a, b, c, d})) scanned.insert({a, b, c, d});
                }
            }
        }
    }
    EXPECT_EQ(units, scanned);
    EXPECT_TRUE(units.contains(Moser{1, 0, 0, 0}) && units.contains(Moser{0, 1, 0, 0}) &&
                units.contains(Moser{0, 0, 1, 0}) && units.contains(Moser{0, 0, 0, 1}));
}

TEST(MoserLattice, SymmetriesPermuteTheUnits) {
    const UnitLattice& moser = moser_lattice();
    ASSERT_EQ(moser.symmetries().size(), 12u);
    std::size_t reflections = 0;
    for (const Symmetry& g : moser.symmetries()) {
        reflections += g.reflection;
        std::set<std::uint32_t> images(g.permutation.begin(), g.permutation.end());
        EXPECT_EQ(images.size(), moser.unit_count());
    }
    EXPECT_EQ(reflections, 6u);
}

TEST(MoserLattice, ExactTestAgreesWithTheModulusAndRejectsNearMisses) {
    const UnitLattice& moser = moser_lattice();
    for (std::int64_t a = -6; a <= 6; ++a) {
        for (std::int64_t b = -6; b <= 6; ++b) {
            for (std::int64_t c = -6; c <= 6; ++c) {
                for (std::int64_t d = -6; d <= 6; ++d) {
                    const Moser z{a, b, c, d};
                    const long double gap = std::fabs(exact_modulus(z) - 1.0L);
                    ASSERT_EQ(moser.is_unit(z), gap < 1e-15L) << a << " " << b << " " << c << " " << d;
                }
            }
        }
    }
    // The nearest misses with coordinates up to 45: within 2e-4 of modulus
    // 1, and not units.
    const Moser near_misses[] = {{-20, -6, 28, -10}, {-28, 18, 20, -26}, {-31, -6, 40, -16}};
    for (const Moser& z : near_misses) {
        EXPECT_LT(std::fabs(exact_modulus(z) - 1.0L), 2e-4L);
        EXPECT_FALSE(moser.is_unit(z));
    }
}

TEST(MoserLattice, PlanePointsAreTheClosedFormBitForBit) {
    // The general float order (sum over the field's basis, then / 12) gives
    // the closed form's bits: over random coordinates of every size up to
    // the limit, with both signs.
    const UnitLattice& moser = moser_lattice();
    std::uint64_t state = 99;
    const auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return state;
    };
    for (int round = 0; round < 200000; ++round) {
        const unsigned bits = 1 + static_cast<unsigned>(next() >> 58) % 43;
        Moser z;
        for (std::int64_t& x : z) {
            const auto magnitude = static_cast<std::int64_t>((next() >> 20) & ((1ULL << bits) - 1));
            x = (next() >> 63) ? -magnitude : magnitude;
        }
        ASSERT_TRUE(same_bits(moser.plane_point(z), closed_form_point(z)))
            << z[0] << " " << z[1] << " " << z[2] << " " << z[3];
    }
    const std::int64_t limit = std::int64_t{1} << 43;
    for (const Moser& z : {Moser{limit, limit, limit, limit}, Moser{-limit, limit, -limit, limit},
                           Moser{0, 0, 0, 0}, Moser{0, 0, 0, -1}}) {
        EXPECT_TRUE(same_bits(moser.plane_point(z), closed_form_point(z)));
    }
}

// A dense set to edit: the Minkowski sum of three unit triangles, one from
// each class of unit steps (27 points, 81 unit pairs).
UnitLatticeSet genuine() {
    const Moser triangles[3][3] = {{{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}},
                                   {{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
                                   {{0, 0, 0, 0}, {-1, -1, 1, 1}, {1, -2, -1, 2}}};
    std::vector<std::int64_t> rows;
    for (const auto& x : triangles[0]) {
        for (const auto& y : triangles[1]) {
            for (const auto& z : triangles[2]) {
                const Moser p = x + y + z;
                rows.insert(rows.end(), p.begin(), p.end());
            }
        }
    }
    auto set = checked_unit_lattice_set(moser_lattice(), rows);
    EXPECT_TRUE(set.has_value());
    return std::move(*set);
}

std::string verdict(const UnitLatticeSet& set) {
    const auto checked =
        verify_unit_lattice_set(moser_lattice(), 4, set.coordinates, set.points, set.edges);
    return checked ? "ok" : checked.error().message();
}

struct Edit {
    const char* name;
    std::function<void(UnitLatticeSet&)> apply;
    const char* message_start;  // empty: the set must still pass
};

class MoserEdit : public ::testing::TestWithParam<Edit> {};

TEST_P(MoserEdit, IsCaughtAndNamed) {
    UnitLatticeSet set = genuine();
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
void move_point(UnitLatticeSet& s, std::size_t k, const Moser& to) {
    std::copy(to.begin(), to.end(), s.coordinates.begin() + static_cast<std::ptrdiff_t>(4 * k));
    s.points[k] = moser_lattice().plane_point(to);
}

Moser row(const UnitLatticeSet& s, std::size_t k) {
    return {s.coordinates[4 * k], s.coordinates[4 * k + 1], s.coordinates[4 * k + 2],
            s.coordinates[4 * k + 3]};
}

const Edit kEdits[] = {
    {"none", [](UnitLatticeSet&) {}, ""},
    {"float_one_ulp_off",
     [](UnitLatticeSet& s) { s.points[5].y = std::nextafter(s.points[5].y, 10.0); },
     "points[5] is not the plane point"},
    {"moved_point", [](UnitLatticeSet& s) { move_point(s, 26, {40, 0, 0, 0}); }, "edge "},
    {"coincident_points",
     [](UnitLatticeSet& s) {
         move_point(s, 3, row(s, 0));
         std::erase_if(s.edges, [](const Edge& e) { return e.i == 3 || e.j == 3; });
     },
     "points 0 and 3 have the same coordinates"},
    {"extra_edge",
     [](UnitLatticeSet& s) {
         // A pair that is not a unit pair, put in its sorted place.
         for (std::uint64_t j = 1; j < s.points.size(); ++j) {
             const Edge e{0, j};
             if (!std::binary_search(s.edges.begin(), s.edges.end(), e)) {
                 s.edges.insert(std::lower_bound(s.edges.begin(), s.edges.end(), e), e);
                 return;
             }
         }
     },
     "edge "},
    {"missing_edge", [](UnitLatticeSet& s) { s.edges.pop_back(); },
     "the edges list 80 unit pairs, the set has 81"},
    {"edges_out_of_order", [](UnitLatticeSet& s) { std::swap(s.edges[3], s.edges[4]); },
     "edge 4 is out of sorted order"},
    {"coordinate_out_of_range",
     [](UnitLatticeSet& s) { s.coordinates[4 * 2 + 2] = (std::int64_t{1} << 43) + 1; },
     "coordinates[2] exceeds 2**43"},
    {"most_negative_coordinate",
     [](UnitLatticeSet& s) { s.coordinates[4 * 6 + 3] = std::numeric_limits<std::int64_t>::min(); },
     "coordinates[6] exceeds 2**43"},
};

INSTANTIATE_TEST_SUITE_P(Edits, MoserEdit, ::testing::ValuesIn(kEdits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MoserLattice, BuildingRefusesCoordinatesOutOfRangeBeforeAnyArithmetic) {
    std::vector<std::int64_t> rows = genuine().coordinates;
    rows[4 * 9] = std::numeric_limits<std::int64_t>::max();
    const auto built = checked_unit_lattice_set(moser_lattice(), rows);
    ASSERT_FALSE(built.has_value());
    EXPECT_EQ(built.error().message(), "coordinates[9] exceeds 2**43 in magnitude");
}

TEST(MoserLattice, EdgesAgreeWithEveryPairTestedExactly) {
    // Random sets, small and with coordinates near the largest accepted, and
    // two far-apart copies of one: the edges found through the unit vectors
    // are exactly the pairs the closed form accepts among all pairs.
    std::uint64_t state = 12345;
    const auto next = [&state](std::int64_t range) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::int64_t>((state >> 33) % static_cast<std::uint64_t>(range));
    };
    const std::int64_t far = (std::int64_t{1} << 43) - 8;
    for (const std::int64_t offset : {std::int64_t{0}, far}) {
        for (int round = 0; round < 20; ++round) {
            std::set<Moser> chosen;
            while (chosen.size() < 60) {
                chosen.insert({offset - next(5), next(5) - 2, next(5) - 2, next(5) - 2});
            }
            std::vector<Moser> points(chosen.begin(), chosen.end());
            if (round % 2 == 1) {  // a far copy, reversed
                for (std::size_t k = 0; k < 60; ++k) points.push_back(points[k] + Moser{-1000, 7, -300, 2});
                std::reverse(points.begin(), points.end());
            }
            std::uint64_t pairs = 0;
            std::vector<std::int64_t> rows;
            for (std::size_t i = 0; i < points.size(); ++i) {
                rows.insert(rows.end(), points[i].begin(), points[i].end());
                for (std::size_t j = i + 1; j < points.size(); ++j) {
                    pairs += closed_form_unit(points[j] - points[i]);
                }
            }
            const auto set = checked_unit_lattice_set(moser_lattice(), rows);
            ASSERT_TRUE(set.has_value()) << set.error().message();
            EXPECT_EQ(set->edges.size(), pairs);
        }
    }
}

}  // namespace
}  // namespace vantor::unit_lattices
