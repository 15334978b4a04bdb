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
// degree, plain or certified. Measured, not derived: the peak is set by the
// search (up to 10 visited nodes per requested point, each with `degree`
// numerators) and by the unit-distance graph that merging and peeling build
// over the candidates, whose density grows with the degree. Peak resident
// memory of whole calls with k = 1, in bytes per requested point at
// n_target = 2000 / 20000 (plain; certified):
//   degree 4:  1133 / 633;  2521 / 2126
//   degree 8:  6443 / 7340; 6457 / 7343
//   degree 16: 22506 / 13661; 22592 / 13344
// (degree 16 at 2000 points is mostly a fixed 20 MB of working tables). The
// estimate takes 1200 bytes per point for degree 4 and 900 per coefficient
// above it, and a certified request 350 more per coefficient for its
// certificate and the returned edge tuples (0.65 to 0.95 edges per point and
// coefficient). Larger k needs more translations and a larger radius and
// costs more per point, so this is a floor that refuses what cannot fit at
// all; the search's own per-node check and failing allocations catch
// requests that outgrow it. Recalibrate when the pipeline changes.
constexpr std::uint64_t multiquadratic_peak_bytes(std::uint64_t degree, std::uint64_t n_target,
                                                  bool certified) {
    constexpr std::uint64_t kSmallFieldBytesPerPoint = 1200;
    constexpr std::uint64_t kBytesPerCoefficient = 900;
    constexpr std::uint64_t kCertificateBytesPerCoefficient = 350;
    std::uint64_t per_point = degree <= 4 ? kSmallFieldBytesPerPoint
                                          : saturating_product(degree, kBytesPerCoefficient);
    if (certified) {
        per_point = saturating_sum(per_point,
                                   saturating_product(degree, kCertificateBytesPerCoefficient));
    }
    return saturating_product(n_target, per_point);
}

}  // namespace vantor
