// The reference constructions, compared bit for bit.

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>

#include "construction.hpp"
#include "grids.hpp"

namespace vantor {
namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

TEST(SquareGrid, RowMajorWithColumnAsX) {
    const PointList grid = square_grid(2, 3);
    const PointList expected{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    ASSERT_EQ(grid.size(), expected.size());
    for (std::size_t i = 0; i < grid.size(); ++i) {
        EXPECT_EQ(bits(grid[i].x), bits(expected[i].x));
        EXPECT_EQ(bits(grid[i].y), bits(expected[i].y));
    }
    const PointList column = square_grid(3, 1);
    ASSERT_EQ(column.size(), 3u);
    EXPECT_EQ(column[2].x, 0.0);
    EXPECT_EQ(column[2].y, 2.0);
    EXPECT_TRUE(square_grid(0, 5).empty());
    EXPECT_TRUE(square_grid(5, 0).empty());
    EXPECT_EQ(square_grid(1, 1).size(), 1u);
}

TEST(SquareGrid, ImpossibleSizesFailAsAllocationFailures) {
    EXPECT_THROW(square_grid(1000000000, 1000000000), std::bad_alloc);
    EXPECT_THROW(square_grid(~std::uint64_t{0}, 2), std::bad_alloc);
    EXPECT_THROW(triangular_grid(~std::uint64_t{0}), std::bad_alloc);
}

// The ring enumeration written the plain way: every (a, b) of the square
// -r .. r tested for hexagonal distance r.
PointList triangular_by_testing_every_pair(std::uint64_t n) {
    PointList points;
    for (std::int64_t r = 0; points.size() < n; ++r) {
        for (std::int64_t a = -r; a <= r; ++a) {
            for (std::int64_t b = -r; b <= r; ++b) {
                if (points.size() == n) return points;
                if (std::max({std::llabs(a), std::llabs(b), std::llabs(a + b)}) != r) continue;
                points.push_back({static_cast<double>(a) + static_cast<double>(b) * 0.5,
                                  static_cast<double>(b) * 0.8660254037844386});
            }
        }
    }
    return points;
}

TEST(TriangularGrid, MatchesThePlainRingEnumeration) {
    for (std::uint64_t n : {0u, 1u, 7u, 10u, 19u, 20u, 1000u, 5000u}) {
        const PointList fast = triangular_grid(n);
        const PointList plain = triangular_by_testing_every_pair(n);
        ASSERT_EQ(fast.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_EQ(bits(fast[i].x), bits(plain[i].x)) << i;
            ASSERT_EQ(bits(fast[i].y), bits(plain[i].y)) << i;
        }
    }
}

TEST(TriangularGrid, FirstPointsAndRingStarts) {
    const PointList points = triangular_grid(19);
    const double h = 0.8660254037844386;
    EXPECT_EQ(bits(h), 0x3febb67ae8584caaULL);
    const PointList expected{{0, 0},     {-1, 0},      {-0.5, h},  {-0.5, -h}, {0.5, h},
                             {0.5, -h},  {1, 0},       {-2, 0},    {-1.5, h},  {-1, 2 * h},
                             {-1.5, -h}, {0, 2 * h},   {-1, -2 * h}, {1, 2 * h}, {0, -2 * h},
                             {1.5, h},   {1, -2 * h},  {1.5, -h},  {2, 0}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(bits(points[i].x), bits(expected[i].x)) << i;
        EXPECT_EQ(bits(points[i].y), bits(expected[i].y)) << i;
    }
    // y is +0.0, never -0.0, on the axis.
    EXPECT_EQ(bits(points[1].y), 0u);
    const PointList many = triangular_grid(1 + 3 * 5 * 6);
    std::uint64_t start = 1;
    for (std::int64_t r = 1; r <= 5; ++r) {
        EXPECT_EQ(many[start].x, static_cast<double>(-r));
        EXPECT_EQ(bits(many[start].y), 0u);
        start += 6 * r;
    }
}

TEST(MoserSpindle, StoredBitPatterns) {
    const PointList points = moser_spindle();
    const std::uint64_t expected[7][2] = {
        {0x0000000000000000, 0x0000000000000000}, {0x3fef26dc65617bfb, 0x3fcd467c59078280},
        {0x3fe5ea08c299626e, 0xbfe7519f1641e09f}, {0x3ffa887293fd6f34, 0xbfdffffffffffffd},
        {0x3fef26dc65617bfb, 0xbfcd467c59078280}, {0x3fe5ea08c299626e, 0x3fe7519f1641e09f},
        {0x3ffa887293fd6f34, 0x3fdffffffffffffd}};
    ASSERT_EQ(points.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(bits(points[i].x), expected[i][0]);
        EXPECT_EQ(bits(points[i].y), expected[i][1]);
    }
    EXPECT_EQ(points[3].y, -0.49999999999999983);
}

TEST(Dispatch, SimpleKindsNeverFailAndIgnoreWhatTheyDoNotUse) {
    for (std::uint64_t n : {0u, 5u, 100u}) {
        auto grid = generate_points(Construction{SquareGrid{2, 3}}, n);
        ASSERT_TRUE(grid);
        EXPECT_EQ(grid->size(), 6u);
        auto spindle = generate_points(Construction{MoserSpindle{}}, n);
        ASSERT_TRUE(spindle);
        EXPECT_EQ(spindle->size(), 7u);
        auto triangular = generate_points(Construction{TriangularGrid{}}, n);
        ASSERT_TRUE(triangular);
        EXPECT_EQ(triangular->size(), n);
    }
}

TEST(Dispatch, MultiquadraticRequestsAreValidatedFirst) {
    auto bad = multiquadratic_construction({4}, 5, 1);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().message(), "invalid generator 4: positive generators must be squarefree");
    auto good = multiquadratic_construction({2}, 17, 1);
    ASSERT_TRUE(good);
    const auto& params = std::get<Multiquadratic>(*good).params;
    EXPECT_EQ(params.generators, (std::vector<std::int64_t>{2, -1}));
    auto points = generate_points(*good, 20);
    ASSERT_TRUE(points);
    EXPECT_EQ(points->size(), 20u);
}

}  // namespace
}  // namespace vantor
