#include "utils/unit_distance.hpp"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "utils/interrupt.hpp"
#include "utils/pair_grid.hpp"
#include "utils/pair_tests.hpp"
#include "utils/parallel.hpp"

namespace vantor {
namespace {

// The scalar test of one pair. The products are rounded separately and then
// added (no fused multiply-add), so every caller gets the same bits. The sign
// of dx and dy does not matter: a - b is exactly -(b - a).
inline bool is_unit_pair(double ax, double ay, double bx, double by, UnitDistanceBounds bounds) {
    const double dx = ax - bx;
    const double dy = ay - by;
    const double d2 = dy * dy + dx * dx;
    return bounds.lo <= d2 && d2 <= bounds.hi;
}

template <class Visit>
void scan_all_pairs(std::span<const Point> points, UnitDistanceBounds bounds, Visit&& visit) {
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (is_unit_pair(points[i].x, points[i].y, points[j].x, points[j].y, bounds)) visit(i, j);
        }
    }
}

// Counts the passing pairs of the blocks a pair grid hands out.
struct PairCounter {
    const double* xs;
    const double* ys;
    UnitDistanceBounds bounds;
    std::uint64_t count = 0;

    void test(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        count += count_block(PairBlock{xs, ys, a0, a1, b0, b1}, bounds.lo, bounds.hi);
    }
    void test_within(std::uint32_t a0, std::uint32_t a1) {
        for (std::uint32_t a = a0; a + 1 < a1; ++a) test(a, a + 1, a + 1, a1);
    }
    void all(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        count += std::uint64_t{a1 - a0} * (b1 - b0);
    }
    void all_within(std::uint32_t a0, std::uint32_t a1) {
        const std::uint64_t k = a1 - a0;
        count += k * (k - 1) / 2;
    }
};

// Collects the passing pairs, as packed edges of the caller's indices.
struct PairCollector {
    const double* xs;
    const double* ys;
    const std::uint32_t* ids;
    UnitDistanceBounds bounds;
    std::vector<std::uint64_t> keys;
    std::vector<std::uint32_t> scratch;

    void test(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        collect_block(PairBlock{xs, ys, a0, a1, b0, b1}, bounds.lo, bounds.hi, ids, keys, scratch);
    }
    void test_within(std::uint32_t a0, std::uint32_t a1) {
        for (std::uint32_t a = a0; a + 1 < a1; ++a) test(a, a + 1, a + 1, a1);
    }
    void all(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        for (std::uint32_t a = a0; a < a1; ++a) {
            for (std::uint32_t b = b0; b < b1; ++b) keys.push_back(pack_pair(ids[a], ids[b]));
        }
    }
    void all_within(std::uint32_t a0, std::uint32_t a1) {
        for (std::uint32_t a = a0; a + 1 < a1; ++a) all(a, a + 1, a + 1, a1);
    }
};

// The window of squared distances read as a band of distances, and what it
// admits at once.
struct Window {
    bool empty;        // no pair can pass
    bool everything;   // every pair without a NaN passes
    DistanceBand band;
};

Window window_of(UnitDistanceBounds bounds) {
    // A squared distance is never negative (nor NaN for finite points), so
    // a window that ends below 0, or that is NaN or inverted, admits nothing.
    if (!(bounds.lo <= bounds.hi) || bounds.hi < 0.0) return {true, false, {0.0, 0.0}};
    double inner = 0.0;
    if (bounds.lo == INFINITY) {
        // Only an overflowing square passes: pairs at least sqrt(DBL_MAX) apart.
        inner = std::sqrt(DBL_MAX);
    } else if (bounds.lo > 0.0) {
        inner = std::sqrt(bounds.lo);
    }
    const double outer = bounds.hi == INFINITY ? INFINITY : std::sqrt(bounds.hi);
    return {false, inner == 0.0 && outer == INFINITY, {inner, outer}};
}

// Pairs that involve an infinite coordinate, when the window is unbounded
// above: such a pair has d2 = infinity and passes unless a coordinate
// difference is NaN (both infinite with the same sign). Points with a NaN
// coordinate never pass. Each point is classed by the kind (-inf, finite,
// +inf) of its two coordinates; class 4 is the finite points.
struct InfiniteClasses {
    std::array<std::vector<std::uint32_t>, 9> members;

    static int kind(double v) { return v == INFINITY ? 2 : (v == -INFINITY ? 0 : 1); }

    static bool passes(int a, int b) {
        const int ax = a / 3, ay = a % 3, bx = b / 3, by = b % 3;
        return !(ax == bx && ax != 1) && !(ay == by && ay != 1);
    }
};

InfiniteClasses classify(std::span<const Point> points) {
    InfiniteClasses classes;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point& p = points[i];
        if (std::isnan(p.x) || std::isnan(p.y)) continue;
        classes.members[InfiniteClasses::kind(p.x) * 3 + InfiniteClasses::kind(p.y)].push_back(
            static_cast<std::uint32_t>(i));
    }
    return classes;
}

