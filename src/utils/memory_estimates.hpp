#pragma once
// The peak memory of each kind of request, estimated before anything is
// allocated so that the memory guard (memory_budget.hpp) can refuse what
// cannot fit. An estimate counts the library's own buffers and the Python
// objects that the module turns the result into, since both are alive while
// the result is handed over. Products saturate: a request too large to
// count cannot fit.

#include <cstdint>
#include <limits>

#include "point.hpp"

namespace vantor {

// One returned point: an (x, y) tuple (56 bytes, 64 once the interpreter's
// small-object allocator rounds it), two floats (24 bytes each, rounded to
// 32) and its slot in the list. Measured: 136.5 bytes of resident memory per
// point for lists of 1 and 4 million points.
inline constexpr std::uint64_t kReturnedPointBytes = 136;

// One returned edge: an (i, j) tuple and two ints (28 bytes each, rounded to
// 32; indices up to 256 are shared small ints) and its list slot.
inline constexpr std::uint64_t kReturnedEdgeBytes = 136;

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
// degree, plain or certified. Per requested point it assumes:
//  - the search visits up to 10 nodes (the construction's candidate
//    factor), each holding `degree` 128-bit numerators and about 80 bytes of
//    parent, step, projected point, modulus and lookup-table share;
//  - the unit-distance graph that peeling builds over the candidates costs
//    about 40 bytes per node and coefficient (fitted, see below);
//  - the returned point costs 16 + 136 bytes;
//  - a certified request returns about one construction or audit edge per
//    point and coefficient (0.65 to 0.95 measured), each a 16-byte library
//    edge and a returned tuple; its keys and paths are built after the
//    search's memory is released and are not counted.
// Fitted to the peak resident memory of whole calls with k = 1 and n_target
// = 2000, in bytes per requested point (estimate / measured, plain and
// certified): degree 4: 3192 / 2040, 3800 / 2601; degree 8: 5432 / 6257,
// 6648 / 6252; degree 16: 9912 / 9882, 12344 / 9820. The graph grows denser
// with the radius the search needs, so larger requests and larger k cost
// more per point than this: degree 8 measured 12043 at n_target = 20000 and
// 29893 at 100000, degree 16 18452 and 33533, degree 4 with k = 3 9522 at
// 20000 (degree 4, k = 1 stays near 2200). The estimate is thus a floor that
// refuses what cannot fit at all; the search's own per-node check, and
// failing allocations after it, catch requests that outgrow it.
constexpr std::uint64_t multiquadratic_peak_bytes(std::uint64_t degree, std::uint64_t n_target,
                                                  bool certified) {
    constexpr std::uint64_t kNodesPerPoint = 10;
    constexpr std::uint64_t kNumeratorBytes = 16;
    constexpr std::uint64_t kNodeBookkeepingBytes = 80;
    constexpr std::uint64_t kGraphBytesPerCoefficient = 40;
    const std::uint64_t node = saturating_sum(
        saturating_product(degree, kNumeratorBytes + kGraphBytesPerCoefficient),
        kNodeBookkeepingBytes);
    std::uint64_t per_point = saturating_sum(saturating_product(kNodesPerPoint, node),
                                             sizeof(Point) + kReturnedPointBytes);
    if (certified) {
        const std::uint64_t edges = saturating_product(degree, sizeof(Edge) + kReturnedEdgeBytes);
        per_point = saturating_sum(per_point, edges);
    }
    return saturating_product(n_target, per_point);
}

}  // namespace vantor
