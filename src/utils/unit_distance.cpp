#include "utils/unit_distance.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"
#include "utils/memory_estimates.hpp"
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

// Blocks of at least this many pairs are first looked at as a whole: the
// bounding boxes of their two sides may settle every pair, identical points
// may be taken together, and the pairs left are tested in slices between
// which the stop flag is polled.
constexpr std::uint64_t kLargeBlock = std::uint64_t{1} << 16;
constexpr std::uint64_t kPairsPerSlice = std::uint64_t{1} << 20;

struct Box {
    double min_x = INFINITY, max_x = -INFINITY, min_y = INFINITY, max_y = -INFINITY;
};

Box box_of(const double* xs, const double* ys, std::uint32_t a0, std::uint32_t a1) {
    Box box;
    for (std::uint32_t a = a0; a < a1; ++a) {
        box.min_x = std::min(box.min_x, xs[a]);
        box.max_x = std::max(box.max_x, xs[a]);
        box.min_y = std::min(box.min_y, ys[a]);
        box.max_y = std::max(box.max_y, ys[a]);
    }
    return box;
}

// What the boxes of two sides (the same box twice for the pairs within
// one side) say about every pair between them.
CellVerdict box_verdict(const Box& p, const Box& q, DistanceBand band) {
    const double gap_x = std::max({0.0, q.min_x - p.max_x, p.min_x - q.max_x});
    const double gap_y = std::max({0.0, q.min_y - p.max_y, p.min_y - q.max_y});
    return band_verdict(std::hypot(gap_x, gap_y),
                        std::hypot(std::max(q.max_x - p.min_x, p.max_x - q.min_x),
                                   std::max(q.max_y - p.min_y, p.max_y - q.min_y)),
                        band);
}

// Runs slice(a, end) over the rows [a0, a1) in slices of about
// kPairsPerSlice pairs against b0 .. b1, polling the stop flag between two.
template <class Slice>
void in_slices(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1,
               Slice&& slice) {
    const auto rows =
        static_cast<std::uint32_t>(std::max<std::uint64_t>(1, kPairsPerSlice / (b1 - b0)));
    for (std::uint32_t a = a0; a < a1; a += std::min(rows, a1 - a)) {
        poll_interrupt();
        slice(a, a + std::min(rows, a1 - a));
    }
}

// The distinct points of positions [a0, a1) and how often each occurs, in
// order of (x, y). Equal coordinates (0 and -0 alike) give every pair the
// same test outcome, so one test stands for all their pairs.
struct Distinct {
    std::vector<double> xs;
    std::vector<double> ys;
    std::vector<std::uint64_t> counts;
};

Distinct distinct_of(const double* xs, const double* ys, std::uint32_t a0, std::uint32_t a1) {
    std::vector<std::uint32_t> order(a1 - a0);
    for (std::uint32_t a = a0; a < a1; ++a) order[a - a0] = a;
    std::sort(order.begin(), order.end(), [&](std::uint32_t p, std::uint32_t q) {
        return xs[p] != xs[q] ? xs[p] < xs[q] : (ys[p] != ys[q] ? ys[p] < ys[q] : p < q);
    });
    Distinct d;
    for (std::uint32_t a : order) {
        if (!d.counts.empty() && d.xs.back() == xs[a] && d.ys.back() == ys[a]) {
            ++d.counts.back();
            continue;
        }
        d.xs.push_back(xs[a]);
        d.ys.push_back(ys[a]);
        d.counts.push_back(1);
    }
    return d;
}

// Counts the passing pairs of the blocks a pair grid hands out.
struct PairCounter {
    const double* xs;
    const double* ys;
    UnitDistanceBounds bounds;
    DistanceBand band;
    std::uint64_t count = 0;

