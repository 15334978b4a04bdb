// Peeling and growing in the step graph against plain quadratic references,
// on random point sets of the Eisenstein lattice (two coordinates) and the
// Moser lattice (four), and the same results as the patch trimming.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "lattice_sets/norm_vectors.hpp"
#include "lattice_sets/shape_patch.hpp"
#include "lattice_sets/step_graph.hpp"
#include "lattice_sets/trimming.hpp"
#include "unit_lattices/moser_lattice.hpp"

namespace vantor::lattice_sets {
namespace {

using Rows = std::vector<std::int64_t>;

Rows eisenstein_steps(std::uint64_t m) {
    Rows steps;
    for (const LatticeCoordinate& v : norm_vectors(kEisensteinLattice, m)) {
        steps.insert(steps.end(), {v.a, v.b});
    }
    return steps;
}

Rows moser_steps() {
    const auto units = unit_lattices::moser_lattice().unit_coordinates();
    return Rows(units.begin(), units.end());
}

// Distinct random points in a box, `dimension` coordinates each.
Rows random_points(std::mt19937_64& random, std::size_t dimension, std::size_t count,
                   std::int64_t reach) {
    std::uniform_int_distribution<std::int64_t> coordinate(-reach, reach);
    std::set<Rows> seen;
    Rows rows;
    while (seen.size() < count) {
        Rows point(dimension);
        for (auto& x : point) x = coordinate(random);
        if (seen.insert(point).second) rows.insert(rows.end(), point.begin(), point.end());
    }
    return rows;
}

bool joined(const Rows& points, std::size_t i, std::size_t j, const Rows& steps, std::size_t d) {
    for (std::size_t s = 0; s < steps.size(); s += d) {
        bool all = true;
        for (std::size_t c = 0; c < d; ++c) all = all && points[j * d + c] - points[i * d + c] == steps[s + c];
        if (all) return true;
    }
    return false;
}

// Each removal: a point of least degree among those left, the lowest index
// among equals; the counts after each removal by a full recount.
void expect_peel_matches_reference(const Rows& points, const Rows& steps, std::size_t d) {
    const auto peeled = peel_order({d, points, steps});
    ASSERT_TRUE(peeled.has_value());
    const std::size_t n = points.size() / d;
    std::vector<bool> left(n, true);
    const auto degree = [&](std::size_t i) {
        std::uint64_t k = 0;
        for (std::size_t j = 0; j < n; ++j) k += left[j] && j != i && joined(points, i, j, steps, d);
        return k;
    };
    const auto edges = [&] {
        std::uint64_t total = 0;
        for (std::size_t i = 0; i < n; ++i) total += left[i] ? degree(i) : 0;
        return total / 2;
    };
    ASSERT_EQ(peeled->removed.size(), n);
    ASSERT_EQ(peeled->edges_left.size(), n + 1);
    EXPECT_EQ(peeled->edges_left[0], edges());
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t expected = n;
        for (std::size_t i = 0; i < n; ++i) {
            if (left[i] && (expected == n || degree(i) < degree(expected))) expected = i;
        }
        ASSERT_EQ(peeled->removed[k], expected) << "removal " << k;
        left[expected] = false;
        EXPECT_EQ(peeled->edges_left[k + 1], edges());
    }
}

TEST(StepGraph, PeelingTakesTheLeastConnectedLowestIndexFirst) {
    std::mt19937_64 random(7);
    for (int trial = 0; trial < 6; ++trial) {
        expect_peel_matches_reference(random_points(random, 2, 60, 4 + trial), eisenstein_steps(1), 2);
        expect_peel_matches_reference(random_points(random, 4, 50, 2), moser_steps(), 4);
    }
}

TEST(StepGraph, PeelingAgreesWithTheTrimmingOfPatches) {
    for (std::uint64_t m : {1, 7, 13}) {
        const LatticePatch patch = shape_patch(kEisensteinLattice, PatchShape::Hexagon, 300);
        Rows points;
        for (const LatticeCoordinate& c : patch.points()) points.insert(points.end(), {c.a, c.b});
        const Rows steps = eisenstein_steps(m);
        const auto peeled = peel_order({2, points, steps});
        ASSERT_TRUE(peeled.has_value());
        for (std::uint64_t keep : {250u, 120u, 10u}) {
            const TrimmedPatch trimmed =
                trim_least_connected(patch, half_norm_vectors(kEisensteinLattice, m), keep);
            EXPECT_EQ(peeled->edges_left[300 - keep], trimmed.edge_count) << m << " " << keep;
            std::vector<std::uint64_t> kept;
            std::set<std::uint64_t> gone(peeled->removed.begin(), peeled->removed.begin() + (300 - keep));
            for (std::uint64_t i = 0; i < 300; ++i) {
                if (!gone.contains(i)) kept.push_back(i);
            }
            EXPECT_EQ(kept, trimmed.kept);
        }
    }
}

TEST(StepGraph, GrowthAddsAMostConnectedPointEachTime) {
    std::mt19937_64 random(11);
    for (std::size_t d : {2u, 4u}) {
        const Rows steps = d == 2 ? eisenstein_steps(7) : moser_steps();
        Rows points = random_points(random, d, 25, d == 2 ? 6 : 1);
        const auto grown = grow_most_connected({d, points, steps}, 12);
        ASSERT_TRUE(grown.has_value());
        ASSERT_EQ(grown->added.size(), 12 * d);
        for (std::size_t k = 0; k < 12; ++k) {
            // Every candidate p + s outside the set, by brute force.
            const std::size_t n = points.size() / d;
            std::uint64_t most = 0;
            Rows best;
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t s = 0; s < steps.size(); s += d) {
                    Rows q(d);
                    for (std::size_t c = 0; c < d; ++c) q[c] = points[i * d + c] + steps[s + c];
                    bool member = false;
                    std::uint64_t degree = 0;
                    for (std::size_t j = 0; j < n; ++j) {
                        bool same = true, unit = false;
                        for (std::size_t c = 0; c < d; ++c) same = same && points[j * d + c] == q[c];
                        for (std::size_t t = 0; t < steps.size() && !unit; t += d) {
                            bool all = true;
                            for (std::size_t c = 0; c < d; ++c) all = all && q[c] - points[j * d + c] == steps[t + c];
                            unit = all;
                        }
                        member = member || same;
                        degree += unit;
                    }
                    if (!member && (degree > most || (degree == most && q < best))) {
                        most = degree;
                        best = q;
                    }
                }
            }
            const Rows added(grown->added.begin() + static_cast<std::ptrdiff_t>(k * d),
                             grown->added.begin() + static_cast<std::ptrdiff_t>((k + 1) * d));
            ASSERT_EQ(added, best) << "addition " << k;
            EXPECT_EQ(grown->edges[k + 1] - grown->edges[k], most);
            points.insert(points.end(), added.begin(), added.end());
        }
    }
}

TEST(StepGraph, RepeatedAndFarPointsAreRefused) {
    const Rows steps = eisenstein_steps(1);
    const Rows repeated = {0, 0, 1, 0, 0, 0};
    const auto peeled = peel_order({2, repeated, steps});
    ASSERT_FALSE(peeled.has_value());
    EXPECT_TRUE(std::holds_alternative<RepeatedPoint>(peeled.error().kind));
    const Rows far = {0, 0, std::int64_t{1} << 45, 0};
    const auto grown = grow_most_connected({2, far, steps}, 3);
    ASSERT_FALSE(grown.has_value());
    EXPECT_TRUE(std::holds_alternative<CoordinateOutOfRange>(grown.error().kind));
    // An empty set has nowhere to grow.
    const auto nothing = grow_most_connected({2, Rows{}, steps}, 3);
    ASSERT_TRUE(nothing.has_value());
    EXPECT_TRUE(nothing->added.empty());
}

}  // namespace
}  // namespace vantor::lattice_sets
