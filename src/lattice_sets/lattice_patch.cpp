#include "lattice_sets/lattice_patch.hpp"

#include <algorithm>
#include <stdexcept>

#include "utils/interrupt.hpp"

namespace vantor::lattice_sets {

LatticePatch::LatticePatch(std::vector<LatticeCoordinate> row_major_points)
    : points_(std::move(row_major_points)) {
    for (std::size_t k = 1; k < points_.size(); ++k) {
        if (!row_major_less(points_[k - 1], points_[k])) {
            throw std::invalid_argument("lattice patch points must be distinct and row-major");
        }
    }
    if (points_.empty()) return;
    for (std::size_t k = 0; k < points_.size(); ++k) {
        const LatticeCoordinate p = points_[k];
        if (!runs_.empty() && runs_.back().b == p.b && runs_.back().a_hi + 1 == p.a) {
            runs_.back().a_hi = p.a;
        } else {
            runs_.push_back({p.b, p.a, p.a, k});
        }
    }
    // Every row between the first and the last gets a slot; the sets built
    // here have no empty rows inside, so this stays linear in their size.
    b_min_ = points_.front().b;
    const auto rows = static_cast<std::size_t>(points_.back().b - b_min_) + 1;
    row_start_.assign(rows + 1, 0);
    std::size_t run = 0;
    for (std::size_t row = 0; row <= rows; ++row) {
        while (run < runs_.size() && runs_[run].b < b_min_ + static_cast<std::int64_t>(row)) ++run;
        row_start_[row] = run;
    }
}

std::span<const LatticePatch::Run> LatticePatch::row_runs(std::int64_t b) const {
    if (runs_.empty() || b < b_min_ ||
        b - b_min_ >= static_cast<std::int64_t>(row_start_.size()) - 1) {
        return {};
    }
    const auto row = static_cast<std::size_t>(b - b_min_);
    return std::span<const Run>(runs_).subspan(row_start_[row], row_start_[row + 1] - row_start_[row]);
}

std::int64_t LatticePatch::index_of(LatticeCoordinate c) const {
    const std::span<const Run> row = row_runs(c.b);
    // The last run starting at or before c.a is the only one that can hold it.
    const auto after = std::upper_bound(row.begin(), row.end(), c.a,
                                        [](std::int64_t a, const Run& r) { return a < r.a_lo; });
    if (after == row.begin()) return -1;
    const Run& run = *(after - 1);
    if (c.a > run.a_hi) return -1;
    return static_cast<std::int64_t>(run.first) + (c.a - run.a_lo);
}

std::uint64_t LatticePatch::pair_count(LatticeCoordinate v) const {
    std::uint64_t count = 0;
    for (const Run& r : runs_) {
        for (const Run& s : row_runs(r.b + v.b)) {
            const RunOverlap o = run_overlap(r, s, v.a);
            if (o.hi >= o.lo) count += static_cast<std::uint64_t>(o.hi - o.lo + 1);
        }
    }
    return count;
}

std::vector<std::uint32_t> LatticePatch::degrees(
    std::span<const LatticeCoordinate> half_vectors) const {
    // Each overlap of two runs adds 1 to a stretch of consecutive indices in
    // both: recorded as +1 at its start and -1 past its end, summed up once.
    std::vector<std::int64_t> steps(points_.size() + 1, 0);
    const auto add = [&](const Run& run, std::int64_t lo, std::int64_t hi) {
        ++steps[run.first + static_cast<std::uint64_t>(lo - run.a_lo)];
        --steps[run.first + static_cast<std::uint64_t>(hi - run.a_lo) + 1];
    };
    for (const Run& r : runs_) {
        poll_interrupt();
        for (const LatticeCoordinate& v : half_vectors) {
            for (const Run& s : row_runs(r.b + v.b)) {
                const RunOverlap o = run_overlap(r, s, v.a);
                if (o.hi < o.lo) continue;
                add(r, o.lo, o.hi);
                add(s, o.lo + v.a, o.hi + v.a);
            }
        }
    }
    std::vector<std::uint32_t> degrees(points_.size());
    std::int64_t running = 0;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        running += steps[i];
        degrees[i] = static_cast<std::uint32_t>(running);
    }
    return degrees;
}

}  // namespace vantor::lattice_sets