    void test(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        const std::uint64_t pairs = std::uint64_t{a1 - a0} * (b1 - b0);
        if (pairs < kLargeBlock) {
            count += count_block(PairBlock{xs, ys, a0, a1, b0, b1}, bounds.lo, bounds.hi);
            return;
        }
        const CellVerdict verdict = box_verdict(box_of(xs, ys, a0, a1), box_of(xs, ys, b0, b1), band);
        if (verdict != CellVerdict::kTest) {
            if (verdict == CellVerdict::kAll) count += pairs;
            return;
        }
        const Distinct p = distinct_of(xs, ys, a0, a1);
        const Distinct q = distinct_of(xs, ys, b0, b1);
        if (4 * std::uint64_t{p.counts.size()} * q.counts.size() <= pairs) {
            count_distinct(p, q);
            return;
        }
        in_slices(a0, a1, b0, b1, [&](std::uint32_t a, std::uint32_t end) {
            count += count_block(PairBlock{xs, ys, a, end, b0, b1}, bounds.lo, bounds.hi);
        });
    }
    void test_within(std::uint32_t a0, std::uint32_t a1) {
        const std::uint64_t k = a1 - a0;
        if (k * k >= 2 * kLargeBlock) {
            const Box box = box_of(xs, ys, a0, a1);
            const CellVerdict verdict = box_verdict(box, box, band);
            if (verdict != CellVerdict::kTest) {
                if (verdict == CellVerdict::kAll) count += k * (k - 1) / 2;
                return;
            }
            const Distinct p = distinct_of(xs, ys, a0, a1);
            if (4 * p.counts.size() <= k) {
                count_distinct_within(p);
                return;
            }
        }
        for (std::uint32_t a = a0; a + 1 < a1; ++a) {
            if (((a - a0) & 63) == 0) poll_interrupt();
            count += count_block(PairBlock{xs, ys, a, a + 1, a + 1, a1}, bounds.lo, bounds.hi);
        }
    }
    void all(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        count += std::uint64_t{a1 - a0} * (b1 - b0);
    }
    void all_within(std::uint32_t a0, std::uint32_t a1) {
        const std::uint64_t k = a1 - a0;
        count += k * (k - 1) / 2;
    }

    // One test per pair of distinct points, weighted by how often each occurs.
    void count_distinct(const Distinct& p, const Distinct& q) {
        for (std::size_t i = 0; i < p.counts.size(); ++i) {
            if ((i & 255) == 0) poll_interrupt();
            std::uint64_t passing = 0;
            for (std::size_t j = 0; j < q.counts.size(); ++j) {
                if (is_unit_pair(p.xs[i], p.ys[i], q.xs[j], q.ys[j], bounds)) passing += q.counts[j];
            }
            count += passing * p.counts[i];
        }
    }
    void count_distinct_within(const Distinct& p) {
        // Copies of one point are 0 apart.
        const bool zero_passes = is_unit_pair(0.0, 0.0, 0.0, 0.0, bounds);
        for (std::size_t i = 0; i < p.counts.size(); ++i) {
            if ((i & 255) == 0) poll_interrupt();
            if (zero_passes) count += p.counts[i] * (p.counts[i] - 1) / 2;
            std::uint64_t passing = 0;
            for (std::size_t j = i + 1; j < p.counts.size(); ++j) {
                if (is_unit_pair(p.xs[i], p.ys[i], p.xs[j], p.ys[j], bounds)) passing += p.counts[j];
            }
            count += passing * p.counts[i];
        }
    }
};

// Throws RequestTooLarge unless `pairs` pairs of `bytes_per_pair` bytes
// each fit in memory.
void ensure_pairs_fit(std::uint64_t pairs, std::uint64_t bytes_per_pair) {
    ensure_growth_fits_in_memory(saturating_product(pairs, bytes_per_pair));
}

// The pairs all collecting tasks have found, checked against the memory
// budget each time the total doubles.
class PairGrowth {
public:
    static constexpr std::uint64_t kReportEvery = 4096;
    // Blocks of at least this many pairs are checked before they are written.
    static constexpr std::uint64_t kCheckBlock = std::uint64_t{1} << 20;

    explicit PairGrowth(std::uint64_t bytes_per_pair) : bytes_per_pair_(bytes_per_pair) {}

