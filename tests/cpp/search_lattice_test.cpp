// The search lattice value: the Moser lattice's tables, derived from the
// unit lattice, against its symmetries worked out by hand (the order the
// stored sets were searched in); tables of another unit lattice; and the
// tables refused where a search could not run in them.

#include <gtest/gtest.h>

#include <algorithm>

#include "record_search/search_lattice.hpp"
#include "unit_lattices/moser_lattice.hpp"

namespace vantor::records {
namespace {

// w1^2 = w1 - 1, so w1 (a + b w1 + c w3 + d w1 w3)
//   = -b + (a + b) w1 - d w3 + (c + d) w1 w3.
SearchCoordinate rotate(SearchCoordinate z) { return {-z.b, z.a + z.b, -z.d, z.c + z.d}; }

// z -> w3 conj(z) sends 1 -> w3, w1 -> w3 - w1 w3, w3 -> 1, w1 w3 -> 1 - w1.
SearchCoordinate reflect(SearchCoordinate z) { return {z.c + z.d, -z.d, z.a + z.b, -z.b}; }

// Symmetry g < 6 is w1^g; g >= 6 is w1^(g - 6) after the reflection.
SearchCoordinate by_hand(int g, SearchCoordinate z) {
    if (g >= 6) z = reflect(z);
    for (int k = 0; k < g % 6; ++k) z = rotate(z);
    return z;
}

TEST(SearchLattice, MoserTablesAreTheMoserLattice) {
    const SearchLattice& moser = moser_search_lattice();
    ASSERT_EQ(moser.symmetry_count(), 12u);
    ASSERT_EQ(moser.steps().size(), 18u);
    EXPECT_EQ(moser.packed_limit(), kPackedLimit);
    const SearchCoordinate points[] = {{1, 0, 0, 0}, {3, -2, 7, 1}, {-11, 5, 4, -9}};
    for (int g = 0; g < 12; ++g) {
        for (const SearchCoordinate& p : points) {
            EXPECT_EQ(moser.image(static_cast<std::size_t>(g), p), by_hand(g, p)) << g;
        }
    }
    EXPECT_TRUE(std::is_sorted(moser.steps().begin(), moser.steps().end()));
    for (const SearchCoordinate& s : moser.steps()) {
        const std::int64_t c[] = {s.a, s.b, s.c, s.d};
        EXPECT_TRUE(unit_lattices::moser_lattice().is_unit(c));
    }
}

TEST(SearchLattice, TablesOfOtherUnitLatticesFollowTheirSymmetries) {
    // The Eisenstein integers (rank 2, six units, twelve symmetries) and
    // Z[zeta_12] (rank 4, twelve units, 24 symmetries: only the twelve
    // rotations are kept). Each matrix maps every unit step to a unit step
    // and the first is the identity.
    const std::int64_t eisenstein_generators[] = {3};  // with -1: 1, sqrt(3), i, i sqrt(3)
    const std::vector<Rational> eisenstein_units[] = {
        {1, 0, 0, 0}, {Rational(1, 2), 0, 0, Rational(1, 2)}};
    const std::int64_t cyclotomic_generators[] = {3};
    const std::vector<Rational> cyclotomic_units[] = {
        {1, 0, 0, 0}, {0, 0, 1, 0}, {Rational(-1, 2), 0, 0, Rational(1, 2)},
        {0, Rational(-1, 2), Rational(-1, 2), 0}};
    const std::pair<std::size_t, std::size_t> expected[] = {{6, 12}, {12, 12}};
    const auto eisenstein =
        unit_lattices::UnitLattice::from_units(eisenstein_generators, eisenstein_units);
    const auto cyclotomic =
        unit_lattices::UnitLattice::from_units(cyclotomic_generators, cyclotomic_units);
    ASSERT_TRUE(eisenstein && cyclotomic);
    const unit_lattices::UnitLattice* lattices[] = {&*eisenstein, &*cyclotomic};
    for (std::size_t l = 0; l < 2; ++l) {
        const auto tables = SearchLattice::from_unit_lattice(*lattices[l]);
        ASSERT_TRUE(tables) << tables.error();
        EXPECT_EQ(tables->steps().size(), expected[l].first);
        ASSERT_EQ(tables->symmetry_count(), expected[l].second);
        const std::vector<SearchCoordinate> steps(tables->steps().begin(), tables->steps().end());
        for (std::size_t g = 0; g < tables->symmetry_count(); ++g) {
            for (const SearchCoordinate& s : steps) {
                const SearchCoordinate image = tables->image(g, s);
                EXPECT_TRUE(std::find(steps.begin(), steps.end(), image) != steps.end());
                if (g == 0) {
                    EXPECT_EQ(image, s);
                }
            }
        }
    }
}

TEST(SearchLattice, TablesASearchCannotUseAreRefused) {
    const std::array<SearchCoordinate, 4> identity{
        SearchCoordinate{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const std::array<SearchCoordinate, 4> swap{
        SearchCoordinate{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    const std::vector<SearchCoordinate> steps{{1, 0, 0, 0}, {-1, 0, 0, 0}};
    EXPECT_TRUE(SearchLattice::from_tables(steps, {identity, swap}));
    EXPECT_FALSE(SearchLattice::from_tables(steps, {swap, identity}));
    EXPECT_FALSE(SearchLattice::from_tables({}, {identity}));
    EXPECT_FALSE(SearchLattice::from_tables(steps, std::vector(13, identity)));
    EXPECT_FALSE(SearchLattice::from_tables({{100, 0, 0, 0}}, {identity}));
    // A matrix that triples a coordinate lowers the packed limit so that
    // images stay within their fields.
    const std::array<SearchCoordinate, 4> wide{
        SearchCoordinate{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 0, 1, 0}, {0, 0, 0, 1}};
    const auto built = SearchLattice::from_tables(steps, {identity, wide});
    ASSERT_TRUE(built);
    EXPECT_EQ(built->packed_limit(), 2 * kPackedLimit / 3);
}

}  // namespace
}  // namespace vantor::records
