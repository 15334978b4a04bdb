#pragma once
// Points of the Moser lattice packed into one 64-bit word for the searches:
// four 16-bit fields (a lowest, then b, c, d) holding each coordinate plus
// 2**15. Adding the packed form of a small difference adds coordinate by
// coordinate as long as no field leaves its range, and the order of packed
// words is the lexicographic order of (d, c, b, a), which translations keep.

#include <cstdint>

#include "lattice_sets/moser_lattice.hpp"

namespace vantor::records {

using PackedPoint = std::uint64_t;

// Searches keep every coordinate within this bound, far inside a field, so
// that sums of a point and a unit step, and differences of two points plus
// the bias, never carry into the next field.
inline constexpr std::int64_t kPackedLimit = 12000;

inline constexpr std::int64_t kPackedBias = std::int64_t{1} << 15;

inline bool packable(const lattice_sets::MoserCoordinate& c) {
    const auto fits = [](std::int64_t x) { return x >= -kPackedLimit && x <= kPackedLimit; };
    return fits(c.a) && fits(c.b) && fits(c.c) && fits(c.d);
}

// Coordinates within kPackedLimit.
inline PackedPoint pack(const lattice_sets::MoserCoordinate& c) {
    return static_cast<PackedPoint>(c.a + kPackedBias) |
           static_cast<PackedPoint>(c.b + kPackedBias) << 16 |
           static_cast<PackedPoint>(c.c + kPackedBias) << 32 |
           static_cast<PackedPoint>(c.d + kPackedBias) << 48;
}

inline lattice_sets::MoserCoordinate unpack(PackedPoint p) {
    const auto field = [p](int k) {
        return static_cast<std::int64_t>((p >> (16 * k)) & 0xffff) - kPackedBias;
    };
    return {field(0), field(1), field(2), field(3)};
}

// The word that, added to a packed point, adds the difference z (each
// coordinate of z small): arithmetic modulo 2**64 carries the signs.
inline PackedPoint packed_offset(const lattice_sets::MoserCoordinate& z) {
    return static_cast<PackedPoint>(z.a) + (static_cast<PackedPoint>(z.b) << 16) +
           (static_cast<PackedPoint>(z.c) << 32) + (static_cast<PackedPoint>(z.d) << 48);
}

}  // namespace vantor::records
