#pragma once
// Checked rounding of a 64-bit float to a 64-bit integer, and the two integer
// keys of a projected point built from it.

#include <cstdint>
#include <expected>
#include <string_view>

#include "../../point.hpp"

namespace vantor {

inline constexpr std::string_view kNonFiniteText = "cannot quantize a non-finite f64";
inline constexpr std::string_view kOutOfRangeText = "quantized f64 is outside i64 range";

// round(value), half-way cases away from zero, when the result lies in
// [-2^63, 2^63); otherwise one of the two failure texts above (a non-finite
// value is reported as such even though it is also out of range).
std::expected<std::int64_t, std::string_view> quantize_f64(double value);

struct IntegerKey {
    std::int64_t x;
    std::int64_t y;

    friend bool operator==(const IntegerKey&, const IntegerKey&) = default;
};

// (round(x * 1e9), round(y * 1e9)): the fine key kept per candidate.
using ProjectionKey = IntegerKey;
// (round(x / d), round(y / d)) for the dedup distance d, a division.
using DedupKey = IntegerKey;

// Quantises x first, then y; the first failing coordinate is the failure.
std::expected<ProjectionKey, std::string_view> projection_key(const Point& point);
std::expected<DedupKey, std::string_view> dedup_key(const Point& point, double dedup_distance);
// (round(x * scale), round(y * scale)), x first.
std::expected<IntegerKey, std::string_view> scaled_key(const Point& point, double scale);

}  // namespace vantor
