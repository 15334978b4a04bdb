#include "unit_distance.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
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

// Below this size the plain scan is as fast as building buckets.
constexpr std::size_t kBucketThreshold = 128;
// Coordinates whose cell index would exceed this are left to the plain scan:
// below it, x / cell carries an absolute rounding error under 0.01, which the
// 1% margin of the cell width absorbs.
constexpr double kMaxCellIndex = 1.0e13;

struct CellHash {
    std::size_t operator()(std::uint64_t key) const noexcept {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return static_cast<std::size_t>(key);
    }
};

inline std::uint64_t cell_key(std::int64_t cx, std::int64_t cy) {
    return (static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ULL) ^ static_cast<std::uint64_t>(cy);
}

// Visits exactly the pairs the plain scan would accept, in the same order
// (by i, then j). Points are put into square cells a little wider than the
// largest accepted distance sqrt(hi): a pair whose computed d2 is at most hi
// has both coordinate differences below the cell width, so its cells are
// neighbours. Non-finite points never pass a finite hi and are left out.
// Returns false (having visited nothing) where buckets do not apply: an
// infinite or NaN window, a tiny window, or coordinates too large to index.
template <class Visit>
bool scan_bucketed(std::span<const Point> points, UnitDistanceBounds bounds, Visit&& visit) {
    if (!(bounds.hi < INFINITY) || !(bounds.hi >= 1e-200) || !(bounds.lo <= bounds.hi)) return false;
    const double cell = std::sqrt(bounds.hi) * 1.01;
    const std::size_t n = points.size();

    std::vector<std::int64_t> cx(n), cy(n);
    std::vector<bool> finite(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = points[i];
        finite[i] = std::isfinite(p.x) && std::isfinite(p.y);
        if (!finite[i]) continue;
        const double fx = std::floor(p.x / cell);
        const double fy = std::floor(p.y / cell);
        if (!(std::fabs(fx) < kMaxCellIndex) || !(std::fabs(fy) < kMaxCellIndex)) return false;
        cx[i] = static_cast<std::int64_t>(fx);
        cy[i] = static_cast<std::int64_t>(fy);
    }

    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>, CellHash> cells;
    cells.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (finite[i]) cells[cell_key(cx[i], cy[i])].push_back(static_cast<std::uint32_t>(i));
    }

    std::vector<std::uint32_t> partners;
    for (std::size_t i = 0; i < n; ++i) {
        if (!finite[i]) continue;
        partners.clear();
        for (std::int64_t ox = -1; ox <= 1; ++ox) {
            for (std::int64_t oy = -1; oy <= 1; ++oy) {
                auto found = cells.find(cell_key(cx[i] + ox, cy[i] + oy));
                if (found == cells.end()) continue;
                // Lists are in ascending index order: skip to the first j > i.
                const auto& members = found->second;
                auto first = std::upper_bound(members.begin(), members.end(),
                                              static_cast<std::uint32_t>(i));
                for (auto it = first; it != members.end(); ++it) {
                    if (is_unit_pair(points[i], points[*it], bounds)) partners.push_back(*it);
                }
            }
        }
        std::sort(partners.begin(), partners.end());
        for (std::uint32_t j : partners) visit(i, static_cast<std::size_t>(j));
    }
    return true;
}

template <class Visit>
void scan_pairs(std::span<const Point> points, UnitDistanceBounds bounds, Visit&& visit) {
    if (points.size() >= kBucketThreshold && points.size() < UINT32_MAX &&
        scan_bucketed(points, bounds, visit)) {
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