    void add(std::uint64_t pairs) {
        const std::uint64_t total = found_.fetch_add(pairs, std::memory_order_relaxed) + pairs;
        std::uint64_t next = next_check_.load(std::memory_order_relaxed);
        if (total < next) return;
        if (!next_check_.compare_exchange_strong(next, 2 * total, std::memory_order_relaxed)) return;
        ensure_pairs_fit(total, bytes_per_pair_);
    }

    // Throws RequestTooLarge unless `extra` pairs more than those reported
    // so far can fit: a block whose every pair passes is checked before its
    // pairs are written out.
    void check_room(std::uint64_t extra) const {
        ensure_pairs_fit(saturating_sum(found_.load(std::memory_order_relaxed), extra),
                         bytes_per_pair_);
    }

private:
    std::uint64_t bytes_per_pair_;
    std::atomic<std::uint64_t> found_{0};
    std::atomic<std::uint64_t> next_check_{std::uint64_t{1} << 20};
};

// Collects the passing pairs, as packed edges of the caller's indices, in
// the order of the blocks and within a block by a, then b. Large blocks are
// settled by their boxes where they can be, and tested in slices between
// which the stop flag is polled; the keys come out the same.
struct PairCollector {
    const double* xs;
    const double* ys;
    const std::uint32_t* ids;
    UnitDistanceBounds bounds;
    DistanceBand band;
    PairGrowth* growth;  // shared by the tasks; nullptr: no memory check
    std::vector<std::uint64_t> keys;
    std::vector<std::uint32_t> scratch;
    std::uint64_t reported = 0;  // keys already added to the growth

    void test(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        const std::uint64_t pairs = std::uint64_t{a1 - a0} * (b1 - b0);
        if (pairs >= kLargeBlock) {
            const CellVerdict verdict =
                box_verdict(box_of(xs, ys, a0, a1), box_of(xs, ys, b0, b1), band);
            if (verdict == CellVerdict::kNone) return;
            if (verdict == CellVerdict::kAll) {
                all(a0, a1, b0, b1);
                return;
            }
        }
        in_slices(a0, a1, b0, b1, [&](std::uint32_t a, std::uint32_t end) {
            collect_block(PairBlock{xs, ys, a, end, b0, b1}, bounds.lo, bounds.hi, ids, keys,
                          scratch);
            report_growth();
        });
    }
    void test_within(std::uint32_t a0, std::uint32_t a1) {
        for (std::uint32_t a = a0; a + 1 < a1; ++a) {
            if (((a - a0) & 63) == 0) poll_interrupt();
            collect_block(PairBlock{xs, ys, a, a + 1, a + 1, a1}, bounds.lo, bounds.hi, ids, keys,
                          scratch);
            report_growth();
        }
    }
    void all(std::uint32_t a0, std::uint32_t a1, std::uint32_t b0, std::uint32_t b1) {
        ensure_room(std::uint64_t{a1 - a0} * (b1 - b0));
        for (std::uint32_t a = a0; a < a1; ++a) {
            if (((a - a0) & 63) == 0) poll_interrupt();
            for (std::uint32_t b = b0; b < b1; ++b) keys.push_back(pack_pair(ids[a], ids[b]));
            report_growth();
        }
    }
    void all_within(std::uint32_t a0, std::uint32_t a1) {
        const std::uint64_t n = a1 - a0;
        ensure_room(n * (n - (n > 0)) / 2);
        for (std::uint32_t a = a0; a + 1 < a1; ++a) all(a, a + 1, a + 1, a1);
    }

    // Large blocks settled in bulk are sized before their pairs are written.
    void ensure_room(std::uint64_t pairs) const {
        if (growth != nullptr && pairs >= PairGrowth::kCheckBlock) {
            growth->check_room(keys.size() - reported + pairs);
        }
    }

