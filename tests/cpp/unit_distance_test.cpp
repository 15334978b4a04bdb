// The unit-distance test: its bounds, its boundary cases, and the cell search
// against the plain all-pairs scan.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "construction.hpp"
#include "grids.hpp"
#include "utils/memory_budget.hpp"
#include "utils/pair_tests.hpp"
#include "utils/unit_distance.hpp"

namespace vantor {
namespace {

TEST(UnitDistance, InclusiveBoundsAtTheDefaultTolerance) {
    // d2 equals hi, respectively lo, exactly for these points.
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {0, 1.00001}}, 1e-5), 1u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {0, 0.99999}}, 1e-5), 1u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {0, 1.0000100001}}, 1e-5), 0u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {0, 0.9999899999}}, 1e-5), 0u);
}

TEST(UnitDistance, ToleranceConsequences) {
    const PointList pair{{0, 0}, {1, 0}};
    const PointList same{{0.5, 0.5}, {0.5, 0.5}};
    EXPECT_EQ(count_unit_distances(pair, 0.0), 1u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {0.1, 0.3}}, 0.0), 0u);
    EXPECT_EQ(count_unit_distances(pair, -1e-5), 0u);
    EXPECT_EQ(count_unit_distances(same, 1e-5), 0u);
    EXPECT_EQ(count_unit_distances(same, 1.0), 1u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {2.5, 0}}, 2.0), 1u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {0.5, 0}}, 2.0), 0u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {INFINITY, 0}}, 1e-5), 0u);
    EXPECT_EQ(count_unit_distances(PointList{{0, 0}, {NAN, 0}}, 1e-5), 0u);
    EXPECT_EQ(count_unit_distances(pair, NAN), 0u);
    EXPECT_EQ(count_unit_distances(PointList{}, 1e-5), 0u);
    EXPECT_EQ(count_unit_distances(PointList{{1, 1}}, 1e-5), 0u);
}

TEST(UnitDistance, KnownCounts) {
    EXPECT_EQ(count_unit_distances(moser_spindle(), 1e-5), 11u);
    EXPECT_EQ(count_unit_distances(moser_spindle(), 1e-15), 11u);
    EXPECT_EQ(count_unit_distances(square_grid(2, 3), 1e-5), 7u);
    EXPECT_EQ(count_unit_distances(square_grid(40, 30), 1e-5), 40u * 29u + 30u * 39u);
    EXPECT_EQ(count_unit_distances(triangular_grid(19), 1e-5), 42u);
    EXPECT_EQ(count_unit_distances(triangular_grid(10), 1e-5), 18u);
    const EdgeList spindle = find_unit_edges(moser_spindle(), unit_distance_bounds(1e-5));
    EXPECT_EQ(spindle, (EdgeList{{0, 1}, {0, 2}, {0, 4}, {0, 5}, {1, 2}, {1, 3}, {2, 3}, {3, 6}, {4, 5},
                                 {4, 6}, {5, 6}}));
    const EdgeList hexagon = find_unit_edges(triangular_grid(7), unit_distance_bounds(1e-5));
    ASSERT_EQ(hexagon.size(), 12u);
    EXPECT_EQ(hexagon[0], (Edge{0, 1}));
    EXPECT_EQ(hexagon[1], (Edge{0, 2}));
    EXPECT_EQ(hexagon[2], (Edge{0, 3}));
}

// Point sets on which the cell search must agree with the plain scan: random
// clouds with planted unit pairs, exact lattices, points placed right on the
// window's edges, duplicates, non-finite and huge coordinates.
PointList random_cloud(std::mt19937_64& rng, std::size_t n, double spread) {
    std::uniform_real_distribution<double> u(-spread, spread);
    std::uniform_real_distribution<double> angle(0, 6.283185307179586);
    PointList points;
    for (std::size_t i = 0; i < n; ++i) points.push_back({u(rng), u(rng)});
    for (std::size_t i = 0; i < n / 2; ++i) {
        const Point p = points[i];
        const double a = angle(rng);
        points.push_back({p.x + std::cos(a), p.y + std::sin(a)});
    }
    return points;
}

