#include "lattice_sets/norm_edges.hpp"

#include <algorithm>
#include <vector>

#include "utils/interrupt.hpp"
#include "utils/memory_budget.hpp"
#include "utils/parallel.hpp"

namespace vantor::lattice_sets {

namespace {

constexpr std::uint64_t kPointsPerTask = 32768;

using Run = LatticePatch::Run;

// Where the points of one run find partners: for a in lo .. hi, the point
// a + va of the run reached by v has index a + offset.
struct Reach {
    std::int64_t lo;
    std::int64_t hi;
    std::int64_t offset;
};

// The reaches of `run`, by vector in the given order and, for one vector,
// by increasing a of the run reached, so the partner indices of each point
// come out increasing.
void reaches_of(const LatticePatch& patch, const Run& run,
                std::span<const LatticeCoordinate> half_vectors, std::vector<Reach>& out) {
    out.clear();
    for (const LatticeCoordinate& v : half_vectors) {
        for (const Run& target : patch.row_runs(run.b + v.b)) {
            const RunOverlap o = run_overlap(run, target, v.a);
            if (o.hi < o.lo) continue;
            out.push_back({o.lo, o.hi,
                           static_cast<std::int64_t>(target.first) + v.a - target.a_lo});
        }
    }
}

// Consecutive runs holding about kPointsPerTask points each.
std::vector<std::size_t> run_blocks(std::span<const Run> runs) {
    std::vector<std::size_t> starts{0};
    std::uint64_t points = 0;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        if (points >= kPointsPerTask) {
            starts.push_back(k);
            points = 0;
        }
        points += static_cast<std::uint64_t>(runs[k].a_hi - runs[k].a_lo + 1);
    }
    starts.push_back(runs.size());
    return starts;
}

}  // namespace

EdgeList norm_edges(const LatticePatch& patch, std::span<const LatticeCoordinate> half_vectors) {
    const std::span<const Run> runs = patch.runs();
    if (runs.empty()) return {};
    const std::vector<std::size_t> blocks = run_blocks(runs);
    const std::size_t tasks = blocks.size() - 1;

    // First the number of edges each block starts, from the overlap
    // lengths alone; then every block writes its edges at its own offset.
    std::vector<std::uint64_t> counts(tasks + 1, 0);
    parallel_for(tasks, [&](std::size_t task) {
        std::uint64_t count = 0;
        for (std::size_t k = blocks[task]; k < blocks[task + 1]; ++k) {
            for (const LatticeCoordinate& v : half_vectors) {
                for (const Run& target : patch.row_runs(runs[k].b + v.b)) {
                    const RunOverlap o = run_overlap(runs[k], target, v.a);
                    if (o.hi >= o.lo) count += static_cast<std::uint64_t>(o.hi - o.lo + 1);
                }
            }
        }
        counts[task + 1] = count;
    });
    for (std::size_t task = 0; task < tasks; ++task) counts[task + 1] += counts[task];

    // A count that cannot be held fails here as an allocation failure,
    // before any page of the list is touched.
    ensure_fits_in_memory(counts[tasks], sizeof(Edge));
    EdgeList edges(counts[tasks]);
    parallel_for(tasks, [&](std::size_t task) {
        std::vector<Reach> reaches;
        Edge* out = edges.data() + counts[task];
        for (std::size_t k = blocks[task]; k < blocks[task + 1]; ++k) {
            poll_interrupt();
            const Run& run = runs[k];
            reaches_of(patch, run, half_vectors, reaches);
            for (std::int64_t a = run.a_lo; a <= run.a_hi; ++a) {
                const std::uint64_t i = run.first + static_cast<std::uint64_t>(a - run.a_lo);
                for (const Reach& r : reaches) {
                    if (a < r.lo || a > r.hi) continue;
                    *out++ = Edge{i, static_cast<std::uint64_t>(a + r.offset)};
                }
            }
        }
    });
    return edges;
}

}  // namespace vantor::lattice_sets
