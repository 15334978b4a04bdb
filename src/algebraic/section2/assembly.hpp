#pragma once
// The second half of a radius attempt: projected points are merged, the
// least connected ones are peeled away, and the result is assembled.

#include <cstdint>
#include <span>
#include <vector>

#include "../../error.hpp"
#include "../field/multiquadratic_field.hpp"
#include "candidates.hpp"
#include "search_tree.hpp"

namespace vantor {

// Indices of the points kept, in increasing order. While more than n_target
// points are alive, the alive point of smallest degree in the unit-distance
// graph (tolerance window (1 - t)^2 .. (1 + t)^2) is removed, the lowest
// index winning ties, and its alive neighbours of positive degree lose one.
// With n_target >= the number of points every index is kept.
std::vector<std::uint64_t> select_by_degree_peeling(std::span<const Point> points,
                                                    std::uint64_t n_target, double tolerance);

// Visited nodes in visited order whose point is not closer than `distance`
// (Euclidean, strictly) to the point of an earlier kept node.
std::vector<std::uint64_t> deduplicate_points(const SearchTree& tree, double distance);

// Merges, checks the count, selects and assembles the result of one attempt.
Result<AttemptOutcome> assemble_attempt(const AttemptInput& input, const MultiquadraticField& field,
                                        const SearchTree& tree);

}  // namespace vantor