TEST(UnitDistance, CellSearchMatchesAllPairs) {
    std::mt19937_64 rng(20261207);
    std::vector<PointList> sets;
    for (double spread : {0.5, 2.0, 20.0, 1e6}) sets.push_back(random_cloud(rng, 400, spread));
    sets.push_back(square_grid(25, 25));
    sets.push_back(triangular_grid(1000));
    PointList edges_of_window;
    for (int i = 0; i < 300; ++i) {
        const double x = 3.0 * i;
        edges_of_window.push_back({x, 0});
        edges_of_window.push_back({x, 1.00001});
        edges_of_window.push_back({x + 0.99999, 0});
        edges_of_window.push_back({x, 0});
    }
    sets.push_back(edges_of_window);
    PointList odd = random_cloud(rng, 300, 3.0);
    odd.push_back({NAN, 0});
    odd.push_back({INFINITY, 1});
    odd.push_back({-INFINITY, -INFINITY});
    odd.push_back({1e300, 0});
    odd.push_back({1e300, 1});
    odd.push_back({-1e-300, 5e-324});
    sets.push_back(odd);

    for (const PointList& points : sets) {
        for (double tolerance : {1e-5, 1e-4, 0.0, 0.3, 1.0, 2.0, -0.5}) {
            const auto bounds = unit_distance_bounds(tolerance);
            const EdgeList expected = find_unit_edges_all_pairs(points, bounds);
            EXPECT_EQ(find_unit_edges(points, bounds), expected) << "tolerance " << tolerance;
            EXPECT_EQ(count_unit_distances(points, tolerance), expected.size());
            EXPECT_EQ(count_unit_distances_all_pairs(points, bounds), expected.size());
        }
    }
}

// Windows no search can size cells for, and point sets that defeat a plain
// grid: every tolerance the bounds formula can give (infinite ones admit only
// pairs whose squared distance overflows), coincident clusters that pass in
// bulk, spreads wider than any cell numbering, and every thread count.
TEST(UnitDistance, EveryWindowAndSpreadMatchesAllPairs) {
    std::mt19937_64 rng(11);
    std::vector<PointList> sets{random_cloud(rng, 300, 5.0)};
    PointList huge = random_cloud(rng, 200, 1e154);
    for (double v : {1e300, -1e300, 1.7e308, -1.7e308, 3e153, 0.0}) huge.push_back({v, -v});
    huge.push_back({INFINITY, 0});
    huge.push_back({INFINITY, 5});
    huge.push_back({-INFINITY, INFINITY});
    huge.push_back({2, -INFINITY});
    huge.push_back({NAN, 1});
    sets.push_back(huge);
    PointList clusters;
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < 150; ++i) clusters.push_back({c * 0.6 + i * 1e-9, c * 0.1});
    }
    sets.push_back(clusters);
    PointList spread;
    for (int i = 0; i < 300; ++i) spread.push_back({std::ldexp(1.0, i * 3 - 450), i % 2 ? 1.0 : 0.0});
    sets.push_back(spread);

    for (const char* threads : {"1", "2", "3"}) {
        setenv("VANTOR_NUM_THREADS", threads, 1);
        for (const PointList& points : sets) {
            for (double tolerance : {1e-5, 1.0, 0.5, 1e200, double{INFINITY}, -double{INFINITY}, double{NAN}, -1e-300}) {
                const auto bounds = unit_distance_bounds(tolerance);
                const EdgeList expected = find_unit_edges_all_pairs(points, bounds);
                EXPECT_EQ(find_unit_edges(points, bounds), expected) << tolerance << " threads " << threads;
                EXPECT_EQ(count_unit_distances(points, tolerance), expected.size()) << tolerance;
            }
        }
    }
    unsetenv("VANTOR_NUM_THREADS");
}

