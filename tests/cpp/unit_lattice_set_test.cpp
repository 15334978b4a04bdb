// Sets of a unit lattice: patches built and verified, and the exact check
// against every kind of edit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "algebraic/field/field_element.hpp"
#include "unit_lattices/moser_lattice.hpp"
#include "unit_lattices/unit_lattice_patch.hpp"
#include "unit_lattices/unit_lattice_set.hpp"

namespace vantor::unit_lattices {
namespace {

UnitLattice moser() {
    // Q(sqrt3, sqrt11, i): bits 1, 2, 4 are sqrt3, sqrt11, i.
    const auto field = *MultiquadraticField::from_generators(std::vector<std::int64_t>{3, 11, -1});
    std::vector<Rational> one(8, 0), w1(8, 0), w3(8, 0);
    one[0] = 1;
    w1[0] = Rational(1, 2);
    w1[5] = Rational(1, 2);
    w3[0] = Rational(5, 6);
    w3[6] = Rational(1, 6);
    const auto both = mul(FieldElement{w1}, FieldElement{w3}, field).coefficients;
    const std::vector<std::vector<Rational>> units{one, w1, w3, both};
    return *UnitLattice::from_units(std::vector<std::int64_t>{3, 11}, units);
}

std::string fault(const UnitLattice& lattice, const UnitLatticeSet& set) {
    const auto checked = verify_unit_lattice_set(lattice, lattice.rank(), set.coordinates,
                                                 set.points, set.edges);
    return checked ? "" : checked.error().message();
}

TEST(UnitLatticeSet, PatchesAreVerifiedAndDense) {
    const UnitLattice lattice = moser();
    // The most unit distances 7 points can have is 12; the densest first
    // growth reaches it.
    for (std::uint64_t n : {1u, 7u, 30u, 200u}) {
        auto set = unit_lattice_set(lattice, densest_patch(lattice, n));
        ASSERT_TRUE(set) << set.error().message();
        EXPECT_EQ(set->points.size(), n);
        EXPECT_EQ(fault(lattice, *set), "");
        if (n == 7) {
            EXPECT_EQ(set->edges.size(), 12u);
        }
        if (n == 200) {
            EXPECT_GE(set->edges.size(), 1000u);  // the best known is 1020
        }
    }
}

TEST(UnitLatticeSet, EveryEditIsRefused) {
    const UnitLattice lattice = moser();
    const auto built = unit_lattice_set(lattice, densest_patch(lattice, 30));
    ASSERT_TRUE(built);
    const UnitLatticeSet& set = *built;

    UnitLatticeSet moved = set;
    moved.points[4].x = std::nextafter(moved.points[4].x, 10.0);
    EXPECT_EQ(fault(lattice, moved), "points[4] is not the plane point of its coordinates");

    UnitLatticeSet missing = set;
    missing.edges.pop_back();
    EXPECT_EQ(fault(lattice, missing), "the edges list " + std::to_string(set.edges.size() - 1) +
                                           " unit pairs, the set has " +
                                           std::to_string(set.edges.size()));

    // A pair that is not a unit pair, slipped in at its sorted place.
    UnitLatticeSet extra = set;
    Edge added{0, 0};
    for (std::uint64_t j = 1; j < 30 && added.j == 0; ++j) {
        if (!std::binary_search(set.edges.begin(), set.edges.end(), Edge{0, j})) added = {0, j};
    }
    extra.edges.insert(std::lower_bound(extra.edges.begin(), extra.edges.end(), added), added);
    const std::string wrong = fault(lattice, extra);
    EXPECT_TRUE(wrong.ends_with("does not join points at distance exactly 1")) << wrong;

    UnitLatticeSet repeated = set;
    std::copy_n(repeated.coordinates.begin(), 4, repeated.coordinates.begin() + 4);
    repeated.points[1] = repeated.points[0];
    EXPECT_EQ(fault(lattice, repeated), "points 0 and 1 have the same coordinates");

    UnitLatticeSet reversed = set;
    std::swap(reversed.edges[0], reversed.edges[1]);
    EXPECT_EQ(fault(lattice, reversed), "edge 1 is out of sorted order");

    const auto columns = verify_unit_lattice_set(lattice, 2, set.coordinates, set.points, set.edges);
    ASSERT_FALSE(columns);
    EXPECT_EQ(columns.error().message(), "coordinates: expected 4 columns (the lattice's rank), got 2");
}

TEST(UnitLatticeSet, TheFirstFaultIsAPlainLoopsOverManyBlocksOnAnyThreadCount) {
    // 22500 points (a, b, 0, 0) of the Moser lattice: six blocks of points
    // and many of edges. With two faults, the one a loop meets first wins.
    const UnitLattice& lattice = moser_lattice();
    std::vector<std::int64_t> rows;
    for (std::int64_t a = 0; a < 150; ++a) {
        for (std::int64_t b = 0; b < 150; ++b) rows.insert(rows.end(), {a, b, 0, 0});
    }
    const auto built = checked_unit_lattice_set(lattice, rows);
    ASSERT_TRUE(built) << built.error().message();
    // A patch of the triangular grid: steps (1, 0), (0, 1) and (-1, 1).
    EXPECT_EQ(built->edges.size(), 2u * 149 * 150 + 149 * 149);
    const auto verdict = [&](const UnitLatticeSet& set) {
        const auto checked =
            verify_unit_lattice_set(lattice, 4, set.coordinates, set.points, set.edges);
        return checked ? std::string("ok") : checked.error().message();
    };
    const auto move = [&](UnitLatticeSet& set, std::size_t k, std::size_t onto) {
        std::copy_n(set.coordinates.begin() + static_cast<std::ptrdiff_t>(4 * onto), 4,
                    set.coordinates.begin() + static_cast<std::ptrdiff_t>(4 * k));
        set.points[k] = set.points[onto];
    };
    UnitLatticeSet late_float = *built;  // a repeat at 10000, a float off at 20000
    move(late_float, 10000, 3);
    late_float.points[20000].x = -late_float.points[20000].x - 1.0;
    EXPECT_EQ(verdict(late_float), "points 3 and 10000 have the same coordinates");
    UnitLatticeSet early_float = *built;  // a float off at 5000, a repeat at 21000
    move(early_float, 21000, 3);
    early_float.points[5000].y += 1.0;
    EXPECT_EQ(verdict(early_float), "points[5000] is not the plane point of its coordinates");
    UnitLatticeSet edges = *built;  // edge 60000 out of order, one of the first 40 not a unit pair
    std::swap(edges.edges[60000], edges.edges[60001]);
    edges.edges[20].j = edges.edges[20].j + 2;
    std::sort(edges.edges.begin(), edges.edges.begin() + 40);
    const std::string first = verdict(edges);
    EXPECT_TRUE(first.starts_with("edge ") && !first.starts_with("edge 6000")) << first;
    for (const char* threads : {"1", "2", "5"}) {
        setenv("VANTOR_NUM_THREADS", threads, 1);
        EXPECT_EQ(verdict(late_float), "points 3 and 10000 have the same coordinates");
        EXPECT_EQ(verdict(edges), first);
        EXPECT_EQ(checked_unit_lattice_set(lattice, rows)->edges, built->edges);
    }
    unsetenv("VANTOR_NUM_THREADS");
}

}  // namespace
}  // namespace vantor::unit_lattices
