#include "lattice_families/norm_vectors.hpp"

#include <algorithm>

#include "utils/checked_math.hpp"
#include "utils/interrupt.hpp"

namespace vantor::lattice {

namespace {

constexpr std::uint64_t kPollEvery = 4096;

// The exact square root of n, or -1 when n is not a square.
std::int64_t exact_root(std::uint64_t n) {
    const std::uint64_t root = isqrt(n);
    return root * root == n ? static_cast<std::int64_t>(root) : -1;
}

}  // namespace

std::vector<LatticeCoordinate> norm_vectors(LatticeFamily family, std::uint64_t m,
                                            std::uint64_t max_row) {
    std::vector<LatticeCoordinate> vectors;
    if (m > kMaxNorm) return vectors;
    if (family == LatticeFamily::Square) {
        // a^2 = m - b^2 for |b| <= sqrt(m).
        const auto top = static_cast<std::int64_t>(std::min(isqrt(m), max_row));
        for (std::int64_t b = -top; b <= top; ++b) {
            if (static_cast<std::uint64_t>(b + top) % kPollEvery == 0) poll_interrupt();
            const std::int64_t a = exact_root(m - static_cast<std::uint64_t>(b * b));
            if (a < 0) continue;
            vectors.push_back({-a, b});
            if (a != 0) vectors.push_back({a, b});
        }
        return vectors;
    }
    // 4m = (2a + b)^2 + 3b^2, so |b| <= sqrt(4m / 3) and 2a + b = +-s with
    // s^2 = 4m - 3b^2; a is an integer when s and b have the same parity.
    const std::uint64_t four_m = 4 * m;
    const auto top = static_cast<std::int64_t>(std::min(isqrt(four_m / 3), max_row));
    for (std::int64_t b = -top; b <= top; ++b) {
        if (static_cast<std::uint64_t>(b + top) % kPollEvery == 0) poll_interrupt();
        const std::uint64_t b_squared_3 = 3 * static_cast<std::uint64_t>(b * b);
        if (b_squared_3 > four_m) continue;
        const std::int64_t s = exact_root(four_m - b_squared_3);
        if (s < 0 || (s - b) % 2 != 0) continue;
        vectors.push_back({(-s - b) / 2, b});
        if (s != 0) vectors.push_back({(s - b) / 2, b});
    }
    return vectors;
}

std::vector<LatticeCoordinate> half_norm_vectors(LatticeFamily family, std::uint64_t m,
                                                 std::uint64_t max_row) {
    std::vector<LatticeCoordinate> vectors = norm_vectors(family, m, max_row);
    std::erase_if(vectors, [](const LatticeCoordinate& v) {
        return v.b < 0 || (v.b == 0 && v.a <= 0);
    });
    return vectors;
}

}  // namespace vantor::lattice
