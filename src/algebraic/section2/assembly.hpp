#pragma once
// Merging of coincident points, selection of the n_target best connected
// ones, and the assembly of what an attempt returns.

#include <cstdint>
#include <span>
#include <vector>

#include "error.hpp"
#include "point.hpp"
#include "algebraic/section2/candidates.hpp"

namespace vantor {

// Indices of the points kept, in increasing order. While more than n_target
// points are alive, the alive point of smallest degree in the unit-distance
// graph (tolerance window (1 - t)^2 .. (1 + t)^2) is removed, the lowest
// index winning ties, and its alive neighbours of positive degree lose one.
// With n_target >= the number of points every index is kept.
std::vector<std::uint64_t> select_by_degree_peeling(std::span<const Point> points,
                                                    std::uint64_t n_target, double tolerance);

// The points, in order, that are not closer than `distance` (Euclidean,
// strictly) to an earlier kept point. A point with a non-finite coordinate is
// never closer than anything.
std::vector<std::uint64_t> deduplicate_points(std::span<const Point> points, double distance);

// The full result of the attempt: points, exact elements (unless not
// wanted), candidate records with paths and keys, construction edges, unit
// edges and translation certificates.
Result<Section2Result> assemble_result(const AttemptInput& input, const AttemptSelection& selection,
                                       bool keep_elements);

// Only the points, after the same checks that can fail in assemble_result
// (the integer keys of every point, the unit denominator), in the same order.
Result<PointList> assemble_points(const AttemptInput& input, const AttemptSelection& selection);

}  // namespace vantor
