#include "record_search/minkowski_seeds.hpp"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "utils/interrupt.hpp"
#include "utils/parallel.hpp"

namespace vantor::records {

namespace {

constexpr std::uint64_t kLargestSummand = 12;
constexpr std::size_t kSummandsPerSize = 3;
constexpr std::uint64_t kLargestThirdSummand = 5;
// Sums are taken while the product of the sizes stays within twice the
// target; coinciding sums often halve it.
constexpr std::uint64_t kSumReach = 400;
// Pairs of summands whose sums are made at a time.
constexpr std::size_t kPairsPerChunk = 16;

using Points = std::vector<PackedPoint>;

Points turned(const Points& points, std::size_t g, const SearchLattice& lattice) {
    Points out;
    out.reserve(points.size());
    for (PackedPoint p : points) out.push_back(pack(lattice.image(g, unpack(p))));
    return out;
}

// A + B without repeats, sorted.
Points sum(const Points& a, const Points& b) {
    Points out;
    out.reserve(a.size() * b.size());
    for (PackedPoint p : a) {
        for (PackedPoint q : b) out.push_back(pack(unpack(p) + unpack(q)));
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace

std::vector<SetPool> minkowski_seeds(const std::vector<SetPool>& pools, std::uint64_t n_max,
                                     std::uint64_t width, std::uint64_t seed,
                                     const SearchLattice& lattice) {
    const std::uint64_t bound = 2 * std::min(n_max, kSumReach);
    std::vector<Points> summands;
    for (std::uint64_t size = 2; size <= kLargestSummand && size < pools.size(); ++size) {
        for (std::size_t k = 0; k < pools[size].size() && k < kSummandsPerSize; ++k) {
            summands.push_back(pools[size][k].points);
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0; i < summands.size(); ++i) {
        for (std::size_t j = i; j < summands.size(); ++j) {
            if (summands[i].size() * summands[j].size() <= bound) pairs.emplace_back(i, j);
        }
    }

    // The sums of one pair of summands, in a fixed order.
    const auto sums_of = [&](std::size_t task, SetPool& out) {
        poll_interrupt();
        const auto [i, j] = pairs[task];
        for (std::size_t g = 0; g < lattice.symmetry_count(); ++g) {
            Points two = sum(summands[i], turned(summands[j], g, lattice));
            if (two.size() > n_max) continue;
            for (std::size_t k = j; k < summands.size(); ++k) {
                if (summands[k].size() > kLargestThirdSummand ||
                    two.size() * summands[k].size() > bound) {
                    continue;
                }
                for (std::size_t h = 0; h < lattice.symmetry_count(); ++h) {
                    Points three = sum(two, turned(summands[k], h, lattice));
                    if (three.size() > n_max) continue;
                    out.push_back(search_set_of(std::move(three), lattice));
                }
            }
            out.push_back(search_set_of(std::move(two), lattice));
        }
    };

    // Sets congruent to one a pool holds, or to an earlier sum, are left out.
    std::unordered_set<std::uint64_t> seen;
    for (const SetPool& pool : pools) {
        for (const SearchSet& set : pool) seen.insert(set.fingerprint.value());
    }
    std::vector<SetPool> seeds(n_max + 1);
    // Sorts by the pools' order, each set's fingerprint value and tie order
    // worked out once, and keeps the first `width`.
    const auto keep_best = [&](SetPool& kept) {
        struct Key {
            std::uint64_t edges, order, fingerprint;
            std::size_t index;
        };
        std::vector<Key> keys;
        keys.reserve(kept.size());
        for (std::size_t k = 0; k < kept.size(); ++k) {
            const std::uint64_t fingerprint = kept[k].fingerprint.value();
            keys.push_back({kept[k].edges, tie_order(fingerprint, seed), fingerprint, k});
        }
        std::sort(keys.begin(), keys.end(), [](const Key& x, const Key& y) {
            return goes_before(x.edges, x.order, x.fingerprint, y.edges, y.order, y.fingerprint);
        });
        SetPool best;
        best.reserve(std::min<std::size_t>(keys.size(), width));
        for (std::size_t k = 0; k < keys.size() && best.size() < width; ++k) {
            best.push_back(std::move(kept[keys[k].index]));
        }
        kept = std::move(best);
    };
    // The pairs go in chunks, each on all threads into its own slots; only
    // the best `width` sums of each size can enter a pool, so no more are
    // kept between chunks.
    for (std::size_t first = 0; first < pairs.size(); first += kPairsPerChunk) {
        const std::size_t count = std::min(kPairsPerChunk, pairs.size() - first);
        std::vector<SetPool> chunk(count);
        parallel_for(count, [&](std::size_t k) { sums_of(first + k, chunk[k]); });
        for (SetPool& task : chunk) {
            for (SearchSet& set : task) {
                if (!seen.insert(set.fingerprint.value()).second) continue;
                SetPool& kept = seeds[set.points.size()];
                kept.push_back(std::move(set));
                if (kept.size() >= 2 * width + kPairsPerChunk) keep_best(kept);
            }
        }
    }
    for (SetPool& kept : seeds) keep_best(kept);
    return seeds;
}

}  // namespace vantor::records
