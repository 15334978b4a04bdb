// Canonical graph forms: graph6 by its definition, one form for every
// relabelling of a graph, and different forms for graphs that are not
// isomorphic although they agree in size and degrees.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "graphs/canonical_form.hpp"

namespace vantor::graphs {
namespace {

EdgeList relabelled(const EdgeList& edges, const std::vector<std::uint64_t>& to) {
    EdgeList out;
    for (const Edge& e : edges) out.push_back({std::min(to[e.i], to[e.j]), std::max(to[e.i], to[e.j])});
    return out;
}

TEST(CanonicalForm, Graph6FollowsItsDefinition) {
    // The path 0 - 1 - 2: n = 3 is 'B', the bits x01 x02 x12 = 101 padded to
    // 101000 = 40 are 'g'.
    EXPECT_EQ(graph6(3, EdgeList{{0, 1}, {1, 2}}), "Bg");
    EXPECT_EQ(graph6(0, EdgeList{}), "?");
    EXPECT_EQ(graph6(1, EdgeList{}), "@");
    // 63 vertices need the long size form.
    EXPECT_EQ(graph6(63, EdgeList{}).substr(0, 4), "~??~");
    EXPECT_THROW(graph6(3, EdgeList{{0, 3}}), std::invalid_argument);
}

TEST(CanonicalForm, EveryRelabellingGivesTheSameForm) {
    std::mt19937_64 random(3);
    for (std::uint64_t n : {5u, 12u, 40u, 70u}) {
        EdgeList edges;
        std::bernoulli_distribution coin(0.2);
        for (std::uint64_t j = 1; j < n; ++j) {
            for (std::uint64_t i = 0; i < j; ++i) {
                if (coin(random)) edges.push_back({i, j});
            }
        }
        const std::string form = canonical_graph6(n, edges);
        std::vector<std::uint64_t> to(n);
        std::iota(to.begin(), to.end(), 0);
        for (int trial = 0; trial < 5; ++trial) {
            std::shuffle(to.begin(), to.end(), random);
            EdgeList moved = relabelled(edges, to);
            std::shuffle(moved.begin(), moved.end(), random);
            EXPECT_EQ(canonical_graph6(n, moved), form) << n;
        }
    }
}

TEST(CanonicalForm, NonIsomorphicGraphsOfEqualDegreesDiffer) {
    // Two triangles against a hexagon: six vertices of degree 2 each.
    const EdgeList triangles = {{0, 1}, {1, 2}, {0, 2}, {3, 4}, {4, 5}, {3, 5}};
    const EdgeList hexagon = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {0, 5}};
    EXPECT_NE(canonical_graph6(6, triangles), canonical_graph6(6, hexagon));
    // The path of four against the star of four: three edges each.
    EXPECT_NE(canonical_graph6(4, EdgeList{{0, 1}, {1, 2}, {2, 3}}),
              canonical_graph6(4, EdgeList{{0, 1}, {0, 2}, {0, 3}}));
    const std::vector<int> lab = canonical_labelling(6, hexagon);
    std::vector<int> sorted = lab;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace vantor::graphs
