#pragma once
// Point sets of a lattice given by integer coordinates, joined where two
// points differ by one of a list of steps (the lattice's unit vectors in
// its coordinates): the graph that patches are peeled and grown in. The
// same code serves the square and Eisenstein lattices (two coordinates)
// and the Moser lattice (four).
//
// Both operations are greedy and fully determined by their input, so the
// same points and steps give the same result on every machine.

#include <cstdint>
#include <expected>
#include <span>
#include <vector>

#include "lattice_sets/lattice_error.hpp"

namespace vantor::lattice_sets {

inline constexpr std::size_t kMaxStepDimension = 4;

// Points as rows of `dimension` integers (row k is
// coordinates[k * dimension .. (k + 1) * dimension)); steps the same way.
// The steps are taken as given: a graph joins p and q when q - p is a step,
// so a symmetric graph needs both s and -s in the list.
struct StepPoints {
    std::size_t dimension = 2;
    std::span<const std::int64_t> coordinates;
    std::span<const std::int64_t> steps;
};

struct PeelOrder {
    // The points in the order they are removed: each time one with the
    // fewest neighbours left, the lowest index among equals.
    std::vector<std::uint64_t> removed;
    // edges_left[k]: the edges among the points left after k removals
    // (edges_left[0] is the whole set's; size = points + 1).
    std::vector<std::uint64_t> edges_left;
};

// Coordinates of points and steps may not exceed this in magnitude, so that
// sums never overflow.
inline constexpr unsigned kMaxStepCoordinateLog2 = 40;

// Removes every point, least connected first. Fails for repeated points or
// coordinates out of range. The steps must be nonzero, distinct and closed
// under negation, 1 <= dimension <= kMaxStepDimension (std::invalid_argument
// otherwise: a fault of the caller, not of the points). Polls for
// interruption.
std::expected<PeelOrder, LatticeError> peel_order(const StepPoints& set);

struct Growth {
    // The points added, `dimension` integers each, in the order added:
    // each time a point outside the set with the most neighbours in it, the
    // lexicographically smallest coordinates among equals.
    std::vector<std::int64_t> added;
    // edges[k]: the edges after k additions (size = additions + 1).
    std::vector<std::uint64_t> edges;
};

// Adds `count` points to the set, most connected first, under the same
// conditions as peel_order. With no steps, or an empty set, nothing can be
// added and the growth stops early (added then holds fewer points); it also
// stops before a point would leave the coordinate range.
std::expected<Growth, LatticeError> grow_most_connected(const StepPoints& set,
                                                        std::uint64_t count);

}  // namespace vantor::lattice_sets
