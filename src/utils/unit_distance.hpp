#pragma once
// The one test of whether two points are at unit distance, as a count and as
// an edge list. A pair (i, j), i < j, passes when its squared distance
// d2 = dy*dy + dx*dx lies in [lo, hi], both ends inclusive; a NaN never
// passes. The count and the edge list apply the same test to the same pairs,
// so for the same input the count equals the number of edges.

#include <cstdint>
#include <span>
#include <vector>

#include "point.hpp"

namespace vantor {

struct UnitDistanceBounds {
    double lo;
    double hi;
};

// lo = (1 - tolerance) * (1 - tolerance), hi = (tolerance + 1) * (tolerance + 1).
UnitDistanceBounds unit_distance_bounds(double tolerance);

// The number of unordered pairs whose distance is 1 within the tolerance.
std::uint64_t count_unit_distances(std::span<const Point> points, double tolerance);
// The number of unordered pairs that pass the test for the given window.
std::uint64_t count_unit_pairs(std::span<const Point> points, UnitDistanceBounds bounds);

// Every pair that passes the test, sorted by i then j, without duplicates.
// `bytes_per_pair` as for find_unit_pairs_packed below.
EdgeList find_unit_edges(std::span<const Point> points, UnitDistanceBounds bounds,
                         std::uint64_t bytes_per_pair = 0);
// The same pairs, each packed as i * 2^32 + j (i < j), in an order that
// depends on the points alone (the same for every thread count), for
// callers that only need the set. Lists of 2^32 points or more are refused
// with std::bad_alloc. A caller that will hold `bytes_per_pair` bytes for
// every pair found (0: no check) has the collection stopped with
// RequestTooLarge (memory_budget.hpp) once the pairs found so far would not
// fit: a dense set of points can have far more pairs than points.
std::vector<std::uint64_t> find_unit_pairs_packed(std::span<const Point> points,
                                                  UnitDistanceBounds bounds,
                                                  std::uint64_t bytes_per_pair = 0);

// The search behind these never tests every pair: points go into cells sized
// for the window, only cells that can hold a passing pair are looked at, and
// pairs that the geometry settles (all passing, e.g. for a window with no
// lower end) are counted in bulk. It runs on thread_count() threads and polls
// for interruption.

// The same results by the plain scan over all n(n-1)/2 pairs; kept as the
// reference that the bucketed search is checked against.
std::uint64_t count_unit_distances_all_pairs(std::span<const Point> points,
                                             UnitDistanceBounds bounds);
EdgeList find_unit_edges_all_pairs(std::span<const Point> points, UnitDistanceBounds bounds);

}  // namespace vantor
