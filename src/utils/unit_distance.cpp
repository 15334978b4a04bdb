#include "unit_distance.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vantor {
namespace {

// The scalar test of one pair. The products are rounded separately and then
// added (no fused multiply-add), so every caller gets the same bits.
inline bool is_unit_pair(const Point& a, const Point& b, UnitDistanceBounds bounds) {
    const double dx = a.x - b.x;
    const double dy = a.y - b.y;
    const double d2 = dy * dy + dx * dx;
    return bounds.lo <= d2 && d2 <= bounds.hi;
}

template <class Visit>
void scan_all_pairs(std::span<const Point> points, UnitDistanceBounds bounds, Visit&& visit) {
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (is_unit_pair(points[i], points[j], bounds)) visit(i, j);
        }
    }
}

// Below this size the plain scan is as fast as building cells.
constexpr std::size_t kCellThreshold = 128;
// Points are placed in cells by floor((x - min_x) / cell); up to this index
// the rounding of that quotient stays far below the margin used below.
constexpr double kMaxCellIndex = 1.0e9;
// Margin, in cell widths, for where a point may truly lie relative to the
// cell it was placed in.
constexpr double kCellSlack = 0.02;

// A run of neighbouring cells within one row: row offset dy, columns dx
// from `first` to `last` relative to a point's cell.
struct CellRun {
    std::int64_t dy;
    std::int64_t first;
    std::int64_t last;
};

// Visits exactly the pairs the plain scan accepts, in the same order (by i,
// then j). Points are put into square cells of width sqrt(hi) / s, with s
// chosen from the density (about two cells per mean point spacing balances
// the runs visited against the pairs tested). A pair can pass only if its
// distance lies in [sqrt(lo), sqrt(hi)], so only cells whose distance range
// from a point's cell meets that annulus (widened by the cell slack and a
// relative margin far above rounding) are looked at; in each row these form
// at most two runs of consecutive cells, whose points are consecutive in the
// cell-ordered member list. Every candidate pair gets the scalar test.
// Non-finite points never pass a finite hi and are left out. Returns false
// (having visited nothing) where cells do not apply: an infinite, NaN or tiny
// window, or a spread too large to index.
template <class Visit>
bool scan_cells(std::span<const Point> points, UnitDistanceBounds bounds, Visit&& visit) {
    if (!(bounds.hi < INFINITY) || !(bounds.hi >= 1e-200) || !(bounds.lo <= bounds.hi)) return false;
    const std::size_t n = points.size();
    std::vector<std::uint32_t> finite;
    finite.reserve(n);
    double min_x = INFINITY, max_x = -INFINITY, min_y = INFINITY, max_y = -INFINITY;
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        finite.push_back(static_cast<std::uint32_t>(i));
        min_x = std::min(min_x, p.x);
        max_x = std::max(max_x, p.x);
        min_y = std::min(min_y, p.y);
        max_y = std::max(max_y, p.y);
    }
    if (finite.empty()) return true;

    const double outer = std::sqrt(bounds.hi);
    const double inner = bounds.lo > 0.0 ? std::sqrt(bounds.lo) : 0.0;
    const double span_x = std::max((max_x - min_x) / outer, 1.0);
    const double span_y = std::max((max_y - min_y) / outer, 1.0);
    if (!(span_x < kMaxCellIndex) || !(span_y < kMaxCellIndex)) return false;
    const double density = static_cast<double>(finite.size()) / (span_x * span_y);
    const double per_radius = std::clamp(std::ceil(2.0 * std::sqrt(density)), 1.0, 512.0);
    const double cell = outer / per_radius;
    const double columns_f = std::floor((max_x - min_x) / cell) + 1.0;
    const double rows_f = std::floor((max_y - min_y) / cell) + 1.0;
    if (!(columns_f * rows_f <= 8.0 * static_cast<double>(finite.size()) + 65536.0)) return false;
    const auto columns = static_cast<std::int64_t>(columns_f);
    const auto rows = static_cast<std::int64_t>(rows_f);

    // Cell of every finite point, clamped into the grid against rounding at
    // the far edge, and the points in row-major cell order, ascending index
    // within a cell.
    std::vector<std::int64_t> cx(n), cy(n);
    std::vector<std::uint32_t> starts(static_cast<std::size_t>(columns * rows) + 1, 0);
    for (std::uint32_t i : finite) {
        cx[i] = std::clamp(static_cast<std::int64_t>(std::floor((points[i].x - min_x) / cell)),
                           std::int64_t{0}, columns - 1);
        cy[i] = std::clamp(static_cast<std::int64_t>(std::floor((points[i].y - min_y) / cell)),
                           std::int64_t{0}, rows - 1);
        ++starts[static_cast<std::size_t>(cy[i] * columns + cx[i]) + 1];
    }
    for (std::size_t c = 1; c < starts.size(); ++c) starts[c] += starts[c - 1];
    std::vector<std::uint32_t> members(finite.size());
    {
        std::vector<std::uint32_t> fill(starts.begin(), starts.end() - 1);
        for (std::uint32_t i : finite) {
            members[fill[static_cast<std::size_t>(cy[i] * columns + cx[i])]++] = i;
        }
    }

    // The runs of cells that can hold a partner: in row dy, the columns dx
    // with |dx| <= near (close enough for the outer radius) and
    // |dx| >= far (far enough to reach the inner radius).
    const auto reach = static_cast<std::int64_t>(per_radius) + 2;
    auto nearest = [&](std::int64_t dx, std::int64_t dy) {
        const double gx = std::max(0.0, static_cast<double>(std::llabs(dx)) - 1.0 - kCellSlack);
        const double gy = std::max(0.0, static_cast<double>(std::llabs(dy)) - 1.0 - kCellSlack);
        return std::sqrt(gx * gx + gy * gy) * cell;
    };
    auto farthest = [&](std::int64_t dx, std::int64_t dy) {
        const double fx = static_cast<double>(std::llabs(dx)) + 1.0 + kCellSlack;
        const double fy = static_cast<double>(std::llabs(dy)) + 1.0 + kCellSlack;
        return std::sqrt(fx * fx + fy * fy) * cell;
    };
    std::vector<CellRun> runs;
    for (std::int64_t dy = -reach; dy <= reach; ++dy) {
        std::int64_t near = -1;
        while (near < reach && nearest(near + 1, dy) <= outer * (1.0 + 1e-6)) ++near;
        if (near < 0) continue;
        std::int64_t far = 0;
        while (far <= near && farthest(far, dy) < inner * (1.0 - 1e-6)) ++far;
        if (far > near) continue;
        if (far == 0) {
            runs.push_back({dy, -near, near});
        } else {
            runs.push_back({dy, -near, -far});
            runs.push_back({dy, far, near});
        }
    }

    std::vector<std::uint32_t> partners;
    for (std::uint32_t i : finite) {
        partners.clear();
        for (const CellRun& run : runs) {
            const std::int64_t y = cy[i] + run.dy;
            if (y < 0 || y >= rows) continue;
            const std::int64_t first = std::max<std::int64_t>(cx[i] + run.first, 0);
            const std::int64_t last = std::min<std::int64_t>(cx[i] + run.last, columns - 1);
            if (first > last) continue;
            const std::uint32_t begin = starts[static_cast<std::size_t>(y * columns + first)];
            const std::uint32_t end = starts[static_cast<std::size_t>(y * columns + last) + 1];
            for (std::uint32_t at = begin; at < end; ++at) {
                const std::uint32_t j = members[at];
                if (j > i && is_unit_pair(points[i], points[j], bounds)) partners.push_back(j);
            }
        }
        std::sort(partners.begin(), partners.end());
        for (std::uint32_t j : partners) visit(static_cast<std::size_t>(i), static_cast<std::size_t>(j));
    }
    return true;
}

