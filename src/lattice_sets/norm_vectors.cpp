#include "lattice_sets/norm_vectors.hpp"

#include <algorithm>

#include "utils/checked_math.hpp"
#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

namespace {

constexpr std::uint64_t kPollEvery = 4096;

// The exact square root of n, or -1 when n is not a square.
std::int64_t exact_root(std::uint64_t n) {
    const std::uint64_t root = isqrt(n);
    return root * root == n ? static_cast<std::int64_t>(root) : -1;
}

}  // namespace

std::vector<LatticeCoordinate> norm_vectors(const PlaneLattice& lattice, std::uint64_t m,
                                            std::uint64_t max_row) {
    std::vector<LatticeCoordinate> vectors;
    if (m > kMaxNorm) return vectors;
    // 4m = (2a + t b)^2 + D b^2, so |b| <= sqrt(4m / D) and 2a + t b = +-s
    // with s^2 = 4m - D b^2; a is an integer when s and t b have the same
    // parity.
    const auto d = static_cast<std::uint64_t>(lattice.discriminant);
    const std::uint64_t four_m = 4 * m;
    const auto top = static_cast<std::int64_t>(std::min(isqrt(four_m / d), max_row));
    for (std::int64_t b = -top; b <= top; ++b) {
        if (static_cast<std::uint64_t>(b + top) % kPollEvery == 0) poll_interrupt();
        const std::uint64_t d_b_squared = d * static_cast<std::uint64_t>(b * b);
        if (d_b_squared > four_m) continue;
        const std::int64_t s = exact_root(four_m - d_b_squared);
        const std::int64_t t_b = lattice.trace * b;
        if (s < 0 || (s - t_b) % 2 != 0) continue;
        vectors.push_back({(-s - t_b) / 2, b});
        if (s != 0) vectors.push_back({(s - t_b) / 2, b});
    }
    return vectors;
}

std::vector<LatticeCoordinate> half_norm_vectors(const PlaneLattice& lattice, std::uint64_t m,
                                                 std::uint64_t max_row) {
    std::vector<LatticeCoordinate> vectors = norm_vectors(lattice, m, max_row);
    std::erase_if(vectors, [](const LatticeCoordinate& v) {
        return v.b < 0 || (v.b == 0 && v.a <= 0);
    });
    return vectors;
}

}  // namespace vantor::lattice_sets
