#pragma once
// Machine-integer helpers shared by the field tables and the construction:
// overflow-checked products and powers, and exact integer square roots.

#include <cmath>
#include <cstdint>
#include <optional>

namespace vantor {

// a * b, or nothing when the product leaves the signed 64-bit range.
inline std::optional<std::int64_t> checked_mul(std::int64_t a, std::int64_t b) {
    std::int64_t product;
    if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
    return product;
}

inline std::optional<std::uint64_t> checked_mul(std::uint64_t a, std::uint64_t b) {
    std::uint64_t product;
    if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
    return product;
}

// base^exponent by successive checked multiplications starting from 1, or
// nothing on the first product that overflows. Bases of magnitude 0 or 1 are
// answered directly, so a huge exponent costs nothing; any other base
// overflows within 64 steps.
inline std::optional<std::int64_t> checked_pow(std::int64_t base, std::uint64_t exponent) {
    if (exponent == 0) return 1;
    if (base == 0 || base == 1) return base;
    if (base == -1) return exponent % 2 == 0 ? 1 : -1;
    std::int64_t value = 1;
    for (std::uint64_t step = 0; step < exponent; ++step) {
        auto next = checked_mul(value, base);
        if (!next) return std::nullopt;
        value = *next;
    }
    return value;
}

// The largest h with h * h <= n.
inline std::uint64_t isqrt(std::uint64_t n) {
    auto h = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(n)));
    // The float estimate is off by at most one or two near 2^64; settle it
    // exactly (h * h is compared through division to avoid overflow).
    while (h > 0 && h > n / h) --h;
    while ((h + 1) <= n / (h + 1)) ++h;
    return h;
}

}  // namespace vantor
