#include "record_search/beam_search.hpp"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <utility>

#include "record_search/minkowski_seeds.hpp"
#include "record_search/search_state.hpp"
#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"
#include "utils/parallel.hpp"

namespace vantor::records {

namespace {

// A grown candidate is kept when the new point's degree is within this of
// the best new point of the same parent; a removal takes points within
// kRemovalSlack of the least degree.
constexpr std::uint32_t kGrowthSlack = 2;
constexpr std::uint32_t kRemovalSlack = 1;

// Sets drifting beyond half the lattice's packed limit from 0 (by growth on
// one side and removal on the other) are moved back, so that every
// coordinate stays packable.

enum class Move : std::uint32_t { Keep, Grow, Remove, Seed };

// A set that may enter a pool: its count and fingerprint, and how to make
// it from a set that exists (a pool entry, a parent plus or minus a point,
// a seed).
struct Candidate {
    std::uint64_t edges;
    std::uint64_t order;  // the tie-break among equal counts: fingerprint mixed with the seed
    std::uint64_t fingerprint;
    Move move;
    std::uint32_t source;
    std::uint64_t argument;  // the point added, or the index of the point removed
};

// The pools' order (goes_before); the rest only makes the order total, so
// that the same candidates always give the same pool.
bool before(const Candidate& x, const Candidate& y) {
    if (x.edges != y.edges || x.order != y.order || x.fingerprint != y.fingerprint) {
        return goes_before(x.edges, x.order, x.fingerprint, y.edges, y.order, y.fingerprint);
    }
    if (x.move != y.move) return x.move < y.move;
    if (x.source != y.source) return x.source < y.source;
    return x.argument < y.argument;
}

// A hash for the candidate table's slots.
std::uint64_t mix(std::uint64_t x) { return tie_order(x, 0); }

// Counts of candidate points around one set: an open-addressing table of
// packed points (0 is never a packed point, so it marks a free slot).
class DegreeTable {
public:
    static constexpr std::int32_t kMember = -1;

