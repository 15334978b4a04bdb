#pragma once
// Dense patches of a unit lattice. A lattice of rank above 2 lies dense in
// the plane, so its patches are not cut from a disk of the plane: they are
// balls of the Minkowski embedding (the points of least trace form Q, small
// under every embedding of the field at once) or grow along unit vectors.

#include <cstdint>
#include <vector>

#include "unit_lattices/unit_lattice.hpp"

namespace vantor::unit_lattices {

// The largest patch built.
inline constexpr std::uint64_t kMaxPatchPoints = std::uint64_t{1} << 20;

// n points (flat rows of rank coordinates, 1 <= n <= kMaxPatchPoints) with
// many unit pairs, the best of these candidates:
// 1. grown from 0, each step adding the point next to the set (a point plus
//    a unit vector) with the most unit neighbours in the set; among equals
//    the one of least Q (unit_norm.hpp), then the least coordinates;
// 2. the n, n + ceil(n / 4) and 2n points of least Q (then least
//    coordinates), each peeled back to n as the lattice patches are
//    trimmed: a least connected point at a time, the latest in the list
//    among equals.
// The candidate with the most unit pairs wins, the earlier one on ties.
// Deterministic; rows in the candidate's order (growth, or increasing Q).
std::vector<std::int64_t> densest_patch(const UnitLattice& lattice, std::uint64_t n);

}  // namespace vantor::unit_lattices