// Visits the class pairs that pass (at least one class not finite; a class
// never passes with itself unless it is the finite one).
template <class Visit>
void for_each_infinite_block(const InfiniteClasses& classes, Visit&& visit) {
    for (int a = 0; a < 9; ++a) {
        for (int b = a + 1; b < 9; ++b) {
            if (!InfiniteClasses::passes(a, b)) continue;
            visit(classes.members[static_cast<std::size_t>(a)], classes.members[static_cast<std::size_t>(b)]);
        }
    }
}

std::vector<std::uint32_t> finite_indices(std::span<const Point> points) {
    std::vector<std::uint32_t> ids;
    ids.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (std::isfinite(points[i].x) && std::isfinite(points[i].y)) ids.push_back(static_cast<std::uint32_t>(i));
    }
    return ids;
}

void require_indexable(std::size_t n) {
    // Edges pack two 32-bit indices; a list this long cannot be held anyway.
    if (n >= UINT32_MAX) throw std::bad_alloc();
}

// Sorts packed edges ascending: least significant digit first, 16 bits at a
// time, skipping digits that every key shares.
void sort_keys(std::vector<std::uint64_t>& keys) {
    if (keys.size() < 256) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    std::vector<std::uint64_t> buffer(keys.size());
    std::vector<std::uint64_t> count(1 << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(count.begin(), count.end(), 0);
        for (std::uint64_t key : keys) ++count[(key >> shift) & 0xffff];
        if (count[(keys[0] >> shift) & 0xffff] == keys.size()) continue;
        std::uint64_t total = 0;
        for (std::uint64_t& c : count) {
            const std::uint64_t here = c;
            c = total;
            total += here;
        }
        for (std::uint64_t key : keys) buffer[count[(key >> shift) & 0xffff]++] = key;
        keys.swap(buffer);
    }
}

std::vector<std::uint64_t> collect_keys(std::span<const Point> points, UnitDistanceBounds bounds) {
    require_indexable(points.size());
    const Window window = window_of(bounds);
    std::vector<std::uint64_t> keys;
    if (window.empty) return keys;
    const std::vector<std::uint32_t> finite = finite_indices(points);
    if (window.band.outer == INFINITY) {
        const InfiniteClasses classes = classify(points);
        for_each_infinite_block(classes, [&](const auto& a, const auto& b) {
            for (std::uint32_t i : a) {
                poll_interrupt();
                for (std::uint32_t j : b) keys.push_back(pack_pair(i, j));
            }
        });
    }
    if (window.everything) {
        for (std::size_t a = 0; a < finite.size(); ++a) {
            poll_interrupt();
            for (std::size_t b = a + 1; b < finite.size(); ++b) keys.push_back(pack_pair(finite[a], finite[b]));
        }
        return keys;
    }
    const PairGrid grid(points, finite, window.band);
    const std::vector<PairCollector> parts =
        visit_pairs_in_tasks(grid, PairCollector{grid.xs(), grid.ys(), grid.ids(), bounds, {}, {}});
    std::size_t total = keys.size();
    for (const PairCollector& part : parts) total += part.keys.size();
    keys.reserve(total);
    for (const PairCollector& part : parts) keys.insert(keys.end(), part.keys.begin(), part.keys.end());
    return keys;
}

EdgeList unpack(const std::vector<std::uint64_t>& keys) {
    EdgeList edges;
    edges.reserve(keys.size());
    for (std::uint64_t key : keys) edges.push_back({key >> 32, key & 0xffffffffu});
    return edges;
}

}  // namespace

UnitDistanceBounds unit_distance_bounds(double tolerance) {
    const double below = 1.0 - tolerance;
    const double above = tolerance + 1.0;
    return {below * below, above * above};
}

std::uint64_t count_unit_pairs(std::span<const Point> points, UnitDistanceBounds bounds) {
    const Window window = window_of(bounds);
    if (window.empty || points.size() < 2) return 0;
    require_indexable(points.size());
    const std::vector<std::uint32_t> finite = finite_indices(points);
    std::uint64_t count = 0;
    if (window.band.outer == INFINITY) {
        const InfiniteClasses classes = classify(points);
        for_each_infinite_block(classes,
                                [&](const auto& a, const auto& b) { count += std::uint64_t{a.size()} * b.size(); });
    }
    if (window.everything) {
        const std::uint64_t k = finite.size();
        return count + (k < 2 ? 0 : k * (k - 1) / 2);
    }
    if (finite.size() < 2) return count;
    const PairGrid grid(points, finite, window.band);
    for (const PairCounter& part : visit_pairs_in_tasks(grid, PairCounter{grid.xs(), grid.ys(), bounds})) {
        count += part.count;
    }
    return count;
}

std::uint64_t count_unit_distances(std::span<const Point> points, double tolerance) {
    return count_unit_pairs(points, unit_distance_bounds(tolerance));
}

EdgeList find_unit_edges(std::span<const Point> points, UnitDistanceBounds bounds) {
    std::vector<std::uint64_t> keys = collect_keys(points, bounds);
    sort_keys(keys);
    return unpack(keys);
}

std::vector<std::uint64_t> find_unit_pairs_packed(std::span<const Point> points,
                                                  UnitDistanceBounds bounds) {
    return collect_keys(points, bounds);
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