    void reset(std::size_t expected) {
        std::size_t capacity = 64;
        while (capacity < 2 * expected) capacity <<= 1;
        keys_.assign(capacity, 0);
        values_.assign(capacity, 0);
        mask_ = capacity - 1;
        fresh_.clear();
    }
    void mark_member(PackedPoint p) { values_[slot(p)] = kMember; }
    // Counts one more step into p, unless p is a member.
    void bump(PackedPoint p) {
        const std::size_t k = slot(p);
        if (values_[k] == kMember) return;
        if (values_[k]++ == 0) fresh_.push_back(k);
    }
    // The slots of the points bumped at least once, in the order they were
    // first bumped, with their points and counts.
    const std::vector<std::size_t>& candidates() const { return fresh_; }
    PackedPoint point(std::size_t slot) const { return keys_[slot]; }
    std::int32_t count(std::size_t slot) const { return values_[slot]; }

private:
    static std::uint64_t hash(PackedPoint p) { return mix(p); }
    std::size_t slot(PackedPoint p) {
        std::size_t k = hash(p) & mask_;
        while (keys_[k] != 0 && keys_[k] != p) k = (k + 1) & mask_;
        keys_[k] = p;
        return k;
    }
    std::vector<PackedPoint> keys_;
    std::vector<std::int32_t> values_;
    std::vector<std::size_t> fresh_;
    std::size_t mask_ = 0;
};

void grown_candidates(const SearchSet& set, std::uint32_t source, std::uint64_t seed,
                      const SearchLattice& lattice, DegreeTable& table,
                      std::vector<Candidate>& out) {
    const std::span<const PackedPoint> steps = lattice.packed_steps();
    table.reset((steps.size() + 1) * set.points.size());
    for (PackedPoint p : set.points) table.mark_member(p);
    for (PackedPoint p : set.points) {
        for (PackedPoint step : steps) table.bump(p + step);
    }
    std::int32_t best = 0;
    for (std::size_t slot : table.candidates()) best = std::max(best, table.count(slot));
    for (std::size_t slot : table.candidates()) {
        const PackedPoint q = table.point(slot);
        const std::int32_t degree = table.count(slot);
        if (degree + static_cast<std::int32_t>(kGrowthSlack) < best || !lattice.packable(unpack(q))) {
            continue;
        }
        const std::uint64_t fingerprint = with_point(set.fingerprint, q, lattice).value();
        out.push_back({set.edges + static_cast<std::uint64_t>(degree), tie_order(fingerprint, seed),
                       fingerprint, Move::Grow, source, q});
    }
}

void removal_candidates(const SearchSet& set, std::uint32_t source, std::uint64_t seed,
                        const SearchLattice& lattice, std::vector<Candidate>& out) {
    if (set.points.size() < 2) return;
    const std::vector<std::uint32_t> degree = degrees(set, lattice);
    const std::uint32_t least = *std::min_element(degree.begin(), degree.end());
    for (std::size_t k = 0; k < degree.size(); ++k) {
        if (degree[k] > least + kRemovalSlack) continue;
        const std::uint64_t fingerprint =
            without_point(set.fingerprint, set.points, k, lattice).value();
        out.push_back({set.edges - degree[k], tie_order(fingerprint, seed), fingerprint, Move::Remove,
                       static_cast<std::uint32_t>(source), k});
    }
}

// A set whose coordinates have wandered far from 0 moved back so that its
// lowest coordinates are 0; its fingerprint value does not change.
void recentre(SearchSet& set, const SearchLattice& lattice) {
    const std::int64_t beyond = lattice.packed_limit() / 2;
    bool far = false;
    SearchCoordinate low = unpack(set.points.front());
    for (PackedPoint p : set.points) {
        const SearchCoordinate c = unpack(p);
        far = far || std::max({std::abs(c.a), std::abs(c.b), std::abs(c.c), std::abs(c.d)}) >
                         beyond;
        low = {std::min(low.a, c.a), std::min(low.b, c.b), std::min(low.c, c.c),
               std::min(low.d, c.d)};
    }
    if (!far) return;
    for (PackedPoint& p : set.points) p = pack(unpack(p) - low);
    set.fingerprint = fingerprint_of(set.points, lattice);
}

// Every growth candidate of the parents, in parent order.
std::vector<Candidate> grow(const SetPool& parents, std::uint64_t seed,
                            const SearchLattice& lattice) {
    std::vector<std::vector<Candidate>> found(parents.size());
    parallel_for(parents.size(), [&](std::size_t k) {
        thread_local DegreeTable table;
        grown_candidates(parents[k], static_cast<std::uint32_t>(k), seed, lattice, table, found[k]);
    });
    std::vector<Candidate> all;
    for (const auto& part : found) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<Candidate> shrink(const SetPool& parents, std::uint64_t seed,
                              const SearchLattice& lattice) {
    std::vector<std::vector<Candidate>> found(parents.size());
    parallel_for(parents.size(), [&](std::size_t k) {
        removal_candidates(parents[k], static_cast<std::uint32_t>(k), seed, lattice, found[k]);
    });
    std::vector<Candidate> all;
    for (const auto& part : found) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The pool made of the best `width` distinct sets among the pool itself and
// the candidates; `parents` are the sets that Grow and Remove candidates
// refer to, `seeds` those of Seed candidates.
void merge(SetPool& pool, std::vector<Candidate> candidates, const SetPool& parents, SetPool& seeds,
           std::uint64_t width, std::uint64_t seed, const SearchLattice& lattice) {
    for (std::size_t k = 0; k < pool.size(); ++k) {
        const std::uint64_t fingerprint = pool[k].fingerprint.value();
        candidates.push_back({pool[k].edges, tie_order(fingerprint, seed), fingerprint, Move::Keep,
                              static_cast<std::uint32_t>(k), 0});
    }
    std::sort(candidates.begin(), candidates.end(), before);
    std::vector<Candidate> chosen;
    for (const Candidate& c : candidates) {
        if (chosen.size() == width) break;
        // Congruent sets have equal counts and fingerprints, so they sit
        // side by side in this order.
        if (!chosen.empty() && chosen.back().fingerprint == c.fingerprint) continue;
        chosen.push_back(c);
    }
    SetPool next(chosen.size());
    parallel_for(chosen.size(), [&](std::size_t k) {
        const Candidate& c = chosen[k];
        SearchSet& set = next[k];
        switch (c.move) {
            case Move::Keep:
                set = std::move(pool[c.source]);
                return;
            case Move::Seed:
                set = std::move(seeds[c.source]);
                return;
            case Move::Grow: {
                const SearchSet& parent = parents[c.source];
                set.points.reserve(parent.points.size() + 1);
                const auto at = std::lower_bound(parent.points.begin(), parent.points.end(),
                                                 c.argument);
                set.points.assign(parent.points.begin(), at);
                set.points.push_back(c.argument);
                set.points.insert(set.points.end(), at, parent.points.end());
                set.fingerprint = with_point(parent.fingerprint, c.argument, lattice);
                break;
            }
            case Move::Remove: {
                const SearchSet& parent = parents[c.source];
                set.fingerprint =
                    without_point(parent.fingerprint, parent.points, c.argument, lattice);
                set.points = parent.points;
                set.points.erase(set.points.begin() + static_cast<std::ptrdiff_t>(c.argument));
                break;
            }
        }
        set.edges = c.edges;
        recentre(set, lattice);
    });
    pool = std::move(next);
}

void merge_seeds(SetPool& pool, SetPool seeds, std::uint64_t width, std::uint64_t seed,
                 const SearchLattice& lattice) {
    std::vector<Candidate> candidates;
    for (std::size_t k = 0; k < seeds.size(); ++k) {
        const std::uint64_t fingerprint = seeds[k].fingerprint.value();
        candidates.push_back({seeds[k].edges, tie_order(fingerprint, seed), fingerprint, Move::Seed,
                              static_cast<std::uint32_t>(k), 0});
    }
    merge(pool, std::move(candidates), {}, seeds, width, seed, lattice);
}

// Peak memory: every pool full, with its points and fingerprints, as many
// Minkowski sums again while they are chosen, the sums of one chunk of
// summand pairs (at most 16 * 12 * 145 sets of at most 800 points), and
// the candidates of one pass (about 40 per set).
std::uint64_t estimated_bytes(const BeamSearchOptions& options) {
    const auto n = static_cast<long double>(options.n_max);
    const auto width = static_cast<long double>(options.width);
    const long double pools =
        width * (n * (n + 1) / 2 * sizeof(PackedPoint) + n * sizeof(SearchSet));
    const long double chunk =
        16.0L * 12 * 145 * (std::min(n, 800.0L) * sizeof(PackedPoint) + sizeof(SearchSet));
    const long double candidates = 2 * 40 * width * sizeof(Candidate);
    const long double total = 2 * pools + chunk + candidates;
    constexpr auto kMost = static_cast<long double>(std::numeric_limits<std::uint64_t>::max());
    return total >= kMost ? std::numeric_limits<std::uint64_t>::max()
                          : static_cast<std::uint64_t>(total);
}

}  // namespace

std::expected<void, lattice_sets::LatticeError> check_search_request(
    const BeamSearchOptions& options) {
    const auto out_of_range = [](const char* name, std::uint64_t value, std::uint64_t high) {
        return std::unexpected(
            lattice_sets::LatticeError{lattice_sets::ParameterOutOfRange{name, value, 1, high}});
    };
    if (options.n_max < 1 || options.n_max > kMaxSearchPoints) {
        return out_of_range("n_max", options.n_max, kMaxSearchPoints);
    }
    if (options.width < 1 || options.width > kMaxSearchWidth) {
        return out_of_range("width", options.width, kMaxSearchWidth);
    }
    if (options.sweeps < 1 || options.sweeps > kMaxSearchSweeps) {
        return out_of_range("sweeps", options.sweeps, kMaxSearchSweeps);
    }
    return {};
}

std::uint64_t search_steps(const BeamSearchOptions& options) {
    return (2 * options.sweeps - 1) * (options.n_max - 1) + 1;
}

namespace {

// The pools of every size (entry n, n = 1 .. n_max) after the search.
std::vector<SetPool> search_pools(const BeamSearchOptions& options, const SearchLattice& lattice,
                                  std::atomic<std::uint64_t>* progress) {
    ensure_fits_in_memory(estimated_bytes(options));
    const auto step_done = [progress] {
        if (progress != nullptr) progress->fetch_add(1, std::memory_order_relaxed);
    };
    const std::uint64_t n_max = options.n_max;
    const std::uint64_t seed = tie_order(options.seed + 0x9e3779b97f4a7c15, 0);
    std::vector<SetPool> pools(n_max + 1);
    pools[1].push_back(search_set_of({pack({0, 0, 0, 0})}, lattice));
    SetPool none;

    const auto growth_pass = [&] {
        for (std::uint64_t n = 1; n < n_max; ++n) {
            poll_interrupt();
            merge(pools[n + 1], grow(pools[n], seed, lattice), pools[n], none, options.width, seed,
                  lattice);
            if (pools[n + 1].empty()) throw std::logic_error("beam search lost a size");
            step_done();
        }
    };
    growth_pass();
    {
        std::vector<SetPool> seeds = minkowski_seeds(pools, n_max, options.width, seed, lattice);
        for (std::uint64_t n = 1; n <= n_max; ++n) {
            if (!seeds[n].empty()) {
                merge_seeds(pools[n], std::move(seeds[n]), options.width, seed, lattice);
            }
        }
        step_done();
    }
    for (std::uint64_t sweep = 1; sweep < options.sweeps; ++sweep) {
        for (std::uint64_t n = n_max - 1; n >= 1; --n) {
            poll_interrupt();
            merge(pools[n], shrink(pools[n + 1], seed, lattice), pools[n + 1], none, options.width,
                  seed, lattice);
            step_done();
        }
        growth_pass();
    }
    return pools;
}

}  // namespace

std::vector<FoundSet> beam_search(const BeamSearchOptions& options,
                                  std::atomic<std::uint64_t>* progress) {
    return beam_search(options, moser_search_lattice(), progress);
}

std::vector<FoundSet> beam_search(const BeamSearchOptions& options, const SearchLattice& lattice,
                                  std::atomic<std::uint64_t>* progress) {
    const std::vector<SetPool> pools = search_pools(options, lattice, progress);
    std::vector<FoundSet> found(options.n_max);
    for (std::uint64_t n = 1; n <= options.n_max; ++n) {
        found[n - 1] = {standard_position(pools[n].front(), lattice), pools[n].front().edges};
    }
    return found;
}

std::vector<std::vector<FoundSet>> beam_search_densest(const BeamSearchOptions& options,
                                                       std::atomic<std::uint64_t>* progress) {
    const std::vector<SetPool> pools = search_pools(options, moser_search_lattice(), progress);
    std::vector<std::vector<FoundSet>> found(options.n_max);
    for (std::uint64_t n = 1; n <= options.n_max; ++n) {
        const std::uint64_t most = pools[n].front().edges;
        for (const SearchSet& set : pools[n]) {
            if (set.edges != most) break;
            found[n - 1].push_back({standard_position(set), set.edges});
        }
    }
    return found;
}

}  // namespace vantor::records
