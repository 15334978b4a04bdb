#pragma once
// A fingerprint of a finite set of points of a search lattice that is the
// same for all its images under the lattice's symmetries and under
// translations, so that a search can keep one copy of each set up to
// congruence. It is updated in constant time when a point comes or goes.
//
// For each symmetry g it keeps the sum of chi(g p) over the points, where
// chi is a multiplicative character of the coordinates modulo the prime
// 2**61 - 1 (chi(p + t) = chi(p) chi(t)), and the lexicographically lowest
// g p. A translation by t multiplies the sum by chi(g t) and moves the
// lowest point by g t, so sum * chi(-lowest) does not change; the
// fingerprint is the least of these values, one per symmetry. Different sets share a
// fingerprint with probability about n / 2**61: a search may then drop a
// set it would have kept, but nothing it returns depends on it being right.

#include <array>
#include <cstdint>
#include <span>

#include "record_search/packed_point.hpp"
#include "record_search/search_lattice.hpp"

namespace vantor::records {

struct SetFingerprint {
    std::array<std::uint64_t, kMaxSearchSymmetries> sums{};
    std::array<PackedPoint, kMaxSearchSymmetries> lowest{};
    // The entries in use: the lattice's number of symmetries.
    std::size_t count = 0;

    // The least of sums[g] * chi(-lowest[g]) over g.
    std::uint64_t value() const;
    // The symmetry that gives value(), the lowest g among equals.
    int orientation() const;
};

// The fingerprint of a nonempty set of distinct points.
SetFingerprint fingerprint_of(std::span<const PackedPoint> points,
                              const SearchLattice& lattice = moser_search_lattice());

// The fingerprint after adding q, which is not in the set.
SetFingerprint with_point(const SetFingerprint& fingerprint, PackedPoint q,
                          const SearchLattice& lattice = moser_search_lattice());

// The fingerprint after removing points[index] from the set `points`
// (at least two points), which `fingerprint` describes.
SetFingerprint without_point(const SetFingerprint& fingerprint, std::span<const PackedPoint> points,
                             std::size_t index,
                             const SearchLattice& lattice = moser_search_lattice());

}  // namespace vantor::records
