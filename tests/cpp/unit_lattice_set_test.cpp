// Sets of a unit lattice: patches built and verified, and the exact check
// against every kind of edit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "algebraic/field/field_element.hpp"
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

}  // namespace
}  // namespace vantor::unit_lattices
