#include "lattice_sets/shape_patch.hpp"

#include <algorithm>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "utils/checked_math.hpp"
#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

namespace {

std::int64_t floor_half(std::int64_t x) { return x >= 0 ? x / 2 : -((1 - x) / 2); }
std::int64_t ceil_half(std::int64_t x) { return -floor_half(-x); }

// The run of a in row b whose keys are at most k; empty when lo > hi.
struct Run {
    std::int64_t lo;
    std::int64_t hi;
    std::int64_t length() const { return hi >= lo ? hi - lo + 1 : 0; }
};

class ShapeRows {
public:
    ShapeRows(const PlaneLattice& lattice, PatchShape shape) : lattice_(lattice), shape_(shape) {}

    // Rows with |b| > row_bound(k) hold no point of key <= k: the disk's
    // rows need D b^2 <= 4k.
    std::int64_t row_bound(std::int64_t k) const {
        if (shape_ != PatchShape::Disk) return k;
        const auto limit = static_cast<std::uint64_t>(k);
        return static_cast<std::int64_t>(
            isqrt(4 * limit / static_cast<std::uint64_t>(lattice_.discriminant)));
    }

    Run run(std::int64_t k, std::int64_t b) const {
        if (k < 0) return {0, -1};
        const std::int64_t abs_b = b < 0 ? -b : b;
        switch (shape_) {
            case PatchShape::Disk: {
                // (2a + t b)^2 + D b^2 <= 4k: 2a + t b within +-s,
                // s = isqrt(4k - D b^2).
                const std::int64_t d_b_squared = lattice_.discriminant * b * b;
                if (d_b_squared > 4 * k) return {0, -1};
                const auto s = static_cast<std::int64_t>(
                    isqrt(static_cast<std::uint64_t>(4 * k - d_b_squared)));
                const std::int64_t t_b = lattice_.trace * b;
                return {ceil_half(-s - t_b), floor_half(s - t_b)};
            }
            case PatchShape::Square:
                if (abs_b > k) return {0, -1};
                return {-k, k};
            case PatchShape::Diamond:
                if (abs_b > k) return {0, -1};
                return {abs_b - k, k - abs_b};
            case PatchShape::Hexagon:
                if (abs_b > k) return {0, -1};
                return {std::max(-k, -k - b), std::min(k, k - b)};
            case PatchShape::TurnedHexagon:
                if (abs_b > k) return {0, -1};
                return {std::max({ceil_half(-k - b), -k - 2 * b, b - k}),
                        std::min({floor_half(k - b), k - 2 * b, b + k})};
        }
        return {0, -1};
    }

    // The number of lattice points of key <= k.
    std::uint64_t count(std::int64_t k) const {
        if (k < 0) return 0;
        const std::int64_t bound = row_bound(k);
        std::uint64_t total = 0;
        for (std::int64_t b = -bound; b <= bound; ++b) {
            total += static_cast<std::uint64_t>(run(k, b).length());
        }
        return total;
    }

private:
    const PlaneLattice& lattice_;
    PatchShape shape_;
};

// The smallest key k whose points number at least `count` (count >= 1).
std::int64_t threshold_key(const ShapeRows& rows, std::uint64_t count) {
    std::int64_t high = 1;
    while (rows.count(high) < count) {
        high *= 2;
        poll_interrupt();
    }
    std::int64_t low = -1;  // count(low) < count <= count(high)
    while (high - low > 1) {
        const std::int64_t middle = low + (high - low) / 2;
        (rows.count(middle) >= count ? high : low) = middle;
        poll_interrupt();
    }
    return high;
}

}  // namespace

bool shape_fits(const PlaneLattice& lattice, PatchShape shape) {
    return std::find(lattice.shapes.begin(), lattice.shapes.end(), shape) != lattice.shapes.end();
}

LatticePatch shape_patch(const PlaneLattice& lattice, PatchShape shape, std::uint64_t count) {
    if (!shape_fits(lattice, shape)) {
        throw std::invalid_argument("patch shape does not fit the lattice");
    }
    if (count == 0) return LatticePatch();
    const ShapeRows rows(lattice, shape);
    const std::int64_t k = threshold_key(rows, count);
    const std::int64_t bound = rows.row_bound(k);

    // All points of key < k, and the points of key exactly k in their
    // order until the patch is full. The latter sit at the ends of their
    // rows (or make up whole new rows), and are taken from the middle of
    // a row outwards, so every row stays one run.
    struct Extra {
        __int128 norm;
        std::int64_t b;
        std::int64_t a;
    };
    std::vector<Extra> extras;
    std::uint64_t inside = 0;
    for (std::int64_t b = -bound; b <= bound; ++b) {
        const Run outer = rows.run(k, b);
        const Run inner = rows.run(k - 1, b);
        inside += static_cast<std::uint64_t>(inner.length());
        for (std::int64_t a = outer.lo; a <= outer.hi; ++a) {
            if (inner.length() > 0 && a >= inner.lo && a <= inner.hi) {
                a = inner.hi;
                continue;
            }
            extras.push_back({lattice_norm(lattice, a, b), b, a});
        }
    }
    const std::uint64_t wanted = count - inside;
    std::sort(extras.begin(), extras.end(), [](const Extra& x, const Extra& y) {
        return std::tie(x.norm, x.b, x.a) < std::tie(y.norm, y.b, y.a);
    });
    extras.resize(wanted);
    std::sort(extras.begin(), extras.end(),
              [](const Extra& x, const Extra& y) { return std::tie(x.b, x.a) < std::tie(y.b, y.a); });

    std::vector<LatticeCoordinate> points;
    points.reserve(count);
    std::size_t next_extra = 0;
    for (std::int64_t b = -bound; b <= bound; ++b) {
        if ((b & 1023) == 0) poll_interrupt();
        const Run inner = rows.run(k - 1, b);
        // Extras of this row left of the inner run, the run, then those right of it.
        while (next_extra < extras.size() && extras[next_extra].b == b &&
               (inner.length() == 0 || extras[next_extra].a < inner.lo)) {
            points.push_back({extras[next_extra].a, b});
            ++next_extra;
        }
        for (std::int64_t a = inner.lo; a <= inner.hi; ++a) points.push_back({a, b});
        while (next_extra < extras.size() && extras[next_extra].b == b) {
            points.push_back({extras[next_extra].a, b});
            ++next_extra;
        }
    }
    LatticePatch patch(std::move(points));
    const auto runs = patch.runs();
    const bool one_run_per_row =
        std::adjacent_find(runs.begin(), runs.end(), [](const auto& x, const auto& y) {
            return x.b == y.b;
        }) == runs.end();
    if (!one_run_per_row || patch.size() != count) {
        throw std::logic_error("a shape patch must hold its points in unbroken rows");
    }
    return patch;
}

}  // namespace vantor::lattice_sets
