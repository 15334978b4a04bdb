#pragma once
// Points of a search lattice (rank at most 4; unused coordinates are 0) and
// their packing into one 64-bit word for the searches: four 16-bit fields
// (a lowest, then b, c, d) holding each coordinate plus
// 2**15. Adding the packed form of a small difference adds coordinate by
// coordinate as long as no field leaves its range, and the order of packed
// words is the lexicographic order of (d, c, b, a), which translations keep.

#include <compare>
#include <cstdint>
#include <span>
#include <vector>

namespace vantor::records {

// Four integer coordinates of a search point or of a difference of two.
struct SearchCoordinate {
    std::int64_t a;
    std::int64_t b;
    std::int64_t c;
    std::int64_t d;

    friend bool operator==(const SearchCoordinate&, const SearchCoordinate&) = default;
    friend auto operator<=>(const SearchCoordinate&, const SearchCoordinate&) = default;
};

inline SearchCoordinate operator+(SearchCoordinate p, SearchCoordinate q) {
    return {p.a + q.a, p.b + q.b, p.c + q.c, p.d + q.d};
}
inline SearchCoordinate operator-(SearchCoordinate p, SearchCoordinate q) {
    return {p.a - q.a, p.b - q.b, p.c - q.c, p.d - q.d};
}

// The points as flat rows of four coordinates, as a unit lattice of rank
// 4 takes them.
inline std::vector<std::int64_t> flat_rows(std::span<const SearchCoordinate> points) {
    std::vector<std::int64_t> rows;
    rows.reserve(4 * points.size());
    for (const SearchCoordinate& p : points) rows.insert(rows.end(), {p.a, p.b, p.c, p.d});
    return rows;
}

using PackedPoint = std::uint64_t;

// Searches keep every coordinate within this bound, far inside a field, so
// that sums of a point and a unit step, and differences of two points plus
// the bias, never carry into the next field.
inline constexpr std::int64_t kPackedLimit = 12000;

inline constexpr std::int64_t kPackedBias = std::int64_t{1} << 15;

inline bool packable(const SearchCoordinate& c) {
    const auto fits = [](std::int64_t x) { return x >= -kPackedLimit && x <= kPackedLimit; };
    return fits(c.a) && fits(c.b) && fits(c.c) && fits(c.d);
}

// Coordinates within kPackedLimit.
inline PackedPoint pack(const SearchCoordinate& c) {
    return static_cast<PackedPoint>(c.a + kPackedBias) |
           static_cast<PackedPoint>(c.b + kPackedBias) << 16 |
           static_cast<PackedPoint>(c.c + kPackedBias) << 32 |
           static_cast<PackedPoint>(c.d + kPackedBias) << 48;
}

inline SearchCoordinate unpack(PackedPoint p) {
    const auto field = [p](int k) {
        return static_cast<std::int64_t>((p >> (16 * k)) & 0xffff) - kPackedBias;
    };
    return {field(0), field(1), field(2), field(3)};
}

// The word that, added to a packed point, adds the difference z (each
// coordinate of z small): arithmetic modulo 2**64 carries the signs.
inline PackedPoint packed_offset(const SearchCoordinate& z) {
    return static_cast<PackedPoint>(z.a) + (static_cast<PackedPoint>(z.b) << 16) +
           (static_cast<PackedPoint>(z.c) << 32) + (static_cast<PackedPoint>(z.d) << 48);
}

}  // namespace vantor::records
