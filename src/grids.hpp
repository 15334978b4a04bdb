#pragma once
// The lattice reference constructions.

#include <cstdint>

#include "point.hpp"

namespace vantor {

// rows x cols points (x = column, y = row) in row-major order: all points
// with y = 0 first, x increasing, then y = 1, and so on.
PointList square_grid(std::uint64_t rows, std::uint64_t cols);

// The first n_target points of the triangular lattice a*e1 + b*e2
// (e1 = (1, 0), e2 = (0.5, sqrt(3)/2)), taken ring by ring around the origin
// (hexagonal distance max(|a|, |b|, |a + b|) = r for r = 0, 1, 2, ...) and
// lexicographically in (a, b) within a ring; cut after n_target points, also
// in the middle of a ring.
PointList triangular_grid(std::uint64_t n_target);

}  // namespace vantor
