#include "quantize.hpp"

#include <cmath>

namespace vantor {

std::expected<std::int64_t, std::string_view> quantize_f64(double value) {
    if (!std::isfinite(value)) return std::unexpected(kNonFiniteText);
    const double r = std::round(value);
    if (r >= -9223372036854775808.0 && r < 9223372036854775808.0) {
        return static_cast<std::int64_t>(r);
    }
    return std::unexpected(kOutOfRangeText);
}

std::expected<IntegerKey, std::string_view> scaled_key(const Point& point, double scale) {
    auto x = quantize_f64(point.x * scale);
    if (!x) return std::unexpected(x.error());
    auto y = quantize_f64(point.y * scale);
    if (!y) return std::unexpected(y.error());
    return IntegerKey{*x, *y};
}

std::expected<ProjectionKey, std::string_view> projection_key(const Point& point) {
    return scaled_key(point, 1e9);
}

std::expected<DedupKey, std::string_view> dedup_key(const Point& point, double dedup_distance) {
    auto x = quantize_f64(point.x / dedup_distance);
    if (!x) return std::unexpected(x.error());
    auto y = quantize_f64(point.y / dedup_distance);
    if (!y) return std::unexpected(y.error());
    return DedupKey{*x, *y};
}

}  // namespace vantor
