#include "grids.hpp"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <new>

#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"

namespace vantor {
namespace {

// sqrt(3)/2 rounded to the nearest double (bit pattern 0x3febb67ae8584caa).
constexpr double kSqrt3Over2 = 0.8660254037844386;

}  // namespace

PointList square_grid(std::uint64_t rows, std::uint64_t cols) {
    std::uint64_t total;
    if (__builtin_mul_overflow(rows, cols, &total)) throw std::bad_alloc();
    ensure_fits_in_memory(total, sizeof(Point));
    PointList points;
    // An empty grid may still have 2^64 - 1 empty rows: no loop over them.
    if (total == 0) return points;
    points.reserve(total);
    for (std::uint64_t i = 0; i < rows; ++i) {
        poll_interrupt();
        for (std::uint64_t j = 0; j < cols; ++j) {
            points.push_back(Point{static_cast<double>(j), static_cast<double>(i)});
        }
    }
    return points;
}

PointList triangular_grid(std::uint64_t n_target) {
    ensure_fits_in_memory(n_target, sizeof(Point));
    PointList points;
    points.reserve(n_target);
    // Ring r holds the (a, b) with max(|a|, |b|, |a + b|) = r, taken with a,
    // then b, ascending. For |a| = r every b keeping |b| and |a + b| within r
    // qualifies; otherwise only b = -r, -r - a, r - a, r can reach r. Visiting
    // just those emits the same sequence as testing every b in -r .. r, in
    // time linear in the output. n_target alone bounds the work: the
    // enumeration stops at the n_target-th point, also inside a ring.
    auto emit = [&points](std::int64_t a, std::int64_t b) {
        const double x = static_cast<double>(a) + static_cast<double>(b) * 0.5;
        const double y = static_cast<double>(b) * kSqrt3Over2;
        points.push_back(Point{x, y});
    };
    for (std::int64_t r = 0; points.size() < n_target; ++r) {
        poll_interrupt();
        for (std::int64_t a = -r; a <= r && points.size() < n_target; ++a) {
            if (std::llabs(a) == r) {
                const std::int64_t first = std::max(-r, -r - a);
                const std::int64_t last = std::min(r, r - a);
                for (std::int64_t b = first; b <= last && points.size() < n_target; ++b) emit(a, b);
                continue;
            }
            std::int64_t candidates[4] = {-r, -r - a, r - a, r};
            std::sort(std::begin(candidates), std::end(candidates));
            std::int64_t previous = -r - 1;
            for (std::int64_t b : candidates) {
                if (b == previous || b < -r || b > r || points.size() >= n_target) continue;
                previous = b;
                if (std::max({std::llabs(a), std::llabs(b), std::llabs(a + b)}) == r) emit(a, b);
            }
        }
    }
    return points;
}

}  // namespace vantor