// Crowded inputs, where blocks are large enough to be settled by their
// boxes, taken together by identical points, or tested in slices: copies of
// a few points, copies mixed with distinct points in one cell, and two tight
// clusters a unit apart whose cross pairs straddle the window.
TEST(UnitDistance, CrowdedBlocksMatchAllPairs) {
    std::mt19937_64 rng(16);
    std::uniform_real_distribution<double> jitter(-5e-6, 5e-6);
    std::vector<PointList> sets;
    PointList copies(1200, Point{0.0, 0.0});
    copies.insert(copies.end(), 800, Point{1.0, -0.0});
    for (int i = 0; i < 200; ++i) copies.push_back({0.5 + jitter(rng) * 1e5, jitter(rng) * 1e5});
    sets.push_back(copies);
    PointList mixed(500, Point{0.25, 0.25});
    mixed.insert(mixed.end(), 500, Point{0.251, 0.25});
    mixed.insert(mixed.end(), 300, Point{-0.0, 0.25});
    for (int i = 0; i < 100; ++i) mixed.push_back({0.25 + jitter(rng), 0.25 + jitter(rng)});
    sets.push_back(mixed);
    // Copies of points one unit in the last place apart, on both sides of
    // the window's upper edge: taking identical points together must not
    // take these together.
    PointList edge(400, Point{0.0, 0.0});
    edge.insert(edge.end(), 400, Point{0.0, 1.00001});
    edge.insert(edge.end(), 400, Point{0.0, std::nextafter(1.00001, 2.0)});
    edge.insert(edge.end(), 400, Point{0.0, std::nextafter(1.00001, 0.0)});
    sets.push_back(edge);
    PointList clusters;
    for (int i = 0; i < 700; ++i) {
        clusters.push_back({jitter(rng), jitter(rng)});
        clusters.push_back({1.0 + jitter(rng), jitter(rng)});
    }
    sets.push_back(clusters);

    for (const char* threads : {"1", "2"}) {
        setenv("VANTOR_NUM_THREADS", threads, 1);
        for (const PointList& points : sets) {
            for (double tolerance : {1e-5, 1.0, 0.9999995, 0.75, 1e-3}) {
                const auto bounds = unit_distance_bounds(tolerance);
                const EdgeList expected = find_unit_edges_all_pairs(points, bounds);
                EXPECT_EQ(find_unit_edges(points, bounds), expected) << tolerance;
                EXPECT_EQ(count_unit_distances(points, tolerance), expected.size()) << tolerance;
            }
        }
    }
    unsetenv("VANTOR_NUM_THREADS");
}

// A caller that holds many bytes per pair has the collection stopped, with
// the amount reached, once the pairs found so far (checked from a million
// on) cannot fit.
TEST(UnitDistance, PairCollectionStopsWhenItsPairsCannotFit) {
    const PointList grid = square_grid(800, 800);
    const auto bounds = unit_distance_bounds(1e-5);
    EXPECT_EQ(find_unit_pairs_packed(grid, bounds, 64).size(), 2u * 800u * 799u);
    try {
        find_unit_pairs_packed(grid, bounds, std::uint64_t{1} << 40);
        ADD_FAILURE() << "pairs of a terabyte each were collected";
    } catch (const RequestTooLarge& refused) {
        EXPECT_EQ(std::string(refused.what()).rfind("request needs more than ", 0), 0u);
    }
}

// Two and four lanes must pass exactly the pairs the scalar test passes,
// whatever the block's length (partial vectors at the end included).
TEST(UnitDistance, EveryLaneWidthGivesTheScalarVerdicts) {
    std::mt19937_64 rng(5);
    const PointList cloud = random_cloud(rng, 200, 1.0);
    std::vector<double> xs, ys;
    std::vector<std::uint32_t> ids;
    for (const Point& p : cloud) {
        xs.push_back(p.x);
        ys.push_back(p.y);
        ids.push_back(static_cast<std::uint32_t>(ids.size()));
    }
    xs.resize(xs.size() + kPairLanePadding, 0.0);
    ys.resize(ys.size() + kPairLanePadding, 0.0);
    const auto bounds = unit_distance_bounds(0.05);
    for (std::uint32_t length = 0; length < 40; ++length) {
        const PairBlock block{xs.data(), ys.data(), 0, 7, 100, 100 + length};
        std::vector<std::uint64_t> expected;
        for (std::uint32_t a = block.a0; a < block.a1; ++a) {
            for (std::uint32_t b = block.b0; b < block.b1; ++b) {
                const PointList pair{cloud[a], cloud[b]};
                if (count_unit_distances_all_pairs(pair, bounds) == 1) expected.push_back(std::uint64_t{a} << 32 | b);
            }
        }
        std::vector<std::uint64_t> two, four;
        std::vector<std::uint32_t> scratch;
        collect_block_two_lanes(block, bounds.lo, bounds.hi, ids.data(), two, scratch);
        collect_block_four_lanes(block, bounds.lo, bounds.hi, ids.data(), four, scratch);
        EXPECT_EQ(two, expected) << length;
        EXPECT_EQ(four, expected) << length;
        EXPECT_EQ(count_block_two_lanes(block, bounds.lo, bounds.hi), expected.size());
        EXPECT_EQ(count_block_four_lanes(block, bounds.lo, bounds.hi), expected.size());
    }
}

}  // namespace
}  // namespace vantor