    // Reports the keys found since the last report, every few thousand.
    void report_growth() {
        if (growth == nullptr || keys.size() - reported < PairGrowth::kReportEvery) return;
        growth->add(keys.size() - reported);
        reported = keys.size();
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

// Makes room for `extra` more pairs whose number is known in advance; a
// caller holding `bytes_per_pair` for each (0: no check) is refused with
// RequestTooLarge when they cannot fit.
void reserve_pairs(std::vector<std::uint64_t>& keys, std::uint64_t extra,
                   std::uint64_t bytes_per_pair) {
    const std::uint64_t pairs = saturating_sum(keys.size(), extra);
    if (bytes_per_pair > 0) ensure_pairs_fit(pairs, bytes_per_pair);
    keys.reserve(pairs);
}

// Points per bucket of the edge sort below: a bucket's counters and edges
// stay in cache while it is sorted.
constexpr unsigned kBucketShift = 12;

// The packed edges of every part as edges sorted by i, then j. The keys are
// first moved into buckets of 4096 consecutive i (a pass that writes to few
// places at a time), then each bucket is counting-sorted on i straight into
// the edge list and each point's few partners are sorted by j. Keys are
// distinct, so this is the order of the keys themselves. Parts are bucketed
// and buckets sorted on several threads; each writes only its own slots, so
// the result is the same for every thread count.
EdgeList sorted_edges(const std::vector<std::vector<std::uint64_t>>& parts,
                      std::size_t point_count) {
    const std::size_t buckets = (point_count >> kBucketShift) + 1;
    // The parts in a few runs of consecutive parts, one per task, so that
    // the counters stay small however many parts and buckets there are.
    const std::size_t groups = std::min<std::size_t>(parts.size(), 8 * std::size_t{thread_count()});
    auto group_parts = [&](std::size_t g) {
        return std::pair{parts.size() * g / groups, parts.size() * (g + 1) / groups};
    };
    // counts[g * buckets + b]: the keys of group g in bucket b, then where
    // group g starts writing into bucket b.
    std::vector<std::uint64_t> counts(groups * buckets, 0);
    parallel_for(groups, [&](std::size_t g) {
        std::uint64_t* count = counts.data() + g * buckets;
        const auto [first, last] = group_parts(g);
        for (std::size_t p = first; p < last; ++p) {
            poll_interrupt();
            for (std::uint64_t key : parts[p]) ++count[key >> (32 + kBucketShift)];
        }
    });
    std::vector<std::uint64_t> bucket_start(buckets + 1, 0);
    std::uint64_t total = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
        bucket_start[b] = total;
        for (std::size_t g = 0; g < groups; ++g) {
            total += std::exchange(counts[g * buckets + b], total);
        }
    }
    bucket_start[buckets] = total;
    // Left uninitialised: every slot is written before it is read.
    std::unique_ptr<std::uint64_t[]> bucketed(new std::uint64_t[total]);
    parallel_for(groups, [&](std::size_t g) {
        std::uint64_t* next = counts.data() + g * buckets;
        const auto [first, last] = group_parts(g);
        for (std::size_t p = first; p < last; ++p) {
            poll_interrupt();
            for (std::uint64_t key : parts[p]) bucketed[next[key >> (32 + kBucketShift)]++] = key;
        }
    });
    EdgeList edges(total);
    parallel_for(buckets, [&](std::size_t b) {
        if ((b & 63) == 0) poll_interrupt();
        const std::uint64_t first_key = bucket_start[b];
        const std::uint64_t end_key = bucket_start[b + 1];
        const std::uint64_t lo = std::uint64_t{b} << kBucketShift;
        std::array<std::uint64_t, (1u << kBucketShift) + 1> start{};
        for (std::uint64_t k = first_key; k < end_key; ++k) {
            ++start[(bucketed[k] >> 32) - lo + 1];
        }
        for (std::size_t i = 0; i < (1u << kBucketShift); ++i) start[i + 1] += start[i];
        std::array<std::uint64_t, 1u << kBucketShift> next;
        std::copy(start.begin(), start.end() - 1, next.begin());
        Edge* out = edges.data() + first_key;
        for (std::uint64_t k = first_key; k < end_key; ++k) {
            const std::uint64_t key = bucketed[k];
            out[next[(key >> 32) - lo]++] = {key >> 32, key & 0xffffffffu};
        }
        for (std::size_t i = 0; i < (1u << kBucketShift); ++i) {
            if (start[i + 1] - start[i] > 1) std::sort(out + start[i], out + start[i + 1]);
        }
    });
    return edges;
}

// The passing pairs as packed keys, in parts: pairs with an infinite
// coordinate and pairs of a window that takes everything first, then the
// keys of each task of the grid search, in task order.
std::vector<std::vector<std::uint64_t>> collect_key_parts(std::span<const Point> points,
                                                          UnitDistanceBounds bounds,
                                                          std::uint64_t bytes_per_pair) {
    require_indexable(points.size());
    const Window window = window_of(bounds);
    std::vector<std::vector<std::uint64_t>> parts(1);
    std::vector<std::uint64_t>& keys = parts.front();
    if (window.empty) return parts;
    const std::vector<std::uint32_t> finite = finite_indices(points);
    if (window.band.outer == INFINITY) {
        const InfiniteClasses classes = classify(points);
        std::uint64_t pairs = 0;
        for_each_infinite_block(classes, [&](const auto& a, const auto& b) {
            pairs += std::uint64_t{a.size()} * b.size();
        });
        reserve_pairs(keys, pairs, bytes_per_pair);
        for_each_infinite_block(classes, [&](const auto& a, const auto& b) {
            for (std::uint32_t i : a) {
                poll_interrupt();
                for (std::uint32_t j : b) keys.push_back(pack_pair(i, j));
            }
        });
    }
    if (window.everything) {
        const std::uint64_t n = finite.size();
        reserve_pairs(keys, n * (n - (n > 0)) / 2, bytes_per_pair);
        for (std::size_t a = 0; a < finite.size(); ++a) {
            poll_interrupt();
            for (std::size_t b = a + 1; b < finite.size(); ++b) keys.push_back(pack_pair(finite[a], finite[b]));
        }
        return parts;
    }
    const PairGrid grid(points, finite, window.band);
    PairGrowth growth(bytes_per_pair);
    std::vector<PairCollector> tasks = visit_pairs_in_tasks(
        grid, PairCollector{grid.xs(), grid.ys(), grid.ids(), bounds, window.band,
                            bytes_per_pair > 0 ? &growth : nullptr, {}, {}});
    for (PairCollector& task : tasks) parts.push_back(std::move(task.keys));
    return parts;
}

std::vector<std::uint64_t> collect_keys(std::span<const Point> points, UnitDistanceBounds bounds,
                                        std::uint64_t bytes_per_pair) {
    std::vector<std::vector<std::uint64_t>> parts = collect_key_parts(points, bounds, bytes_per_pair);
    std::size_t total = 0;
    for (const auto& part : parts) total += part.size();
    std::vector<std::uint64_t> keys = std::move(parts.front());
    keys.reserve(total);
    for (std::size_t p = 1; p < parts.size(); ++p) {
        keys.insert(keys.end(), parts[p].begin(), parts[p].end());
        std::vector<std::uint64_t>().swap(parts[p]);
    }
    return keys;
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
    for (const PairCounter& part :
         visit_pairs_in_tasks(grid, PairCounter{grid.xs(), grid.ys(), bounds, window.band})) {
        count += part.count;
    }
    return count;
}

std::uint64_t count_unit_distances(std::span<const Point> points, double tolerance) {
    return count_unit_pairs(points, unit_distance_bounds(tolerance));
}

EdgeList find_unit_edges(std::span<const Point> points, UnitDistanceBounds bounds,
                         std::uint64_t bytes_per_pair) {
    return sorted_edges(collect_key_parts(points, bounds, bytes_per_pair), points.size());
}

std::vector<std::uint64_t> find_unit_pairs_packed(std::span<const Point> points,
                                                  UnitDistanceBounds bounds,
                                                  std::uint64_t bytes_per_pair) {
    return collect_keys(points, bounds, bytes_per_pair);
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
