#pragma once
// Canonical forms of graphs: two graphs get the same form exactly when they
// are isomorphic, so sets from different sources (searches, papers, other
// programs using the same canonical labelling) can be compared by text.
//
// The labelling is nauty's canonical labelling of the simple undirected
// graph (default options, no vertex colouring); the form is the relabelled
// graph in graph6, the format of nauty's tools and of published catalogues.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "point.hpp"

namespace vantor::graphs {

// The largest number of vertices accepted: graph6 and the labelling of a
// dense adjacency matrix are meant for small graphs (the catalogues' sets).
inline constexpr std::uint64_t kMaxCanonicalVertices = 4096;

// graph6 of the graph on vertices 0 .. n - 1 with these edges (i != j, both
// below n; repeats and order do not matter). n <= kMaxCanonicalVertices, and
// the edges are checked by the caller (std::invalid_argument otherwise).
std::string graph6(std::uint64_t n, std::span<const Edge> edges);

// The canonical labelling: lab[k] is the vertex placed at position k.
std::vector<int> canonical_labelling(std::uint64_t n, std::span<const Edge> edges);

// graph6 of the canonically relabelled graph.
std::string canonical_graph6(std::uint64_t n, std::span<const Edge> edges);

}  // namespace vantor::graphs
