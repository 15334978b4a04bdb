#pragma once
// The peak memory of each kind of request, estimated before anything is
// allocated so that the memory guard (memory_budget.hpp) can refuse what
// cannot fit. An estimate counts the library's own buffers and the Python
// objects that the module turns the result into, since both are alive while
// the result is handed over. Products saturate: a request too large to
// count cannot fit.

#include <algorithm>
#include <cstdint>
#include <limits>

#include "point.hpp"

namespace vantor {

// One returned point: an (x, y) tuple (56 bytes, 64 once the interpreter's
// small-object allocator rounds it), two floats (24 bytes each, rounded to
// 32) and its slot in the list. Measured: 136.5 bytes of resident memory per
// point for lists of 1 and 4 million points.
inline constexpr std::uint64_t kReturnedPointBytes = 136;

constexpr std::uint64_t saturating_product(std::uint64_t a, std::uint64_t b) {
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return std::numeric_limits<std::uint64_t>::max();
    return product;
}

constexpr std::uint64_t saturating_sum(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return std::numeric_limits<std::uint64_t>::max();
    return sum;
}

// The grids and the spindle: the library's point list, which is still alive
// while the returned list is built from it. Measured: 152.5 bytes per point
// at the peak of generate_triangular_grid and generate_square_grid.
constexpr std::uint64_t point_list_peak_bytes(std::uint64_t points) {
    return saturating_product(points, sizeof(Point) + kReturnedPointBytes);
}

// A sequence argument converted item by item (the points of
// count_unit_distances, which returns no list and counts without
// allocating): when the copy grows to `capacity` items its previous buffer
// of half that size is still held.
constexpr std::uint64_t converted_copy_peak_bytes(std::uint64_t capacity,
                                                  std::uint64_t item_bytes) {
    const std::uint64_t buffer = saturating_product(capacity, item_bytes);
    return saturating_sum(buffer, buffer / 2);
}

// The multiquadratic construction of n_target points in a field of this
// degree with this many distinct translations, plain or certified (their
// peaks differ little). Measured, not derived: the peak is set by the search
// (up to 10 visited nodes per requested point, each with `degree`
// numerators) and by the unit-distance pairs that peeling collects among the
// candidates. Where the translations span a dense set of points (7 or more
// translations, or a field of degree 8 or more) those pairs grow with the
// square of the points: the points fill a disk of slowly growing radius ever
// more densely, and each has more partners within the edge tolerance. Peak
// resident memory of whole calls in MB at n_target = 2000 / 10000 / 40000 /
// 100000 (bench/bench_memory.py, the larger of plain and certified):
//   sparse: ([2], 17, 2)  8 / 43 / 116 / 307;   ([5], 29, 2)  8 / 39 / 204 / 359;
//           ([-1], 5, 4)  4 / 20 / 81 / 201;    ([3], 13, 2)  8 / 25 / 106 / 269
//   dense:  ([2], 17, 3)  17 / 52 / 224 / 979;  ([2], 17, 5)  14 / 65 / 248 / 1172;
//           ([-1], 5, 54) 35 / 60 / 292 / 1153; ([2, 3], 73, 1) 11 / 57 / 281 / 1371;
//           ([2, 3], 73, 2) 21 / 86 / 277 / 1088; ([2, 3, 5], 241, 1) 41 / 165 / 514 / 1736
// The estimate: sparse, 16 MB + 6000 bytes per point; dense, 48 MB +
// max(4400, 1300 * degree) bytes per point + 0.12 bytes per point squared,
// above every measurement by 20% or more (tests/cpp/memory_estimates_test.cpp
// checks a grid of small requests). Recalibrate when the pipeline
// changes.
inline constexpr std::uint64_t kDenseTranslationCount = 7;
inline constexpr std::uint64_t kDenseDegree = 8;

constexpr std::uint64_t multiquadratic_peak_bytes(std::uint64_t degree,
                                                  std::uint64_t translation_count,
                                                  std::uint64_t n_target) {
    const bool dense = translation_count >= kDenseTranslationCount || degree >= kDenseDegree;
    if (!dense) return saturating_sum(std::uint64_t{16} << 20, saturating_product(n_target, 6000));
    const std::uint64_t per_point = std::max<std::uint64_t>(4400, saturating_product(degree, 1300));
    // 0.12 n^2 = 3 n^2 / 25, formed without overflow for any n.
    const std::uint64_t squared = saturating_product(saturating_product(n_target, n_target) / 25, 3);
    return saturating_sum(saturating_sum(std::uint64_t{48} << 20,
                                         saturating_product(n_target, per_point)),
                          squared);
}

}  // namespace vantor
