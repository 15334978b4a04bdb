// The search lattice value: the Moser lattice's tables against its own
// symmetries, and the tables refused where a search could not run in them.

#include <gtest/gtest.h>

#include "record_search/search_lattice.hpp"

namespace vantor::records {
namespace {

TEST(SearchLattice, MoserTablesAreTheMoserLattice) {
    const SearchLattice& moser = moser_search_lattice();
    ASSERT_EQ(moser.symmetry_count(), 12u);
    ASSERT_EQ(moser.steps().size(), 18u);
    EXPECT_EQ(moser.packed_limit(), kPackedLimit);
    const SearchCoordinate points[] = {{1, 0, 0, 0}, {3, -2, 7, 1}, {-11, 5, 4, -9}};
    for (int g = 0; g < 12; ++g) {
        for (const SearchCoordinate& p : points) {
            EXPECT_EQ(moser.image(static_cast<std::size_t>(g), p),
                      lattice_sets::moser_symmetry(g, p));
        }
    }
    for (const SearchCoordinate& s : moser.steps()) EXPECT_TRUE(lattice_sets::is_moser_unit(s));
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
