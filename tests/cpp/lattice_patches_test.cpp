// The pieces of the lattice constructions against plain references: norm
// vectors by scanning a box, shape patches by sorting every nearby point,
// run-based counts and edges by testing every pair, and the peeling by a
// quadratic rescan.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "lattice_sets/candidate_norms.hpp"
#include "lattice_sets/lattice_patch.hpp"
#include "lattice_sets/norm_edges.hpp"
#include "lattice_sets/norm_vectors.hpp"
#include "lattice_sets/shape_patch.hpp"
#include "lattice_sets/trimming.hpp"

namespace vantor::lattice_sets {
namespace {

using Coordinates = std::vector<LatticeCoordinate>;

std::int64_t shape_key(const PlaneLattice& lattice, PatchShape shape, std::int64_t a,
                       std::int64_t b) {
    switch (shape) {
        case PatchShape::Disk: return static_cast<std::int64_t>(lattice_norm(lattice, a, b));
        case PatchShape::Square: return std::max(std::abs(a), std::abs(b));
        case PatchShape::Diamond: return std::abs(a) + std::abs(b);
        case PatchShape::Hexagon: return std::max({std::abs(a), std::abs(b), std::abs(a + b)});
        case PatchShape::TurnedHexagon:
            return std::max({std::abs(2 * a + b), std::abs(a + 2 * b), std::abs(a - b)});
    }
    return 0;
}

Coordinates sorted_row_major(Coordinates points) {
    std::sort(points.begin(), points.end(), row_major_less);
    return points;
}

// A patch with holes and several runs per row.
LatticePatch gappy_patch(std::uint32_t seed) {
    std::mt19937 random(seed);
    Coordinates points;
    for (std::int64_t b = -6; b <= 6; ++b) {
        for (std::int64_t a = -8; a <= 8; ++a) {
            if (random() % 4 != 0) points.push_back({a, b});
        }
    }
    return LatticePatch(points);
}

class BothFamilies : public ::testing::TestWithParam<const PlaneLattice*> {};

TEST_P(BothFamilies, NormVectorsAreEveryVectorOfTheNorm) {
    const PlaneLattice& lattice = *GetParam();
    std::map<std::int64_t, Coordinates> by_norm;
    for (std::int64_t b = -60; b <= 60; ++b) {
        for (std::int64_t a = -60; a <= 60; ++a) {
            const auto norm = static_cast<std::int64_t>(lattice_norm(lattice, a, b));
            if (norm <= 1500) by_norm[norm].push_back({a, b});
        }
    }
    for (std::uint64_t m = 0; m <= 1500; ++m) {
        const Coordinates expected = sorted_row_major(by_norm[static_cast<std::int64_t>(m)]);
        ASSERT_EQ(norm_vectors(lattice, m), expected) << "m = " << m;
        const Coordinates half = half_norm_vectors(lattice, m);
        ASSERT_EQ(half.size(), expected.size() / 2) << "m = " << m;
        for (const LatticeCoordinate& v : half) EXPECT_TRUE(row_major_less({0, 0}, v));
    }
}

TEST_P(BothFamilies, CandidateNormsCountTheirVectorsAndOnlyGrow) {
    const PlaneLattice& lattice = *GetParam();
    const std::vector<CandidateNorm> candidates = candidate_norms(lattice, 200000);
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(candidates.front().m, 1u);
    std::uint64_t most = 0;
    const std::uint64_t ramified = &lattice == &kSquareLattice ? 2 : 3;
    for (const CandidateNorm& c : candidates) {
        EXPECT_EQ(norm_vectors(lattice, c.m).size(), c.vector_count) << "m = " << c.m;
        if (c.m % ramified == 0) continue;
        EXPECT_GE(c.vector_count, most) << "m = " << c.m;
        most = c.vector_count;
    }
}

TEST_P(BothFamilies, ShapePatchesAreTheFirstPointsOfTheShapeOrder) {
    const PlaneLattice& lattice = *GetParam();
    for (PatchShape shape : lattice.shapes) {
        Coordinates nearby;
        for (std::int64_t b = -30; b <= 30; ++b) {
            for (std::int64_t a = -30; a <= 30; ++a) nearby.push_back({a, b});
        }
        std::sort(nearby.begin(), nearby.end(), [&](const auto& p, const auto& q) {
            return std::tuple(shape_key(lattice, shape, p.a, p.b), lattice_norm(lattice, p.a, p.b),
                              p.b, p.a) <
                   std::tuple(shape_key(lattice, shape, q.a, q.b), lattice_norm(lattice, q.a, q.b),
                              q.b, q.a);
        });
        for (std::uint64_t count : {0u, 1u, 2u, 5u, 12u, 37u, 100u, 333u, 700u}) {
            const Coordinates expected =
                sorted_row_major(Coordinates(nearby.begin(), nearby.begin() + count));
            const LatticePatch patch = shape_patch(lattice, shape, count);
            EXPECT_TRUE(std::ranges::equal(patch.points(), expected))
                << shape_name(shape) << " " << count;
            const auto runs = patch.runs();
            for (std::size_t k = 1; k < runs.size(); ++k) EXPECT_NE(runs[k - 1].b, runs[k].b);
        }
    }
}

TEST_P(BothFamilies, RunCountsEdgesAndPeelingMatchPlainReferences) {
    const PlaneLattice& lattice = *GetParam();
    const Coordinates half = half_norm_vectors(lattice, &lattice == &kSquareLattice ? 25 : 49);
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const LatticePatch patch = gappy_patch(seed);
        const auto points = patch.points();
        const std::uint64_t n = patch.size();
        EdgeList expected;
        std::vector<std::uint32_t> degree(n, 0);
        for (std::uint64_t i = 0; i < n; ++i) {
            for (std::uint64_t j = i + 1; j < n; ++j) {
                for (const LatticeCoordinate& v : half) {
                    if (points[j].a - points[i].a == v.a && points[j].b - points[i].b == v.b) {
                        expected.push_back({i, j});
                        ++degree[i];
                        ++degree[j];
                    }
                }
            }
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(norm_edges(patch, half), expected);
        EXPECT_EQ(patch.degrees(half), degree);
        std::uint64_t pairs = 0;
        for (const LatticeCoordinate& v : half) pairs += patch.pair_count(v);
        EXPECT_EQ(pairs, expected.size());

        // Peeling by rescanning every live point for the fewest neighbours.
        const std::uint64_t keep = n / 2;
        std::vector<bool> removed(n, false);
        std::uint64_t edges = expected.size();
        for (std::uint64_t left = n; left > keep; --left) {
            std::uint64_t pick = n;
            for (std::uint64_t i = 0; i < n; ++i) {
                if (!removed[i] && (pick == n || degree[i] < degree[pick])) pick = i;
            }
            removed[pick] = true;
            edges -= degree[pick];
            for (const Edge& e : expected) {
                if (e.i == pick && !removed[e.j]) --degree[e.j];
                if (e.j == pick && !removed[e.i]) --degree[e.i];
            }
        }
        std::vector<std::uint64_t> kept;
        for (std::uint64_t i = 0; i < n; ++i) {
            if (!removed[i]) kept.push_back(i);
        }
        const TrimmedPatch trimmed = trim_least_connected(patch, half, keep);
        EXPECT_EQ(trimmed.kept, kept);
        EXPECT_EQ(trimmed.edge_count, edges);
    }
}

INSTANTIATE_TEST_SUITE_P(Lattices, BothFamilies,
                         ::testing::Values(&kSquareLattice, &kEisensteinLattice),
                         [](const auto& info) { return std::string(info.param->name); });

TEST(LatticePatch, IndexOfFindsExactlyThePatchPoints) {
    const LatticePatch patch = gappy_patch(7);
    const auto points = patch.points();
    for (std::int64_t b = -8; b <= 8; ++b) {
        for (std::int64_t a = -10; a <= 10; ++a) {
            const auto found = std::find(points.begin(), points.end(), LatticeCoordinate{a, b});
            const std::int64_t expected = found == points.end() ? -1 : found - points.begin();
            EXPECT_EQ(patch.index_of({a, b}), expected) << a << ", " << b;
        }
    }
    EXPECT_THROW(LatticePatch(Coordinates{{1, 0}, {0, 0}}), std::invalid_argument);
    EXPECT_THROW(LatticePatch(Coordinates{{0, 0}, {0, 0}}), std::invalid_argument);
}

}  // namespace
}  // namespace vantor::lattice_sets
