// The exact check of lattice point sets: genuine sets pass, and every kind
// of edit to points, coordinates or edges is caught and named.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "lattice_sets/exact_verification.hpp"
#include "lattice_sets/lattice_construction.hpp"

namespace vantor::lattice_sets {
namespace {

LatticePointSet genuine(const PlaneLattice* lattice) {
    auto built = lattice_point_set(*lattice, 300, std::nullopt, std::nullopt);
    EXPECT_TRUE(built.has_value());
    return std::move(*built);
}

std::string verdict(const LatticePointSet& set) {
    const auto checked =
        verify_lattice_set(*set.lattice, set.m, set.coordinates, set.points, set.edges);
    return checked ? "ok" : checked.error().message();
}

struct Edit {
    const char* name;
    std::function<void(LatticePointSet&)> apply;
    const char* message_start;  // empty: the set must still pass
};

class LatticeEdit : public ::testing::TestWithParam<std::tuple<const PlaneLattice*, Edit>> {};

TEST_P(LatticeEdit, IsCaughtAndNamed) {
    const auto& [lattice, edit] = GetParam();
    LatticePointSet set = genuine(lattice);
    ASSERT_EQ(verdict(set), "ok");
    ASSERT_GT(set.edges.size(), 100u);
    edit.apply(set);
    const std::string result = verdict(set);
    if (std::string(edit.message_start).empty()) {
        EXPECT_EQ(result, "ok");
    } else {
        EXPECT_EQ(result.rfind(edit.message_start, 0), 0u) << result;
    }
}

const Edit kEdits[] = {
    {"none", [](LatticePointSet&) {}, ""},
    // The most negative coordinate has no magnitude in 64 bits.
    {"most_negative_coordinate",
     [](LatticePointSet& s) { s.coordinates[4].b = std::numeric_limits<std::int64_t>::min(); },
     "lattice coordinates of point 4 exceed 2**50 in magnitude"},
    {"point_one_ulp_off",
     [](LatticePointSet& s) { s.points[17].x = std::nextafter(s.points[17].x, 10.0); },
     "point 17 is not its lattice point"},
    {"negative_zero",
     [](LatticePointSet& s) {
         for (Point& p : s.points) {
             if (p.y == 0.0) p.y = -0.0;
         }
     },
     "point "},
    {"coordinate_moved",
     [](LatticePointSet& s) { s.coordinates[5].a += 1; },
     "point 5 is not its lattice point"},
    {"coordinates_and_point_moved_together",
     [](LatticePointSet& s) {
         // Moved consistently far away: the point is right, but the edges
         // to it are not.
         s.coordinates.back().a += 1000;
         s.points.back() = plane_point(*s.lattice, s.coordinates.back(), norm_scale(s.m));
     },
     "edge "},
    {"edge_to_a_closer_point",
     [](LatticePointSet& s) {
         // Point 0's first partner is not point 1 (m > 1), so (0, 1) keeps
         // the list in order and only its norm is wrong.
         ASSERT_EQ(s.edges[0].i, 0u);
         ASSERT_GT(s.edges[0].j, 1u);
         s.edges[0].j = 1;
     },
     "edge 0 (0, 1): the points differ by a vector of norm "},
    {"edge_dropped", [](LatticePointSet& s) { s.edges.erase(s.edges.begin() + 3); },
     "the edges list"},
    {"edge_repeated",
     [](LatticePointSet& s) { s.edges.insert(s.edges.begin() + 3, s.edges[3]); },
     "edge 4 is out of order"},
    {"edge_reversed",
     [](LatticePointSet& s) { std::swap(s.edges[0].i, s.edges[0].j); },
     "edge 0 is out of order"},
    {"edge_out_of_range",
     [](LatticePointSet& s) { s.edges.back().j = s.points.size(); },
     "edge "},
    {"point_dropped", [](LatticePointSet& s) { s.points.pop_back(); }, "299 points for 300"},
    {"point_repeated",
     [](LatticePointSet& s) {
         s.coordinates[1] = s.coordinates[0];
         s.points[1] = s.points[0];
         std::erase_if(s.edges, [](const Edge& e) { return e.i == 1 || e.j == 1; });
     },
     "points 0 and 1 are the same lattice point"},
    {"other_norm", [](LatticePointSet& s) { s.m += 1; }, "point 0 is not its lattice point"},
    {"norm_zero", [](LatticePointSet& s) { s.m = 0; }, "m must be between 1 and 2**53"},
    {"coordinate_too_large",
     [](LatticePointSet& s) { s.coordinates[2].b = kMaxCoordinate + 1; },
     "lattice coordinates of point 2 exceed"},
};

INSTANTIATE_TEST_SUITE_P(
    Edits, LatticeEdit,
    ::testing::Combine(::testing::Values(&kSquareLattice, &kEisensteinLattice),
                       ::testing::ValuesIn(kEdits)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param)->name) + "_" +
               std::get<1>(info.param).name;
    });

TEST(LatticeRequest, InvalidRequestsAreRefusedWithTheirMessage) {
    const auto message = [](std::expected<LatticePointSet, LatticeError> built) {
        return built ? std::string("ok") : built.error().message();
    };
    EXPECT_EQ(message(lattice_point_set(kSquareLattice, 10, 3, std::nullopt)),
              "3 is not a norm of the square lattice: no two of its points are sqrt(3) apart");
    EXPECT_EQ(message(lattice_point_set(kEisensteinLattice, 10, 0, std::nullopt)),
              "m must be between 1 and 2**53, got 0");
    EXPECT_EQ(message(lattice_point_set(kSquareLattice, 10, std::nullopt,
                                        PatchShape::Hexagon)),
              "shape 'hexagon' does not fit the square lattice; its shapes are 'disk', "
              "'square', 'diamond'");
    EXPECT_EQ(message(lattice_point_set(kEisensteinLattice, 10, 3, std::nullopt)), "ok");
}

TEST(LatticeRequest, SizesAtTheEdgesGiveExactlyNPoints) {
    for (std::uint64_t n : {0u, 1u, 2u, 3u, 7u}) {
        const auto built = best_lattice_point_set(n);
        ASSERT_TRUE(built.has_value());
        EXPECT_EQ(built->points.size(), n);
        EXPECT_EQ(built->coordinates.size(), n);
    }
    // A norm far longer than the patch is valid and joins nothing.
    const auto far = lattice_point_set(kSquareLattice, 50, 1u << 20, std::nullopt);
    ASSERT_TRUE(far.has_value());
    EXPECT_TRUE(far->edges.empty());
}

}  // namespace
}  // namespace vantor::lattice_sets