template <class Visit>
void scan_pairs(std::span<const Point> points, UnitDistanceBounds bounds, Visit&& visit) {
    if (points.size() >= kCellThreshold && points.size() < UINT32_MAX &&
        scan_cells(points, bounds, visit)) {
        return;
    }
    scan_all_pairs(points, bounds, visit);
}

}  // namespace

UnitDistanceBounds unit_distance_bounds(double tolerance) {
    const double below = 1.0 - tolerance;
    const double above = tolerance + 1.0;
    return {below * below, above * above};
}

std::uint64_t count_unit_distances(std::span<const Point> points, double tolerance) {
    std::uint64_t count = 0;
    scan_pairs(points, unit_distance_bounds(tolerance), [&](std::size_t, std::size_t) { ++count; });
    return count;
}

EdgeList find_unit_edges(std::span<const Point> points, UnitDistanceBounds bounds) {
    EdgeList edges;
    scan_pairs(points, bounds, [&](std::size_t i, std::size_t j) { edges.push_back({i, j}); });
    return edges;
}

std::uint64_t count_unit_distances_all_pairs(std::span<const Point> points,
                                             UnitDistanceBounds bounds) {
    std::uint64_t count = 0;
    scan_all_pairs(points, bounds, [&](std::size_t, std::size_t) { ++count; });
    return count;
}

EdgeList find_unit_edges_all_pairs(std::span<const Point> points, UnitDistanceBounds bounds) {
    EdgeList edges;
    scan_all_pairs(points, bounds, [&](std::size_t i, std::size_t j) { edges.push_back({i, j}); });
    return edges;
}

}  // namespace vantor
